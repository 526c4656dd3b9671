#include "presets_menu.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "main_window.h"
#include "settings_file.h"

namespace brevine {
namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string S(const QString& text) { return text.toStdString(); }

// A line under the dialog's fields for what went wrong, hidden while nothing did.
QLabel* MessageLine(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QStringLiteral("PresetMessage"));
  label->setWordWrap(true);
  label->hide();
  return label;
}

void Say(QWidget* dialog, const QString& text) {
  if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("PresetMessage"))) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
  }
}

QString NameProblemText() {
  return SavePresetDialog::tr("名称不能为空，前后不能有空格，不能含方括号或换行，最长 64 字节。");
}

QString CannotWriteText() { return SavePresetDialog::tr("无法写入设置文件。"); }

}  // namespace

void AddPresetActions(QMenu* menu, TForm1* form) {
  const std::string path = form->SettingsPath();
  QMenu* list = menu->addMenu(SavePresetDialog::tr("预设"));
  list->setObjectName(QStringLiteral("PresetsMenu"));
  for (const Preset& preset : ReadPresets(path)) {
    // The name is the user's own text: no "&" may turn into a keyboard accelerator.
    QAction* apply = list->addAction(Q(preset.name).replace('&', QStringLiteral("&&")));
    QObject::connect(apply, &QAction::triggered, form, [form, preset] {
      form->ApplyOptions(ApplyPreset(preset, form->CurrentOptions()));
    });
  }
  QObject::connect(menu->addAction(SavePresetDialog::tr("另存为预设…")), &QAction::triggered, form,
                   [form, path] {
                     auto* dialog = new SavePresetDialog(path, form->CurrentOptions(), form);
                     dialog->setAttribute(Qt::WA_DeleteOnClose);
                     dialog->open();
                   });
  QObject::connect(menu->addAction(SavePresetDialog::tr("管理预设…")), &QAction::triggered, form,
                   [form, path] {
                     auto* dialog = new ManagePresetsDialog(path, form);
                     dialog->setAttribute(Qt::WA_DeleteOnClose);
                     dialog->open();
                   });
}

SavePresetDialog::SavePresetDialog(std::string settingsPath, Options options, QWidget* parent)
    : QDialog(parent), settingsPath_(std::move(settingsPath)), options_(std::move(options)) {
  setObjectName(QStringLiteral("SavePresetDialog"));
  setWindowTitle(tr("另存为预设"));
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(tr("预设名称："), this);
  name_ = new QLineEdit(this);
  name_->setAccessibleName(tr("预设名称"));
  label->setBuddy(name_);
  layout->addWidget(label);
  layout->addWidget(name_);
  layout->addWidget(MessageLine(this));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(tr("保存"), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &SavePresetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SavePresetDialog::reject);
  // A new name needs a new agreement to replace.
  connect(name_, &QLineEdit::textEdited, this, [this] { Say(this, {}); });
  layout->addWidget(buttons);
}

void SavePresetDialog::accept() {
  const std::string name = S(name_->text().trimmed());
  if (PresetNameProblem(name)) {
    Say(this, NameProblemText());
    return;
  }
  std::vector<Preset> presets = ReadPresets(settingsPath_);
  Preset preset = PresetOf(name, options_);
  auto same = std::find_if(presets.begin(), presets.end(),
                           [&](const Preset& p) { return SamePresetName(p.name, name); });
  if (same != presets.end()) {
    // The second press of "保存" on the same name replaces it.
    const QString ask = tr("已有名为“%1”的预设。再按“保存”即替换它。").arg(Q(same->name));
    auto* label = findChild<QLabel*>(QStringLiteral("PresetMessage"));
    if (!label || label->text() != ask || label->isHidden()) {
      Say(this, ask);
      return;
    }
    *same = std::move(preset);
  } else {
    presets.push_back(std::move(preset));
  }
  if (!WritePresets(settingsPath_, presets)) {
    Say(this, CannotWriteText());
    return;
  }
  emit stored(Q(name));
  QDialog::accept();
}

ManagePresetsDialog::ManagePresetsDialog(std::string settingsPath, QWidget* parent)
    : QDialog(parent), settingsPath_(std::move(settingsPath)) {
  setObjectName(QStringLiteral("ManagePresetsDialog"));
  setWindowTitle(tr("管理预设"));
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setAccessibleName(tr("预设"));
  layout->addWidget(list_);
  auto* nameRow = new QHBoxLayout;
  auto* label = new QLabel(tr("新名称："), this);
  auto* name = new QLineEdit(this);
  name->setObjectName(QStringLiteral("PresetNewName"));
  name->setAccessibleName(tr("新名称"));
  label->setBuddy(name);
  nameRow->addWidget(label);
  nameRow->addWidget(name);
  layout->addLayout(nameRow);
  layout->addWidget(MessageLine(this));
  auto* buttons = new QDialogButtonBox(this);
  rename_ = buttons->addButton(tr("重命名"), QDialogButtonBox::ActionRole);
  delete_ = buttons->addButton(tr("删除"), QDialogButtonBox::ActionRole);
  buttons->addButton(tr("关闭"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &ManagePresetsDialog::reject);
  connect(rename_, &QPushButton::clicked, this, [this, name] {
    if (Rename(name->text())) name->clear();
  });
  connect(delete_, &QPushButton::clicked, this, &ManagePresetsDialog::DeleteSelected);
  connect(list_, &QListWidget::currentRowChanged, this, [this, name](int row) {
    rename_->setEnabled(row >= 0);
    delete_->setEnabled(row >= 0);
    if (row >= 0) name->setText(list_->item(row)->text());
    Say(this, {});
  });
  Reload();
}

void ManagePresetsDialog::Reload() {
  presets_ = ReadPresets(settingsPath_);
  const int row = list_->currentRow();
  list_->clear();
  for (const Preset& p : presets_) list_->addItem(Q(p.name));
  list_->setCurrentRow(std::min(row, list_->count() - 1));
  rename_->setEnabled(list_->currentRow() >= 0);
  delete_->setEnabled(list_->currentRow() >= 0);
}

bool ManagePresetsDialog::Store(std::vector<Preset> presets) {
  if (!WritePresets(settingsPath_, presets)) {
    Say(this, CannotWriteText());
    return false;
  }
  Reload();
  return true;
}

bool ManagePresetsDialog::Rename(const QString& newName) {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(presets_.size())) return false;
  const std::string name = S(newName.trimmed());
  if (PresetNameProblem(name)) {
    Say(this, NameProblemText());
    return false;
  }
  const Preset* other = FindPreset(presets_, name);
  if (other && other != &presets_[static_cast<std::size_t>(row)]) {
    Say(this, tr("已有名为“%1”的预设。").arg(Q(other->name)));
    return false;
  }
  std::vector<Preset> presets = presets_;
  presets[static_cast<std::size_t>(row)].name = name;
  return Store(std::move(presets));
}

bool ManagePresetsDialog::DeleteSelected() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(presets_.size())) return false;
  std::vector<Preset> presets = presets_;
  presets.erase(presets.begin() + row);
  return Store(std::move(presets));
}

}  // namespace brevine
