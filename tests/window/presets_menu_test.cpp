// The presets in the window's right-click menu, on Qt's offscreen platform: applying one
// to the controls, saving the controls under a name, renaming and deleting, each written
// to the settings file at once with the rest of the file kept.

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include <memory>

#include "main_window.h"
#include "presets_menu.h"
#include "settings_file.h"
#include "test_images.h"

using brevine::Options;
using brevine::TForm1;
namespace test = brevine::test;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = test::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

struct Window {
  Window() {
    form = std::make_unique<TForm1>(Settings(), clock);
    form->show();
  }
  std::string Settings() const { return folder / "brevine.ini"; }

  test::TempFolder folder;
  brevine::platform::SystemClock clock;
  std::unique_ptr<TForm1> form;
};

// Right-clicks the window; its menu, or null.
QMenu* OpenMenu(TForm1& form) {
  for (QMenu* old : form.findChildren<QMenu*>(QStringLiteral("MoreOptionsMenu"))) old->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const QPoint at = form.rect().center();
  QContextMenuEvent click(QContextMenuEvent::Mouse, at, form.mapToGlobal(at));
  QApplication::sendEvent(&form, &click);
  return form.findChild<QMenu*>(QStringLiteral("MoreOptionsMenu"));
}

QAction* Entry(QMenu* menu, const char* text) {
  for (QAction* a : menu->actions())
    if (a->text() == Q(text)) return a;
  return nullptr;
}

QStringList Names(QMenu* presets) {
  QStringList names;
  for (QAction* a : presets->actions()) names << a->text();
  return names;
}

QString Message(QWidget* dialog) {
  auto* label = dialog->findChild<QLabel*>(QStringLiteral("PresetMessage"));
  return label && !label->isHidden() ? label->text() : QString();
}

}  // namespace

class PresetsMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void shippedPresetsApplyToTheControls();
  void saveStoresTheControlsAndAsksBeforeReplacing();
  void manageRenamesAndDeletes();
};

void PresetsMenuTest::shippedPresetsApplyToTheControls() {
  Window w;
  TForm1& f = *w.form;
  QMenu* menu = OpenMenu(f);
  QVERIFY(menu && Entry(menu, "更多选项…") && Entry(menu, "另存为预设…") &&
          Entry(menu, "管理预设…"));
  QAction* presets = Entry(menu, "预设");
  QVERIFY(presets && presets->menu());
  QCOMPARE(Names(presets->menu()), (QStringList{"Mail", "Web", "Small"}));
  f.ui.CheckBox1->setChecked(false);
  f.ui.Edit4->setText(QStringLiteral("keep-"));
  presets->menu()->actions()[1]->trigger();
  const Options web = f.CurrentOptions();
  QCOMPARE(web.boxPreset, 7);
  QCOMPARE(f.ui.EditPxX->text(), QStringLiteral("1920"));
  QCOMPARE(f.ui.EditPxY->text(), QStringLiteral("1920"));
  QCOMPARE(f.ui.Edit2->text(), QStringLiteral("80"));
  QVERIFY(f.ui.CheckBox1->isChecked());
  QCOMPARE(web.format, std::string("webp"));
  // What the preset does not set stays as the controls had it.
  QCOMPARE(f.ui.Edit4->text(), QStringLiteral("keep-"));
  // Reading the presets wrote nothing.
  QVERIFY(!QFile::exists(QString::fromStdString(w.Settings())));
  menu->close();
}

void PresetsMenuTest::saveStoresTheControlsAndAsksBeforeReplacing() {
  Window w;
  TForm1& f = *w.form;
  // Lines the window does not write stay where they are.
  f.ui.Edit2->setText(QStringLiteral("44"));
  brevine::SavePresetDialog dialog(w.Settings(), f.CurrentOptions(), &f);
  dialog.NameField()->setText(QStringLiteral(" [bad"));
  dialog.accept();
  QVERIFY(!Message(&dialog).isEmpty());
  QVERIFY(!QFile::exists(QString::fromStdString(w.Settings())));
  dialog.NameField()->setText(QStringLiteral(" Mine "));
  dialog.accept();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  std::vector<brevine::Preset> stored = brevine::ReadPresets(w.Settings());
  QCOMPARE(int(stored.size()), 4);
  QCOMPARE(stored.back().name, std::string("Mine"));
  QCOMPARE(brevine::ApplyPreset(stored.back(), Options{}).quality, 44);

  // The same name again: the first press asks, the second replaces.
  f.ui.Edit2->setText(QStringLiteral("55"));
  brevine::SavePresetDialog again(w.Settings(), f.CurrentOptions(), &f);
  again.NameField()->setText(QStringLiteral("mine"));
  again.accept();
  QVERIFY(Message(&again).contains(QStringLiteral("Mine")));
  QCOMPARE(brevine::ApplyPreset(brevine::ReadPresets(w.Settings()).back(), Options{}).quality, 44);
  again.accept();
  stored = brevine::ReadPresets(w.Settings());
  QCOMPARE(int(stored.size()), 4);
  QCOMPARE(stored.back().name, std::string("mine"));
  QCOMPARE(brevine::ApplyPreset(stored.back(), Options{}).quality, 55);

  // The close stores the options before the presets, which it keeps.
  f.close();
  QCOMPARE(ReadText(w.Settings()),
           brevine::FormatSettings(f.CurrentOptions()) + brevine::FormatPresets(stored));
}

void PresetsMenuTest::manageRenamesAndDeletes() {
  Window w;
  const std::string head = "[pixel]\nIndex=3\n; mine\n";
  WriteText(w.Settings(), head + "\n[preset A]\nparcent=10\n\n[preset B]\nhtml=1\n");
  brevine::ManagePresetsDialog dialog(w.Settings(), w.form.get());
  QCOMPARE(dialog.List()->count(), 2);
  dialog.List()->setCurrentRow(0);
  QVERIFY(!dialog.Rename(QStringLiteral("b")));  // taken
  QVERIFY(!Message(&dialog).isEmpty());
  QVERIFY(dialog.Rename(QStringLiteral("Alpha")));
  QCOMPARE(ReadText(w.Settings()), head + "\n[preset Alpha]\nparcent=10\n\n[preset B]\nhtml=1\n");
  dialog.List()->setCurrentRow(1);
  QVERIFY(dialog.DeleteSelected());
  QVERIFY(dialog.DeleteSelected());
  QCOMPARE(dialog.List()->count(), 0);
  // None left, and the shipped ones do not come back.
  QCOMPARE(ReadText(w.Settings()), head + "\n[presets]\n");
  QVERIFY(brevine::ReadPresets(w.Settings()).empty());
  QMenu* menu = OpenMenu(*w.form);
  QVERIFY(menu && Entry(menu, "预设"));
  QVERIFY(Names(Entry(menu, "预设")->menu()).isEmpty());
  menu->close();
}

QTEST_MAIN(PresetsMenuTest)
#include "presets_menu_test.moc"
