// The dialog of the options beyond the window's controls, on Qt's offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>
#include <string>
#include <vector>

#include "main_window.h"
#include "options_dialog.h"

using brevine::OptionRow;
using brevine::Options;
using brevine::OptionsDialog;
using brevine::OptionTable;
using brevine::OptionType;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::vector<std::string> Strings(const std::vector<const char*>& keys) {
  return {keys.begin(), keys.end()};
}

// Where a key stands in the settings file, or -1.
int FilePosition(const std::string& key) {
  int i = 0;
  for (const auto& k : OptionTable()) {
    if (key == k.key) return i;
    ++i;
  }
  return -1;
}

// A click on the box's indicator, where a person clicks; the box's far right, past its
// text, does not take clicks.
void Click(QCheckBox* box) {
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QPushButton* Button(OptionsDialog& dialog, QDialogButtonBox::StandardButton which) {
  return dialog.findChild<QDialogButtonBox*>()->button(which);
}

Options NotDefaults() {
  Options o;
  o.autoRotate = false;
  o.addedText = "小-";
  o.sharpenStrength = 37;
  o.html = true;
  return o;
}

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsEveryListedFlagInFileOrder();
  void okTakesTheCheckBoxes();
  void cancelAndEscapeChangeNothing();
  void rowsOfEveryKindShowTheirControl();
};

void OptionsDialogTest::showsEveryListedFlagInFileOrder() {
  const Options given = NotDefaults();
  OptionsDialog dialog(given);
  const std::vector<std::string> shown = Strings(dialog.ShownKeys());

  // Every row with a label, in the settings file's order.
  std::vector<std::string> expected;
  for (const OptionRow& row : OptionTable())
    if (row.label) expected.push_back(row.key);
  QCOMPARE(shown, expected);
  for (const char* key : {"autorotate", "keepicc", "folders", "keepinfo", "format", "keepdate"})
    QVERIFY2(FilePosition(key) >= 0 && dialog.Control(key) != nullptr, key);
  for (std::size_t i = 1; i < shown.size(); ++i)
    QVERIFY(FilePosition(shown[i - 1]) < FilePosition(shown[i]));

  QCOMPARE(dialog.windowTitle(), Q("更多选项"));
  QCOMPARE(dialog.font().families(), brevine::WindowFont().families());
  QCOMPARE(Button(dialog, QDialogButtonBox::Ok)->text(), Q("确定"));
  QCOMPARE(Button(dialog, QDialogButtonBox::Cancel)->text(), Q("取消"));

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  for (const std::string& key : shown) {
    if (brevine::FindOption(key)->type != OptionType::kFlag) continue;
    QCheckBox* box = dialog.Box(key.c_str());
    QVERIFY(box != nullptr);
    QVERIFY(!box->text().isEmpty());
    auto* line = dialog.findChild<QLabel*>(QString::fromStdString(key) + "Explanation");
    QVERIFY2(line != nullptr, key.c_str());
    // One line, drawn whole, beneath its own check box.
    QVERIFY(!line->text().contains(QLatin1Char('\n')));
    QVERIFY(line->width() >= line->sizeHint().width());
    QVERIFY(line->geometry().top() >= box->geometry().bottom());
    QVERIFY(box->width() >= box->sizeHint().width());
  }
  QCOMPARE(dialog.Box("autorotate")->isChecked(), false);
  QVERIFY(dialog.Box("lap") == nullptr);
}

