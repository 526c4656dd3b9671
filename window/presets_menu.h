#pragma once
// The presets in the window's right-click menu: "预设" lists them (one applies its values to
// the controls), "另存为预设…" stores the controls under a name, "管理预设…" renames and
// deletes. The presets live in the settings file: they are read from it when the menu
// opens, and every change is written to it at once, the rest of the file kept as it is.

#include <QDialog>

#include <string>
#include <vector>

#include "presets.h"

class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace brevine {

class TForm1;

// Adds the three entries to `menu`, which belongs to `form`.
void AddPresetActions(QMenu* menu, TForm1* form);

// Asks for a name and stores the options under it (replacing a preset of that name once
// the user agrees). Opens without blocking; `stored` runs after a preset was written.
class SavePresetDialog final : public QDialog {
  Q_OBJECT

 public:
  SavePresetDialog(std::string settingsPath, Options options, QWidget* parent = nullptr);
  QLineEdit* NameField() const { return name_; }
  void accept() override;

 signals:
  void stored(const QString& name);

 private:
  std::string settingsPath_;
  Options options_;
  QLineEdit* name_;
};

// The list of presets with "重命名…" and "删除"; each change is written at once.
class ManagePresetsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ManagePresetsDialog(std::string settingsPath, QWidget* parent = nullptr);
  QListWidget* List() const { return list_; }
  // The selected preset renamed or deleted; false (with a message shown) when the name is
  // refused or the file cannot be written.
  bool Rename(const QString& newName);
  bool DeleteSelected();

 private:
  void Reload();
  bool Store(std::vector<Preset> presets);

  std::string settingsPath_;
  std::vector<Preset> presets_;
  QListWidget* list_;
  QPushButton* rename_;
  QPushButton* delete_;
};

}  // namespace brevine
