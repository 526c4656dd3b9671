// The dialog of the options beyond the window's controls, on Qt's offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <string>
#include <vector>

#include "main_window.h"
#include "options_dialog.h"

using brevine::ExtraOption;
using brevine::OptionKeys;
using brevine::Options;
using brevine::OptionsDialog;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::vector<std::string> Strings(const std::vector<const char*>& keys) {
  return {keys.begin(), keys.end()};
}

// Where a key stands in the settings file, or -1.
int FilePosition(const std::string& key) {
  int i = 0;
  for (const auto& k : OptionKeys()) {
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
  void entriesThatAreNotFlagsAreSkipped();
};

void OptionsDialogTest::showsEveryListedFlagInFileOrder() {
  const Options given = NotDefaults();
  OptionsDialog dialog(given);
  const std::vector<std::string> shown = Strings(dialog.ShownKeys());

  // The list names every extra option, in the settings file's order, whether or not this
  // build has the key yet; the dialog shows exactly those it has.
  std::vector<std::string> listed;
  for (const ExtraOption& e : brevine::ExtraOptions()) listed.push_back(e.key);
  QCOMPARE(listed, (std::vector<std::string>{"autorotate", "keepicc", "folders", "keepinfo"}));
  std::vector<std::string> expected;
  for (const std::string& key : listed)
    if (FilePosition(key) >= 0) expected.push_back(key);
  QCOMPARE(shown, expected);
  for (std::size_t i = 1; i < shown.size(); ++i)
    QVERIFY(FilePosition(shown[i - 1]) < FilePosition(shown[i]));

  QCOMPARE(dialog.windowTitle(), Q("更多选项"));
  QCOMPARE(dialog.font().families(), brevine::WindowFont().families());
  QCOMPARE(Button(dialog, QDialogButtonBox::Ok)->text(), Q("确定"));
  QCOMPARE(Button(dialog, QDialogButtonBox::Cancel)->text(), Q("取消"));

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  for (const std::string& key : shown) {
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
    if (std::strcmp(key, "autorotate") == 0) continue;
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
    for (const char* key : dialog.ShownKeys()) Click(dialog.Box(key));
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

void OptionsDialogTest::entriesThatAreNotFlagsAreSkipped() {
  // A key no build has, a key that is a number, a key that is text, and two real flags
  // out of the table's order.
  const ExtraOption entries[] = {
      {"nosuchkey", "不存在", "这一项不应出现"},
      {"lapnum", "锐化强度", "数值不是开关"},
      {"AddName", "添加字符", "文字不是开关"},
      {"autorotate", "自动转正照片", "按照相机记录的拍摄方向把照片转正"},
      {"html", "简易Html输出", "每天的 HTML 文件里为每张图片追加一行链接"},
  };
  const Options given = NotDefaults();
  OptionsDialog dialog(given, nullptr, entries);
  QCOMPARE(Strings(dialog.ShownKeys()), (std::vector<std::string>{"html", "autorotate"}));
  QCOMPARE(dialog.findChildren<QCheckBox*>().size(), qsizetype{2});
  QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("nosuchkeyExplanation")) == nullptr);

  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  Click(dialog.Box("autorotate"));
  dialog.accept();
  Options expected = given;
  expected.autoRotate = true;
  QVERIFY(dialog.Values() == expected);

  // No entry at all still gives a dialog that answers with what it was given.
  OptionsDialog empty(given, nullptr, {});
  QVERIFY(empty.ShownKeys().empty());
  empty.accept();
  QVERIFY(empty.Values() == given);
}

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