void OptionsDialogTest::okTakesTheCheckBoxes() {
  const Options given = NotDefaults();
  OptionsDialog dialog(given);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCheckBox* box = dialog.Box("autorotate");
  Click(box);
  QVERIFY(box->isChecked());
  // Clicking twice on another entry leaves it as it was.
  for (const char* key : dialog.ShownKeys()) {
    if (std::strcmp(key, "autorotate") == 0 || !dialog.Box(key)) continue;
    Click(dialog.Box(key));
    Click(dialog.Box(key));
  }
  QTest::mouseClick(Button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
  QCOMPARE(dialog.result(), int{QDialog::Accepted});

  Options expected = given;
  expected.autoRotate = true;
  QVERIFY(dialog.Values() == expected);

  // Options that moved on meanwhile keep their own values but for the dialog's flags.
  Options later = given;
  later.addedText = "s-";
  later.folderName = "Resized(2)";
  Options laterExpected = later;
  laterExpected.autoRotate = true;
  QVERIFY(dialog.Values(later) == laterExpected);
}

void OptionsDialogTest::cancelAndEscapeChangeNothing() {
  const Options given = NotDefaults();
  for (bool escape : {false, true}) {
    OptionsDialog dialog(given);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char* key : dialog.ShownKeys())
      if (dialog.Box(key)) Click(dialog.Box(key));
    QVERIFY(dialog.Box("autorotate")->isChecked());
    if (escape)
      QTest::keyClick(&dialog, Qt::Key_Escape);
    else
      QTest::mouseClick(Button(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(dialog.result(), int{QDialog::Rejected});
    QVERIFY(dialog.Values() == given);
    Options later = given;
    later.sharpen = false;
    QVERIFY(dialog.Values(later) == later);
  }
}

void OptionsDialogTest::rowsOfEveryKindShowTheirControl() {
  // A choice, a number, a text, a flag, a row without label and a row of the window's own.
  const OptionRow rows[] = {
      {.section = "option",
       .key = "AddName",
       .type = OptionType::kChoice,
       .field = &Options::addedText,
       .defaultValue = "jpeg",
       .choices = "jpeg|webp|avif",
       .choiceLabels = "JPEG|WebP|AVIF",
       .label = "输出格式",
       .explanation = "选择输出文件的格式"},
      {.section = "option",
       .key = "lapnum",
       .type = OptionType::kInteger,
       .field = &Options::sharpenStrength,
       .defaultValue = "80",
       .min = 0,
       .max = 150,
       .label = "锐化强度",
       .explanation = "0 到 150"},
      {.section = "changed",
       .key = "folder",
       .type = OptionType::kText,
       .field = &Options::folderName,
       .defaultValue = "Resized",
       .label = "文件夹名称",
       .explanation = "子文件夹的名称"},
      {.section = "option",
       .key = "autorotate",
       .field = &Options::autoRotate,
       .defaultValue = "1",
       .label = "自动转正照片",
       .explanation = "按照拍摄方向转正"},
      {.section = "option", .key = "keepicc", .field = &Options::keepIcc, .defaultValue = "1"},
      {.section = "option",
       .key = "html",
       .field = &Options::html,
       .defaultValue = "0",
       .label = "简易Html输出",
       .explanation = "不应出现",
       .onWindow = true},
  };
  Options given = NotDefaults();
  given.addedText = "webp";
  OptionsDialog dialog(given, nullptr, rows);
  QCOMPARE(Strings(dialog.ShownKeys()),
           (std::vector<std::string>{"AddName", "lapnum", "folder", "autorotate"}));
  auto* list = qobject_cast<QComboBox*>(dialog.Control("AddName"));
  auto* spin = qobject_cast<QSpinBox*>(dialog.Control("lapnum"));
  auto* edit = qobject_cast<QLineEdit*>(dialog.Control("folder"));
  QVERIFY(list && spin && edit && dialog.Box("autorotate"));
  QVERIFY(dialog.Box("AddName") == nullptr);
  QCOMPARE(list->count(), 3);
  QCOMPARE(list->itemText(2), QStringLiteral("AVIF"));
  QCOMPARE(list->currentText(), QStringLiteral("WebP"));
  QCOMPARE(spin->value(), 37);
  QCOMPARE(spin->maximum(), 150);
  QCOMPARE(edit->text(), QStringLiteral("Resized"));
  QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("htmlExplanation")) == nullptr);

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  list->setCurrentIndex(2);
  spin->setValue(120);
  edit->setText(QStringLiteral("small"));
  Click(dialog.Box("autorotate"));
  dialog.accept();
  Options expected = given;
  expected.addedText = "avif";
  expected.sharpenStrength = 120;
  expected.folderName = "small";
  expected.autoRotate = true;
  QVERIFY(dialog.Values() == expected);

  // No row at all still gives a dialog that answers with what it was given.
  OptionsDialog empty(given, nullptr, {});
  QVERIFY(empty.ShownKeys().empty());
  empty.accept();
  QVERIFY(empty.Values() == given);
}

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
