#include "results_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "window_palette.h"

namespace brevine {

namespace {

enum Column { kSource, kResult, kPixels, kBefore, kAfter, kNote, kColumns };

// The role that keeps each row's place in the results, whatever the list's sort order.
constexpr int kRowRole = Qt::UserRole;

}  // namespace

ResultsDialog::ResultsDialog(const BatchResults& results,
                             std::function<void(const QStringList&)> showItems, QWidget* parent)
    : QDialog(parent), results_(results), showItems_(std::move(showItems)) {
  setObjectName(QStringLiteral("ResultsDialog"));
  setWindowTitle(tr("处理结果"));
  auto* layout = new QVBoxLayout(this);

  auto* summary = new QLabel(results_.Summary(), this);
  summary->setObjectName(QStringLiteral("ResultsSummary"));
  QFont bold = summary->font();
  bold.setBold(true);
  summary->setFont(bold);
  layout->addWidget(summary);

  explanation_ = new QLabel(
      tr("选中若干行后，“打开文件夹”会在文件管理器中显示它们；不选则显示全部结果。"), this);
  explanation_->setObjectName(QStringLiteral("ResultsExplanation"));
  explanation_->setWordWrap(true);
  layout->addWidget(explanation_);
  ColourExplanation();

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("ResultsList"));
  list_->setColumnCount(kColumns);
  list_->setHeaderLabels(
      {tr("原图"), tr("结果"), tr("像素"), tr("原大小"), tr("新大小"), tr("说明")});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setAccessibleName(tr("每个文件的结果"));
  list_->setAccessibleDescription(explanation_->text());
  const QLocale locale;
  QList<QTreeWidgetItem*> items;
  for (std::size_t i = 0; i < results_.Rows().size(); ++i) {
    const ResultRow& row = results_.Rows()[i];
    auto* item = new QTreeWidgetItem;
    item->setData(kSource, kRowRole, static_cast<qulonglong>(i));
    item->setText(kSource, QFileInfo(row.source).fileName());
    item->setToolTip(kSource, row.source);
    if (row.Written()) {
      item->setText(kResult, row.result);
      item->setToolTip(kResult, row.result);
      item->setText(kPixels, BatchResults::Pixels(row.width, row.height));
      item->setText(kAfter, BatchResults::Size(row.after, locale));
      item->setToolTip(kAfter, locale.toString(static_cast<qlonglong>(row.after)));
    }
    if (row.before >= 0) {
      item->setText(kBefore, BatchResults::Size(row.before, locale));
      item->setToolTip(kBefore, locale.toString(static_cast<qlonglong>(row.before)));
    }
    for (const Column c : {kPixels, kBefore, kAfter})
      item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(kNote, row.note);
    item->setToolTip(kNote, row.note);
    items << item;
  }
  list_->addTopLevelItems(items);
  for (int c = 0; c < kColumns; ++c) list_->resizeColumnToContents(c);
  list_->header()->setStretchLastSection(true);
  list_->setMinimumSize(640, 240);
  layout->addWidget(list_, 1);

  auto* buttons = new QDialogButtonBox(this);
  openFolder_ = buttons->addButton(tr("打开文件夹"), QDialogButtonBox::ActionRole);
  openFolder_->setObjectName(QStringLiteral("OpenFolder"));
  openFolder_->setEnabled(results_.Written() > 0 || !results_.Empty());
  copy_ = buttons->addButton(tr("复制"), QDialogButtonBox::ActionRole);
  copy_->setObjectName(QStringLiteral("Copy"));
  QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
  close->setText(tr("关闭"));
  layout->addWidget(buttons);
  connect(openFolder_, &QPushButton::clicked, this, &ResultsDialog::OpenFolder);
  connect(copy_, &QPushButton::clicked, this, &ResultsDialog::Copy);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Enter on a row shows it, as a double click does.
  connect(list_, &QTreeWidget::itemActivated, this, [this] { OpenFolder(); });
  list_->setFocus();
  if (!items.isEmpty()) list_->setCurrentItem(items.front(), 0, QItemSelectionModel::NoUpdate);
}

QStringList ResultsDialog::ChosenPaths() const {
  QStringList paths;
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  for (QTreeWidgetItem* item : selected) {
    const ResultRow& row = results_.Rows()[item->data(kSource, kRowRole).toULongLong()];
    paths << (row.Written() ? row.result : row.source);
  }
  if (selected.isEmpty())
    for (const ResultRow& row : results_.Rows())
      if (row.Written()) paths << row.result;
  if (paths.isEmpty() && !results_.Empty()) paths << results_.Rows().front().source;
  paths.removeDuplicates();
  return paths;
}

void ResultsDialog::OpenFolder() {
  const QStringList paths = ChosenPaths();
  if (!paths.isEmpty() && showItems_) showItems_(paths);
}

void ResultsDialog::Copy() { QGuiApplication::clipboard()->setText(results_.AsText()); }

void ResultsDialog::ColourExplanation() {
  QPalette quiet = explanation_->palette();
  quiet.setColor(QPalette::WindowText, QuietTextColour(palette()));
  explanation_->setPalette(quiet);
}

// A theme changed while the dialog is open: the quiet text is mixed again from its colours.
void ResultsDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && explanation_ != nullptr) ColourExplanation();
}

}  // namespace brevine
