#include "options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <cstring>
#include <string>

#include "main_window.h"
#include "window_palette.h"

namespace brevine {
namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// The control that shows a row, set to the row's value in `o`.
QWidget* MakeControl(const OptionRow& row, const Options& o, QWidget* parent) {
  const std::string value = StoredText(row, o);
  switch (row.type) {
    case OptionType::kFlag: {
      auto* box = new QCheckBox(OptionsDialog::tr(row.label), parent);
      box->setChecked(value != "0");
      box->setCursor(Qt::PointingHandCursor);
      return box;
    }
    case OptionType::kChoice: {
      auto* list = new QComboBox(parent);
      const std::vector<std::string> values = ChoiceValues(row);
      const std::vector<std::string> labels = ChoiceLabels(row);
      for (std::size_t i = 0; i < values.size(); ++i)
        list->addItem(i < labels.size() ? OptionsDialog::tr(labels[i].c_str()) : Q(values[i]),
                      Q(values[i]));
      list->setCurrentIndex(list->findData(Q(value)));
      list->setCursor(Qt::PointingHandCursor);
      return list;
    }
    case OptionType::kInteger: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(row.min, row.max);
      spin->setValue(ParseInteger(value).value_or(row.min));
      return spin;
    }
    case OptionType::kText:
      break;
  }
  auto* edit = new QLineEdit(Q(value), parent);
  return edit;
}

// The control's value as the settings file stores it.
std::string ControlText(const OptionRow& row, const QWidget* control) {
  switch (row.type) {
    case OptionType::kFlag:
      return static_cast<const QCheckBox*>(control)->isChecked() ? "1" : "0";
    case OptionType::kChoice:
      return static_cast<const QComboBox*>(control)->currentData().toString().toStdString();
    case OptionType::kInteger:
      return std::to_string(static_cast<const QSpinBox*>(control)->value());
    case OptionType::kText:
      break;
  }
  return static_cast<const QLineEdit*>(control)->text().toStdString();
}

}  // namespace

OptionsDialog::OptionsDialog(const Options& options, QWidget* parent,
                             std::span<const OptionRow> rows)
    : QDialog(parent), options_(options) {
  setObjectName(QStringLiteral("OptionsDialog"));
  setWindowTitle(tr("更多选项"));
  setFont(WindowFont());

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setContentsMargins(16, 14, 16, 12);
  layout->setSpacing(2);

  // Explanations line up with the check box's text, not with its indicator.
  const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                     style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  // Quieter than the labels, in the desktop's theme, and still readable on its background.
  QPalette quiet = palette();
  quiet.setColor(QPalette::WindowText, QuietTextColour(palette()));

  for (const OptionRow& row : rows) {
    if (row.label == nullptr || row.onWindow) continue;
    if (!rows_.empty()) layout->addSpacing(8);
    QWidget* control = MakeControl(row, options_, this);
    control->setObjectName(QString::fromLatin1(row.key));
    if (row.explanation) control->setToolTip(tr(row.explanation));
    if (row.type == OptionType::kFlag) {
      layout->addWidget(control);
    } else {
      // Other controls stand beside their label.
      auto* line = new QHBoxLayout;
      auto* label = new QLabel(tr(row.label), this);
      label->setBuddy(control);
      line->addWidget(label);
      line->addWidget(control, 1);
      layout->addLayout(line);
    }
    auto* explanation = new QLabel(row.explanation ? tr(row.explanation) : QString(), this);
    explanation->setObjectName(QString::fromLatin1(row.key) + QStringLiteral("Explanation"));
    explanation->setPalette(quiet);
    explanation->setContentsMargins(row.type == OptionType::kFlag ? indent : 0, 0, 0, 0);
    explanation->setBuddy(control);
    layout->addWidget(explanation);
    rows_.push_back({&row, control});
  }

  layout->addSpacing(12);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // Set by hand: with no translation loaded these must still read as the window's own texts.
  buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

Options OptionsDialog::Values(Options base) const {
  if (result() != QDialog::Accepted) return base;
  for (const Row& row : rows_)
    RestoreStored(*row.option, ControlText(*row.option, row.control), base);
  return base;
}

QWidget* OptionsDialog::Control(const char* key) const {
  for (const Row& row : rows_)
    if (std::strcmp(row.option->key, key) == 0) return row.control;
  return nullptr;
}

QCheckBox* OptionsDialog::Box(const char* key) const {
  for (const Row& row : rows_)
    if (std::strcmp(row.option->key, key) == 0 && row.option->type == OptionType::kFlag)
      return static_cast<QCheckBox*>(row.control);
  return nullptr;
}

std::vector<const char*> OptionsDialog::ShownKeys() const {
  std::vector<const char*> keys;
  for (const Row& row : rows_) keys.push_back(row.option->key);
  return keys;
}

}  // namespace brevine
