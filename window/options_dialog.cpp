#include "options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstring>

#include "main_window.h"

namespace brevine {
namespace {

// The texts are translated where they are shown, in the dialog's context.
constexpr ExtraOption kExtraOptions[] = {
    {"autorotate", QT_TRANSLATE_NOOP("brevine::OptionsDialog", "自动转正照片"),
     QT_TRANSLATE_NOOP("brevine::OptionsDialog", "按照相机记录的拍摄方向（EXIF 方向）把照片转正")},
    {"keepicc", QT_TRANSLATE_NOOP("brevine::OptionsDialog", "保留色彩配置文件"),
     QT_TRANSLATE_NOOP("brevine::OptionsDialog",
                       "保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致")},
    {"folders", QT_TRANSLATE_NOOP("brevine::OptionsDialog", "处理整个文件夹"),
     QT_TRANSLATE_NOOP("brevine::OptionsDialog",
                       "拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片")},
    {"keepinfo", QT_TRANSLATE_NOOP("brevine::OptionsDialog", "保留拍摄信息"),
     QT_TRANSLATE_NOOP("brevine::OptionsDialog",
                       "保留拍摄时间、相机和镜头等信息（不含 GPS 位置）")},
};

const ExtraOption* Find(std::span<const ExtraOption> entries, const char* key) {
  for (const ExtraOption& entry : entries)
    if (std::strcmp(entry.key, key) == 0) return &entry;
  return nullptr;
}

}  // namespace

std::span<const ExtraOption> ExtraOptions() { return kExtraOptions; }

OptionsDialog::OptionsDialog(const Options& options, QWidget* parent,
                             std::span<const ExtraOption> entries)
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
  QPalette quiet = palette();
  quiet.setColor(QPalette::WindowText, QColor(0x55, 0x55, 0x55));

  // The table's order, which is the settings file's, whatever the entries' order.
  for (const OptionKey& k : OptionKeys()) {
    const auto* flag = std::get_if<FlagOption>(&k.kind);
    const ExtraOption* found = flag != nullptr ? Find(entries, k.key) : nullptr;
    if (found == nullptr) continue;
    const ExtraOption& entry = *found;
    bool Options::*field = flag->field;
    if (!rows_.empty()) layout->addSpacing(8);
    auto* box = new QCheckBox(tr(entry.label), this);
    box->setObjectName(QString::fromLatin1(entry.key));
    box->setChecked(options_.*field);
    box->setCursor(Qt::PointingHandCursor);
    box->setToolTip(tr(entry.explanation));
    auto* explanation = new QLabel(tr(entry.explanation), this);
    explanation->setObjectName(QString::fromLatin1(entry.key) + QStringLiteral("Explanation"));
    explanation->setPalette(quiet);
    explanation->setContentsMargins(indent, 0, 0, 0);
    explanation->setBuddy(box);
    layout->addWidget(box);
    layout->addWidget(explanation);
    rows_.push_back({entry.key, field, box});
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
  for (const Row& row : rows_) base.*row.field = row.box->isChecked();
  return base;
}

QCheckBox* OptionsDialog::Box(const char* key) const {
  for (const Row& row : rows_)
    if (std::strcmp(row.key, key) == 0) return row.box;
  return nullptr;
}

std::vector<const char*> OptionsDialog::ShownKeys() const {
  std::vector<const char*> keys;
  for (const Row& row : rows_) keys.push_back(row.key);
  return keys;
}

}  // namespace brevine
