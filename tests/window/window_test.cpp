// The window on Qt's offscreen platform: controls, handlers, store and restore, dropped
// batches, and the program's start-up as a separate process.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "codecs.h"
#include "decode_worker.h"
#include "format_writers.h"
#include "main_window.h"
#include "options_dialog.h"
#include "results_dialog.h"
#include "test_images.h"
#include "window_palette.h"
#include "window_preview.h"

using brevine::Options;
using brevine::TForm1;
namespace test = brevine::test;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = test::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void WriteBmp(const std::string& path, int width = 40, int height = 30) {
  test::WriteFile(path, test::EncodeBmp24(test::MakeGradient(width, height)));
}

// One window with its settings file in a fresh folder.
struct Window {
  explicit Window(bool show = true) {
    form = std::make_unique<TForm1>(folder / "brevine.ini", clock);
    if (show) form->show();
  }
  std::string Settings() const { return folder / "brevine.ini"; }

  test::TempFolder folder;
  brevine::platform::SystemClock clock;
  std::unique_ptr<TForm1> form;
};

// What the progress bar showed while each file of a batch was processed.
struct BatchLog {
  std::vector<std::string> paths;
  std::vector<int> positions;
  std::vector<int> maximums;
};

void Follow(TForm1& form, BatchLog& log) {
  QObject::connect(&form, &TForm1::FileProcessed, &form, [&form, &log](int, const QString& path) {
    log.paths.push_back(path.toStdString());
    log.positions.push_back(form.ui.ProgressBar1->value());
    log.maximums.push_back(form.ui.ProgressBar1->maximum());
  });
}

std::vector<std::string> WriteBmps(const test::TempFolder& folder, int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    // Appended piece by piece: GCC 12 warns falsely about a literal + temporary string.
    std::string name = std::to_string(i);
    name.insert(0, 1, 'f');
    paths.push_back(folder / (name + ".bmp"));
    WriteBmp(paths.back(), 60 + 7 * i, 40 + 3 * i);
  }
  return paths;
}

std::string Resized(const std::string& bmp) {
  const auto slash = bmp.rfind('/');
  return bmp.substr(0, slash) + "/Resized" + bmp.substr(slash, bmp.size() - slash - 4) + ".jpg";
}

Options Unusual() {
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 640;
  o.boxHeight = -3;
  o.sharpen = false;
  o.sharpenStrength = 37;
  o.saturation = true;
  o.grayscale = true;
  o.progressive = true;
  o.html = true;
  o.fixedQuality = false;
  o.quality = 55;
  o.targetSize = 1200;
  o.subFolder = false;
  o.textPosition = 1;
  o.addedText = "小-";
  o.folderName = "缩小 后";
  o.autoRotate = false;
  // The options no control carries come back as well.
  o.keepInfo = true;
  o.format = "avif";
  o.keepDate = true;
  o.lang = "ko";
  return o;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void designedControlsAndPlaces();
  void firstStartShowsDefaults();
  void qualityFieldRules();
  void targetSizeAndBoxFieldRules();
  void typingSettlesAfterOneChange();
  void trackBarToolTip();
  void storeThenRestoreGivesBackEveryControl();
  void restoreAppliesTheControlsRules();
  void progressBarIsHatched();
  void previewSamplesTheBitmap();
  void dropOfThreeFilesRunsInOrder();
  void dropPassesOverTextFilesFoldersAndRemoteUrls();
  void dropDuringBatchIsAppended();
  void closeDuringBatchIsDeferred();
  void droppedBatchIsTheOneAtATimeRun();
  void controlChangedDuringBatchAppliesToFilesStartedAfter();
  void escapeDropsTheFilesNotStarted();
  void summaryAndResultsOfABatch();
  void progressToolTipNamesTheFileInWork();
  void longBatchEndedAwayIsNotified();
  void batchesReadTheirSourcesThroughDecodeWorkers();
  void droppedFolderIsWalkedOnTheBatchsSide();
  void escapeStopsAFolderWalk();
  void rightClickOpensMoreOptions();
  void moreOptionsAreStoredAndRestored();
  void moreOptionsDuringBatchApplyToFilesStartedAfter();
  void formatDropDownSwapsEachFormatsQuality();
  void keysAddPasteOpenTheMenuAndQuit();
  void designedLookUnderADarkTheme();
  void formatIsChosenInTheDialogAndNamedByTheQualityButton();
  void helpButtonWithoutHelpDoesNothing();
  void commandLineRunLeavesSettingsUnchanged();
  void launcherSwitch();
};

void WindowTest::designedControlsAndPlaces() {
  Window w(false);
  TForm1& f = *w.form;
  QCOMPARE(f.size(), QSize(480, 313));
  QCOMPARE(f.minimumSize(), f.maximumSize());
  QVERIFY(f.isWindow());

  struct Place {
    const char* name;
    QRect geometry;
    const char* text;
    const char* toolTip;
  };
  const Place places[] = {
      {"RadioGroup1", {16, 40, 241, 105}, nullptr, "请选择合适的分辨率"},
      {"EditPxX", {156, 120, 41, 20}, "300", ""},
      {"EditPxY", {212, 120, 41, 20}, "300", ""},
      {"GroupBox1", {16, 144, 241, 161}, nullptr, ""},
      {"TrackBar1", {144, 12, 94, 33}, nullptr, ""},
      {"Edit2", {152, 112, 33, 20}, "92", ""},
      {"Edit3", {152, 136, 33, 20}, "50", ""},
      {"ComboBox1", {360, 53, 88, 20}, nullptr, ""},
      {"Edit4", {360, 73, 90, 20}, "s-", ""},
      {"Edit5", {368, 112, 89, 20}, "Resize", ""},
      {"Image1", {265, 144, 200, 150}, nullptr, "您可以拖放多个Jpeg/bmp文件"},
      {"Image2", {0, 0, 480, 313}, nullptr, ""},
      {"ProgressBar1", {264, 288, 201, 17}, nullptr, ""},
      {"BitBtn2", {328, 8, 65, 33}, "帮助", "打开帮助文件"},
      {"BitBtn1", {400, 8, 65, 33}, "退出", "退出软件"},
      {"Shape1", {264, 48, 201, 97}, nullptr, ""},
      {"Bevel1", {264, 45, 201, 100}, nullptr, ""},
  };
  for (const Place& p : places) {
    QWidget* widget = f.findChild<QWidget*>(QString::fromLatin1(p.name));
    QVERIFY2(widget != nullptr, p.name);
    QCOMPARE(widget->geometry(), p.geometry);
    QCOMPARE(widget->toolTip(), Q(p.toolTip));
    if (p.text == nullptr) continue;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) QCOMPARE(edit->text(), Q(p.text));
    if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), Q(p.text));
  }
  QCOMPARE(f.ui.GroupBox1->findChild<QCheckBox*>(QStringLiteral("CheckHtml"))->text(),
           Q("简易Html输出"));
  QCOMPARE(f.ui.RadioButton2->toolTip(),
           Q("您可以指定您要保存的文件的大小！压缩率将自动为您调整."));
  QCOMPARE(f.ui.RadioButton4->parentWidget(), static_cast<QWidget*>(&f));
  QCOMPARE(f.ui.RadioButton1->parentWidget(), static_cast<QWidget*>(f.ui.GroupBox1));

  QCOMPARE(f.RadioGroup1Items.size(), std::size_t{8});
  QCOMPARE(f.RadioGroup1Items[0]->text(), Q("1280 x 1280"));
  QCOMPARE(f.RadioGroup1Items[7]->text(), QString(5, QChar(0x3000)) + QLatin1Char('x'));
  // Two columns filled top to bottom: the custom item lies under the custom fields.
  const QRect custom = f.RadioGroup1Items[7]->geometry().translated(f.ui.RadioGroup1->pos());
  QVERIFY(custom.contains(f.ui.EditPxX->geometry().center()));
  QVERIFY(f.RadioGroup1Items[3]->geometry().left() < f.RadioGroup1Items[4]->geometry().left());

  for (QWidget* hand : std::initializer_list<QWidget*>{
           f.ui.CheckBox1, f.ui.CheckHtml, f.ui.RadioButton3, f.ui.ComboBox1, f.ui.BitBtn1,
           f.ui.BitBtn2, f.RadioGroup1Items[5]})
    QCOMPARE(hand->cursor().shape(), Qt::PointingHandCursor);
  // Tab reaches the header's buttons; a click leaves the focus where it was.
  for (QWidget* button : {static_cast<QWidget*>(f.ui.OptionsButton),
                          static_cast<QWidget*>(f.ui.BitBtn2), static_cast<QWidget*>(f.ui.BitBtn1)})
    QCOMPARE(button->focusPolicy(), Qt::TabFocus);
  QCOMPARE(f.ui.EditPxX->nextInFocusChain(), static_cast<QWidget*>(f.ui.EditPxY));
  QCOMPARE(f.ui.Edit2->nextInFocusChain(), static_cast<QWidget*>(f.ui.ComboFormat));
  QCOMPARE(f.ui.Edit3->nextInFocusChain(), static_cast<QWidget*>(f.ui.RadioButton3));
  // The two additions lie in the room the design left: beside Edit2 inside its group, and
  // in the header before the help button.
  QCOMPARE(f.ui.ComboFormat->parentWidget(), static_cast<QWidget*>(f.ui.GroupBox1));
  QVERIFY(f.ui.ComboFormat->x() > f.ui.Edit2->geometry().right());
  QVERIFY(f.ui.ComboFormat->geometry().right() < f.ui.GroupBox1->width() - 1);
  QVERIFY(f.ui.OptionsButton->geometry().right() < f.ui.BitBtn2->x());
  QVERIFY(f.ui.OptionsButton->x() > f.ui.Label7->geometry().right());

  // Design-time state, before the first show restores the options: the design's own
  // texts, which the stored defaults replace (150, not 300; "Resized", not "Resize").
  QVERIFY(f.RadioGroup1Items[0]->isChecked());
  QCOMPARE(f.ui.EditPxX->text(), Q("300"));
  QCOMPARE(f.ui.EditPxY->text(), Q("300"));
  QCOMPARE(f.ui.Edit2->text(), Q("92"));
  QCOMPARE(f.ui.Edit3->text(), Q("50"));
  QCOMPARE(f.ui.Edit4->text(), Q("s-"));
  QCOMPARE(f.ui.Edit5->text(), Q("Resize"));
  QCOMPARE(f.ui.TrackBar1->value(), 50);
  QCOMPARE(f.ui.TrackBar1->maximum(), 150);
  QCOMPARE(f.ui.TrackBar1->toolTip(), QString());
  QVERIFY(f.ui.RadioButton1->isChecked());
  QVERIFY(f.ui.RadioButton4->isChecked());
  QVERIFY(!f.acceptDrops());
}

void WindowTest::firstStartShowsDefaults() {
  Window w;
  TForm1& f = *w.form;
  QVERIFY(!Exists(w.Settings()));
  QCOMPARE(f.CurrentOptions().boxPreset, 0);
  QVERIFY(f.RadioGroup1Items[0]->isChecked());
  QCOMPARE(f.ui.EditPxX->text(), Q("150"));
  QCOMPARE(f.ui.EditPxY->text(), Q("150"));
  QVERIFY(f.ui.CheckBox1->isChecked());
  QCOMPARE(f.ui.TrackBar1->value(), 80);
  QCOMPARE(f.ui.TrackBar1->toolTip(), Q("百分比为:80%"));
  QVERIFY(!f.ui.CheckBox2->isChecked());
  QVERIFY(!f.ui.CheckBox3->isChecked());
  QVERIFY(!f.ui.CheckBox4->isChecked());
  QVERIFY(!f.ui.CheckHtml->isChecked());
  QVERIFY(f.ui.RadioButton1->isChecked() && !f.ui.RadioButton2->isChecked());
  QCOMPARE(f.ui.Edit2->text(), Q("92"));
  QCOMPARE(f.ui.Edit3->text(), Q("50"));
  QVERIFY(f.ui.RadioButton4->isChecked() && !f.ui.RadioButton3->isChecked());
  QCOMPARE(f.ui.ComboBox1->currentIndex(), 0);
  QCOMPARE(f.ui.Edit4->text(), Q("s-"));
  QCOMPARE(f.ui.Edit5->text(), Q("Resized"));
  QVERIFY(f.CurrentOptions().autoRotate);
  QVERIFY(f.acceptDrops());
  QCOMPARE(f.CurrentOptions(), Options{});
  // Showing restores; only closing stores.
  QVERIFY(!Exists(w.Settings()));
}

void WindowTest::qualityFieldRules() {
  Window w;
  QLineEdit* edit = w.form->ui.Edit2;
  const std::pair<const char*, const char*> cases[] = {
      {"", "90"},  {"0", "1"},     {"250", "100"}, {"abc", "90"}, {"007", "7"},
      {"-5", "1"}, {"100", "100"}, {" 42", "42"},  {"+8", "8"},   {"1.5", "90"}};
  for (const auto& [typed, shown] : cases) {
    edit->setText(Q(typed));
    QCOMPARE(edit->text(), Q(shown));
    QCOMPARE(w.form->CurrentOptions().quality, std::stoi(shown));
  }
}

void WindowTest::targetSizeAndBoxFieldRules() {
  Window w;
  TForm1& f = *w.form;
  const std::pair<const char*, const char*> sizes[] = {
      {"", "50"}, {"-4", "1"}, {"0", "1"}, {"5000", "5000"}, {"x1", "50"}};
  for (const auto& [typed, shown] : sizes) {
    f.ui.Edit3->setText(Q(typed));
    QCOMPARE(f.ui.Edit3->text(), Q(shown));
  }
  const std::pair<const char*, const char*> boxes[] = {
      {"abc", "300"}, {"0", "0"}, {"-20", "-20"}, {"", "300"}, {"0099", "99"}, {"99999", "99999"}};
  for (QLineEdit* edit : {f.ui.EditPxX, f.ui.EditPxY}) {
    for (const auto& [typed, shown] : boxes) {
      edit->setText(Q(typed));
      QCOMPARE(edit->text(), Q(shown));
    }
  }
  QCOMPARE(f.CurrentOptions().boxWidth, 99999);
}

void WindowTest::typingSettlesAfterOneChange() {
  Window w;
  QLineEdit* edit = w.form->ui.Edit2;
  QSignalSpy changes(edit, &QLineEdit::textChanged);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  // Emptied, the field turns into "90" at once: two notifications, then quiet.
  QCOMPARE(edit->text(), Q("90"));
  QCOMPARE(changes.count(), 2);
  edit->selectAll();
  QTest::keyClicks(edit, "250");  // "2", "25", "250" -> "100"
  QCOMPARE(edit->text(), Q("100"));
}

void WindowTest::trackBarToolTip() {
  Window w;
  TForm1& f = *w.form;
  f.ui.TrackBar1->setValue(120);
  QCOMPARE(f.ui.TrackBar1->toolTip(), Q("百分比为:120%"));
  QCOMPARE(f.CurrentOptions().sharpenStrength, 120);
  f.ui.TrackBar1->setValue(400);
  QCOMPARE(f.ui.TrackBar1->value(), 150);
  QCOMPARE(f.ui.TrackBar1->toolTip(), Q("百分比为:150%"));

  // A stored 50 equals the designed position: no change, so no tool-tip until moved.
  Window stored(false);
  WriteText(stored.Settings(), "[option]\nlapnum=50\n");
  stored.form->show();
  QCOMPARE(stored.form->ui.TrackBar1->value(), 50);
  QCOMPARE(stored.form->ui.TrackBar1->toolTip(), QString());
  QTest::keyClick(stored.form->ui.TrackBar1, Qt::Key_Right);
  QCOMPARE(stored.form->ui.TrackBar1->toolTip(), Q("百分比为:51%"));
}

void WindowTest::storeThenRestoreGivesBackEveryControl() {
  Window first;
  first.form->ApplyOptions(Unusual());
  QCOMPARE(first.form->CurrentOptions(), Unusual());
  QTest::mouseClick(first.form->ui.BitBtn1, Qt::LeftButton);  // the exit button closes
  QVERIFY(!first.form->isVisible());
  // The options, then the presets: the shipped ones, first stored at this close.
  QCOMPARE(ReadText(first.Settings()),
           brevine::FormatSettings(Unusual()) + brevine::FormatPresets(brevine::ShippedPresets()));

  auto second = std::make_unique<TForm1>(first.Settings(), first.clock);
  second->show();
  QCOMPARE(second->CurrentOptions(), Unusual());
  QVERIFY(second->RadioGroup1Items[7]->isChecked());
  QVERIFY(second->ui.RadioButton2->isChecked() && second->ui.RadioButton3->isChecked());
  QCOMPARE(second->ui.Edit5->text(), Q("缩小 后"));
  QVERIFY(!second->CurrentOptions().autoRotate);

  // Every change made in the window reaches the file on close.
  second->ui.CheckBox3->setChecked(false);
  second->ui.ComboBox1->setCurrentIndex(0);
  second->RadioGroup1Items[2]->setChecked(true);
  QVERIFY(second->close());
  Options expected = Unusual();
  expected.grayscale = false;
  expected.textPosition = 0;
  expected.boxPreset = 2;
  QCOMPARE(brevine::ReadSettingsFile(first.Settings()), expected);
}

void WindowTest::restoreAppliesTheControlsRules() {
  {
    Window w(false);
    WriteText(w.Settings(),
              "[pixel]\nIndex=-1\nx=abc\ny=\n[option]\nlapnum=500\njpeg=0\nparcent=200\n"
              "FileSize=-7\n[changed]\nsave=0\nAfterBefore=3\n");
    w.form->show();
    TForm1& f = *w.form;
    QCOMPARE(f.CurrentOptions().boxPreset, -1);
    for (QRadioButton* item : f.RadioGroup1Items) QVERIFY(!item->isChecked());
    QCOMPARE(f.ui.EditPxX->text(), Q("300"));
    QCOMPARE(f.ui.EditPxY->text(), Q("300"));
    QCOMPARE(f.ui.TrackBar1->value(), 150);
    QCOMPARE(f.ui.TrackBar1->toolTip(), Q("百分比为:150%"));
    QVERIFY(f.ui.RadioButton2->isChecked() && !f.ui.RadioButton1->isChecked());
    QVERIFY(!f.CurrentOptions().fixedQuality);
    QCOMPARE(f.ui.Edit2->text(), Q("100"));
    QCOMPARE(f.ui.Edit3->text(), Q("1"));
    QVERIFY(f.ui.RadioButton3->isChecked() && !f.ui.RadioButton4->isChecked());
    QVERIFY(!f.CurrentOptions().subFolder);
    QCOMPARE(f.ui.ComboBox1->currentIndex(), -1);
    QCOMPARE(f.CurrentOptions().textPosition, -1);
    // Stored as restored: the empty selections survive a close.
    QVERIFY(f.close());
    const Options back = brevine::ReadSettingsFile(w.Settings());
    QCOMPARE(back.boxPreset, -1);
    QCOMPARE(back.textPosition, -1);
  }
  {
    Window w(false);
    WriteText(w.Settings(), "[pixel]\nIndex=12\n[option]\nlapnum=-9\njpeg=1\n[changed]\nsave=1\n");
    w.form->show();
    QCOMPARE(w.form->CurrentOptions().boxPreset, 7);
    QCOMPARE(w.form->ui.TrackBar1->value(), 0);
    QVERIFY(w.form->ui.RadioButton1->isChecked() && !w.form->ui.RadioButton2->isChecked());
    QVERIFY(w.form->ui.RadioButton4->isChecked() && !w.form->ui.RadioButton3->isChecked());
  }
}

void WindowTest::progressBarIsHatched() {
  Window w(false);
  const QColor hatch(0x71, 0xB3, 0x3C);
  const auto countHatch = [&](QWidget* bar) {
    const QImage image = bar->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == hatch;
    return n;
  };
  QCOMPARE(countHatch(w.form->ui.ProgressBar1), 0);  // the brush comes with the first show
  w.form->show();
  const int hatched = countHatch(w.form->ui.ProgressBar1);
  QVERIFY2(hatched > 200, qPrintable(QString::number(hatched)));
  // A cross-hatch, not a fill: most of the bar stays background.
  QVERIFY(hatched < 201 * 17 / 2);
}

void WindowTest::previewSamplesTheBitmap() {
  // Four quadrants in blue-green-red byte order: the preview must come out as RGB.
  brevine::WorkBitmap bitmap(2, 2);
  const std::uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {10, 20, 30}};
  for (int i = 0; i < 4; ++i) {
    std::uint8_t* p = bitmap.Row(i / 2) + (i % 2) * 3;
    p[0] = colours[i][0];
    p[1] = colours[i][1];
    p[2] = colours[i][2];
  }
  const QImage preview = brevine::PreviewImage(bitmap, 200, 150);
  QCOMPARE(preview.size(), QSize(200, 150));
  QCOMPARE(preview.pixelColor(0, 0), QColor(255, 0, 0));
  QCOMPARE(preview.pixelColor(199, 0), QColor(0, 255, 0));
  QCOMPARE(preview.pixelColor(0, 149), QColor(0, 0, 255));
  QCOMPARE(preview.pixelColor(199, 149), QColor(30, 20, 10));
  QCOMPARE(preview.pixelColor(99, 74), QColor(255, 0, 0));
  QCOMPARE(preview.pixelColor(100, 75), QColor(30, 20, 10));
  QVERIFY(brevine::PreviewImage(brevine::WorkBitmap(), 200, 150).isNull());
}

void WindowTest::dropOfThreeFilesRunsInOrder() {
  Window w;
  TForm1& f = *w.form;
  const std::vector<std::string> files = {w.folder / "c.bmp", w.folder / "a.bmp",
                                          w.folder / "b.bmp"};
  for (const std::string& file : files) WriteBmp(file);
  BatchLog log;
  Follow(f, log);
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  // The worker posts the preview before the file can be committed.
  bool previewShown = false;
  QObject::connect(&f, &TForm1::FileProcessed, &f, [&](int index, const QString&) {
    if (index == 0) previewShown = f.ui.Image1->isVisibleTo(&f) && !f.ui.Image1->pixmap().isNull();
  });

  f.DropFiles(files);
  // The batch starts after the drop has been handled.
  QVERIFY(log.paths.empty());
  QVERIFY(f.BatchRunning());
  QVERIFY(finished.wait(30000));

  QCOMPARE(log.paths, files);
  QVERIFY(previewShown);
  // The bar counts the committed files.
  QCOMPARE(log.positions, (std::vector<int>{1, 2, 3}));
  QCOMPARE(log.maximums, (std::vector<int>{3, 3, 3}));
  QCOMPARE(f.ui.ProgressBar1->value(), 0);
  QCOMPARE(f.ui.ProgressBar1->maximum(), 3);
  QVERIFY(!f.BatchRunning());
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
    QVERIFY2(Exists(w.folder / (std::string("Resized/") + name)), name);
  // The preview is hidden when the batch ends.
  QVERIFY(f.ui.Image1->isHidden());
  QVERIFY(!f.ui.Image1->pixmap().isNull());
  QCOMPARE(f.ui.Image1->pixmap().size(), QSize(200, 150));
}

void WindowTest::dropPassesOverTextFilesFoldersAndRemoteUrls() {
  Window w;
  TForm1& f = *w.form;
  WriteText(w.folder / "notes.txt", "not a picture");
  QVERIFY(mkdir((w.folder / "album.jpg").c_str(), 0755) == 0);
  WriteText(w.folder / "fake.bmp", "BM but not really");
  WriteBmp(w.folder / "last photo.bmp");
  BatchLog log;
  Follow(f, log);
  QSignalSpy finished(&f, &TForm1::BatchFinished);

  // A real drop event carrying a uri-list, as a file manager sends it.
  QMimeData data;
  const QByteArray list =
      "file://" + QUrl::toPercentEncoding(QString::fromStdString(w.folder / "notes.txt"), "/") +
      "\r\nhttp://example.com/remote.jpg\r\nfile://" +
      QUrl::toPercentEncoding(QString::fromStdString(w.folder / "album.jpg"), "/") + "\r\nfile://" +
      QUrl::toPercentEncoding(QString::fromStdString(w.folder / "fake.bmp"), "/") + "\r\nfile://" +
      QUrl::toPercentEncoding(QString::fromStdString(w.folder / "last photo.bmp"), "/") + "\r\n";
  data.setData(QStringLiteral("text/uri-list"), list);
  QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  // Delivered to the window's own handler: outside a real drag, QApplication would not
  // route a drop without a drag manager behind it.
  static_cast<QObject&>(f).event(&drop);
  QVERIFY(drop.isAccepted());
  QVERIFY(finished.wait(30000));

  QCOMPARE(log.paths,
           (std::vector<std::string>{w.folder / "notes.txt", w.folder / "album.jpg",
                                     w.folder / "fake.bmp", w.folder / "last photo.bmp"}));
  QCOMPARE(log.positions, (std::vector<int>{1, 2, 3, 4}));
  QVERIFY(Exists(w.folder / "Resized/last photo.jpg"));
  QVERIFY(!Exists(w.folder / "Resized/notes.jpg"));
  QVERIFY(!Exists(w.folder / "Resized/album.jpg"));
  QVERIFY(!Exists(w.folder / "Resized/fake.jpg"));
  QCOMPARE(f.ui.ProgressBar1->value(), 0);
}

void WindowTest::dropDuringBatchIsAppended() {
  for (const int jobs : {1, 3}) {
    Window w;
    TForm1& f = *w.form;
    f.SetJobs(jobs);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) WriteBmp(w.folder / name);
    BatchLog log;
    Follow(f, log);
    QSignalSpy finished(&f, &TForm1::BatchFinished);

    // A real drop event while the batch's second file starts, so before its end.
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 QByteArray("file://") + QByteArray::fromStdString(w.folder / "c.bmp") +
                     "\r\nfile://" + QByteArray::fromStdString(w.folder / "d.bmp") + "\r\n");
    QObject::connect(&f, &TForm1::FileStarted, &f, [&](int index, const QString&) {
      if (index != 1) return;
      QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      static_cast<QObject&>(f).event(&drop);
    });
    f.DropFiles({w.folder / "a.bmp", w.folder / "b.bmp"});
    QVERIFY(finished.wait(30000));
    QTest::qWait(50);

    QCOMPARE(finished.count(), 1);  // one batch, not a second one
    QCOMPARE(log.paths, (std::vector<std::string>{w.folder / "a.bmp", w.folder / "b.bmp",
                                                  w.folder / "c.bmp", w.folder / "d.bmp"}));
    QCOMPARE(log.positions, (std::vector<int>{1, 2, 3, 4}));
    // One at a time, the first file is done before the second starts.
    if (jobs == 1) QCOMPARE(log.maximums, (std::vector<int>{2, 4, 4, 4}));
    QCOMPARE(f.ui.ProgressBar1->maximum(), 4);
    QCOMPARE(f.ui.ProgressBar1->value(), 0);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
      QVERIFY2(Exists(w.folder / (std::string("Resized/") + name)), name);
  }
}

void WindowTest::closeDuringBatchIsDeferred() {
  Window w;
  TForm1& f = *w.form;
  f.SetJobs(3);
  const std::vector<std::string> files = WriteBmps(w.folder, 5);
  f.ui.CheckBox2->setChecked(true);  // a change that must reach the settings file
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  bool closedAtOnce = true;
  bool visibleAfterRequest = false;
  std::set<int> started;
  QObject::connect(&f, &TForm1::FileStarted, &f, [&](int index, const QString&) {
    started.insert(index);
    if (started.size() != 2) return;
    closedAtOnce = f.close();
    visibleAfterRequest = f.isVisible();
  });
  f.DropFiles(files);
  QVERIFY(finished.wait(30000));

  QVERIFY(!closedAtOnce);
  QVERIFY(visibleAfterRequest);
  QVERIFY(!f.isVisible());
  // The files in work when the close came were finished; no other was started.
  QCOMPARE(started.size(), std::size_t{2});
  for (int i = 0; i < 5; ++i) QCOMPARE(Exists(Resized(files[i])), started.count(i) == 1);
  // Closed normally: the options were stored.
  QVERIFY(brevine::ReadSettingsFile(w.Settings()).saturation);
  // A closed window takes no drops.
  f.DropFiles({files[4]});
  QVERIFY(!f.BatchRunning());
}

// Right-clicks `target` and picks the menu's one entry; the dialog it opens, or null.
brevine::OptionsDialog* OpenMoreOptions(TForm1& form, QWidget* target) {
  const QPoint at = target->rect().center();
  QContextMenuEvent click(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
  QApplication::sendEvent(target, &click);
  auto* menu = form.findChild<QMenu*>(QStringLiteral("MoreOptionsMenu"));
  if (menu == nullptr || !menu->isVisible()) return nullptr;
  QAction* more = nullptr;
  for (QAction* action : menu->actions())
    if (action->text() == Q("更多选项…")) more = action;
  if (more == nullptr) return nullptr;
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(more).center());
  if (menu->isVisible()) return nullptr;
  return form.findChild<brevine::OptionsDialog*>();
}

void Choose(brevine::OptionsDialog& dialog, const char* key, bool on, bool accept) {
  dialog.Box(key)->setChecked(on);
  if (accept)
    dialog.accept();
  else
    dialog.reject();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The width and height the JPEG's frame header declares.
QSize JpegSize(const std::string& jpeg) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
      auto at = [&](std::size_t k) { return static_cast<unsigned char>(jpeg[i + k]); };
      return {at(7) * 256 + at(8), at(5) * 256 + at(6)};
    }
  }
  return {};
}

// A JPEG whose EXIF note says "turn 90 degrees clockwise to view".
void WriteSidewaysJpeg(const std::string& path, int width, int height) {
  brevine::TJPEGImage jpeg;
  jpeg.TakeBitmap(test::MakePhotoLike(width, height));
  jpeg.SetQuality(90);
  jpeg.EncodeJpeg();
  std::vector<std::uint8_t> bytes = jpeg.Data().bytes;
  const std::vector<std::uint8_t> app1 = {
      0xFF, 0xE1, 0,    34,   'E', 'x', 'i', 'f', 0, 0,              // marker, length, name
      'I',  'I',  42,   0,    8,   0,   0,   0,                      // TIFF header, IFD0 at 8
      1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 6, 0, 0, 0,  // one entry: Orientation
      0,    0,    0,    0};                                          // no next IFD
  bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());
  test::WriteFile(path, bytes);
}

void WindowTest::rightClickOpensMoreOptions() {
  Window w;
  TForm1& f = *w.form;
  std::map<QString, QRect> places;
  for (QWidget* child : f.findChildren<QWidget*>()) places[child->objectName()] = child->geometry();
  const Options before = f.CurrentOptions();

  // Wherever the click lands on a control without a menu of its own, the window's comes.
  for (QWidget* target :
       std::initializer_list<QWidget*>{f.ui.CheckBox3, f.ui.Image2, f.ui.ProgressBar1}) {
    brevine::OptionsDialog* dialog = OpenMoreOptions(f, target);
    QVERIFY2(dialog != nullptr, qPrintable(target->objectName()));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(dialog->Box("autorotate")->isChecked());
    Choose(*dialog, "autorotate", false, false);
    QVERIFY(f.findChild<brevine::OptionsDialog*>() == nullptr);
    QCOMPARE(f.CurrentOptions(), before);
  }

  brevine::OptionsDialog* dialog = OpenMoreOptions(f, f.ui.GroupBox1);
  QVERIFY(dialog != nullptr);
  // Asked again while open, the window keeps the one dialog.
  f.ShowMoreOptions();
  QCOMPARE(f.findChildren<brevine::OptionsDialog*>().size(), qsizetype{1});
  Choose(*dialog, "autorotate", false, true);
  Options expected = before;
  expected.autoRotate = false;
  QCOMPARE(f.CurrentOptions(), expected);
  QVERIFY(!f.CurrentOptions().autoRotate);

  // The fixed design: nothing moved, nothing added to it.
  QCOMPARE(f.size(), QSize(480, 313));
  QCOMPARE(f.minimumSize(), f.maximumSize());
  std::map<QString, QRect> after;
  for (QWidget* child : f.findChildren<QWidget*>()) after[child->objectName()] = child->geometry();
  QCOMPARE(after, places);
}

void WindowTest::moreOptionsAreStoredAndRestored() {
  Window first;
  first.form->ApplyOptions(Unusual());
  brevine::OptionsDialog* dialog = OpenMoreOptions(*first.form, first.form->ui.Image2);
  QVERIFY(dialog != nullptr);
  QVERIFY(!dialog->Box("autorotate")->isChecked());  // restored values are what it shows
  Choose(*dialog, "autorotate", true, true);
  QVERIFY(first.form->close());
  Options expected = Unusual();
  expected.autoRotate = true;
  QCOMPARE(ReadText(first.Settings()),
           brevine::FormatSettings(expected) + brevine::FormatPresets(brevine::ShippedPresets()));

  // A choice still open when the window closes was not made.
  auto second = std::make_unique<TForm1>(first.Settings(), first.clock);
  second->show();
  dialog = OpenMoreOptions(*second, second->ui.Image2);
  QVERIFY(dialog != nullptr);
  QVERIFY(dialog->Box("autorotate")->isChecked());
  dialog->Box("autorotate")->setChecked(false);
  QVERIFY(second->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(second->findChild<brevine::OptionsDialog*>() == nullptr);
  QCOMPARE(brevine::ReadSettingsFile(first.Settings()), expected);
  // Nor does a closed window offer the dialog again.
  second->ShowMoreOptions();
  QVERIFY(second->findChild<brevine::OptionsDialog*>() == nullptr);
}

void WindowTest::formatIsChosenInTheDialogAndNamedByTheQualityButton() {
  Window w;
  TForm1& f = *w.form;
  QCOMPARE(f.ui.RadioButton1->text(), Q("指定JPEG压缩率(%)"));
  const std::pair<const char*, const char*> choices[] = {{"webp", "指定WebP压缩率(%)"},
                                                         {"avif", "指定AVIF压缩率(%)"},
                                                         {"jxl", "指定JXL压缩率(%)"},
                                                         {"jpeg", "指定JPEG压缩率(%)"}};
  for (const auto& [format, label] : choices) {
    brevine::OptionsDialog* dialog = OpenMoreOptions(f, f.ui.Image2);
    QVERIFY(dialog != nullptr);
    auto* list = qobject_cast<QComboBox*>(dialog->Control("format"));
    QVERIFY(list != nullptr);
    QCOMPARE(list->count(), 4);
    list->setCurrentIndex(list->findData(Q(format)));
    dialog->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(f.CurrentOptions().format, std::string(format));
    QCOMPARE(f.ui.RadioButton1->text(), Q(label));
  }

  // A dropped file is written in the chosen format, under its extension.
  f.ApplyOptions(brevine::ParseSettings("[option]\nformat=webp\nlap=0\n"));
  QCOMPARE(f.ui.RadioButton1->text(), Q("指定WebP压缩率(%)"));
  const std::string photo = w.folder / "photo.bmp";
  WriteBmp(photo);
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles({photo});
  QVERIFY(finished.wait(30000));
  QVERIFY(Exists(w.folder / "Resized/photo.webp"));
  QVERIFY(!Exists(w.folder / "Resized/photo.jpg"));
}

void WindowTest::formatDropDownSwapsEachFormatsQuality() {
  Window w;
  TForm1& f = *w.form;
  QComboBox* format = f.ui.ComboFormat;
  QCOMPARE(format->currentText(), Q("JPEG"));
  // Every format the option takes; JPEG XL by its short name in the narrow box.
  QCOMPARE(format->count(), 4);
  QCOMPARE(format->itemText(3), Q("JXL"));
  QCOMPARE(format->itemData(3, Qt::ToolTipRole).toString(), Q("JPEG XL"));
  QVERIFY(f.ui.CheckBox4->isEnabled());
  f.ui.CheckBox4->setChecked(true);
  f.ui.Edit2->setText(Q("85"));

  // From the keyboard, as a person goes down the list: each format shows its own quality.
  QTest::keyClick(format, Qt::Key_Down);
  QCOMPARE(format->currentText(), Q("WebP"));
  QCOMPARE(f.ui.Edit2->text(), Q("80"));
  QCOMPARE(f.ui.RadioButton1->text(), Q("指定WebP压缩率(%)"));
  QVERIFY(!f.ui.CheckBox4->isEnabled());  // progressive is JPEG's
  QVERIFY(f.ui.CheckBox4->isChecked());   // and kept for it
  f.ui.Edit2->setText(Q("250"));          // the field's rule holds for every format
  QCOMPARE(f.ui.Edit2->text(), Q("100"));
  f.ui.Edit2->setText(Q("70"));
  QTest::keyClick(format, Qt::Key_Down);
  QCOMPARE(f.ui.Edit2->text(), Q("60"));
  QCOMPARE(f.CurrentOptions().format, std::string("avif"));
  QTest::keyClick(format, Qt::Key_Down);
  QCOMPARE(f.ui.Edit2->text(), Q("75"));
  QCOMPARE(f.ui.RadioButton1->text(), Q("指定JXL压缩率(%)"));
  QVERIFY(!f.ui.CheckBox4->isEnabled());
  f.ui.Edit2->setText(Q("66"));
  QTest::keyClick(format, Qt::Key_Up);
  QCOMPARE(f.ui.Edit2->text(), Q("60"));
  QTest::keyClick(format, Qt::Key_Down);
  QCOMPARE(f.ui.Edit2->text(), Q("66"));
  QTest::keyClick(format, Qt::Key_Up);
  QTest::keyClick(format, Qt::Key_Up);
  QCOMPARE(f.ui.Edit2->text(), Q("70"));
  QTest::keyClick(format, Qt::Key_Up);
  QCOMPARE(f.ui.Edit2->text(), Q("85"));
  QVERIFY(f.ui.CheckBox4->isEnabled());
  Options o = f.CurrentOptions();
  QCOMPARE(o.quality, 85);
  QCOMPARE(o.webpQuality, 70);
  QCOMPARE(o.avifQuality, 60);
  QCOMPARE(o.jxlQuality, 66);

  // The dialog's format row and the drop-down are one option.
  brevine::OptionsDialog* dialog = OpenMoreOptions(f, f.ui.Image2);
  QVERIFY(dialog != nullptr);
  auto* row = qobject_cast<QComboBox*>(dialog->Control("format"));
  QCOMPARE(row->currentData().toString(), Q("jpeg"));
  row->setCurrentIndex(row->findData(Q("webp")));
  dialog->accept();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(format->currentText(), Q("WebP"));
  QCOMPARE(f.ui.Edit2->text(), Q("70"));

  // Stored on close, each under its key; AVIF's default is not written.
  QVERIFY(f.close());
  const std::string stored = ReadText(w.Settings());
  QVERIFY(stored.find("\nparcent=85\n") != std::string::npos);
  QVERIFY(stored.find("\nformat=webp\nwebpquality=70\njxlquality=66\nraw=") != std::string::npos);
  auto again = std::make_unique<TForm1>(w.Settings(), w.clock);
  again->show();
  QCOMPARE(again->ui.ComboFormat->currentText(), Q("WebP"));
  QCOMPARE(again->ui.Edit2->text(), Q("70"));
  QVERIFY(!again->ui.CheckBox4->isEnabled());
  QCOMPARE(again->CurrentOptions().quality, 85);
}

void WindowTest::keysAddPasteOpenTheMenuAndQuit() {
  Window w;
  TForm1& f = *w.form;
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  for (const char* name : {"a.bmp", "b.bmp", "c d.bmp"}) WriteBmp(w.folder / name);
  int asked = 0;
  QStringList folders;
  f.Desktop().choosePhotos = [&](QWidget* parent, const QString& folder) {
    ++asked;
    folders << folder;
    return parent == &f ? QStringList{QString::fromStdString(w.folder / "b.bmp"),
                                      QString::fromStdString(w.folder / "a.bmp")}
                        : QStringList{};
  };
  BatchLog log;
  Follow(f, log);
  QSignalSpy finished(&f, &TForm1::BatchFinished);

  // Ctrl+O: the chosen photos start a batch as a drop does, in the order chosen.
  f.ui.CheckBox1->setFocus();
  QTest::keyClick(f.ui.CheckBox1, Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(asked, 1);
  QVERIFY(f.BatchRunning());
  QVERIFY(finished.wait(30000));
  QCOMPARE(log.paths, (std::vector<std::string>{w.folder / "b.bmp", w.folder / "a.bmp"}));
  QVERIFY(Exists(w.folder / "Resized/a.jpg"));
  // A dialog closed without a choice starts nothing. The dialog opens where the last
  // photos were chosen.
  f.Desktop().choosePhotos = [&](QWidget*, const QString& folder) {
    folders << folder;
    return QStringList{};
  };
  QTest::keyClick(f.ui.CheckBox1, Qt::Key_O, Qt::ControlModifier);
  QVERIFY(!f.BatchRunning());
  QCOMPARE(folders.size(), 2);
  QVERIFY(!folders[0].isEmpty());
  QCOMPARE(folders[1], QString::fromStdString(w.folder.Path()));

  // Ctrl+V: files copied in a file manager, as a URI list or as GNOME's copied files.
  const QByteArray uri =
      "file://" + QUrl::toPercentEncoding(QString::fromStdString(w.folder / "c d.bmp"), "/");
  auto* copied = new QMimeData;
  copied->setData(QStringLiteral("text/uri-list"), uri + "\r\n");
  QGuiApplication::clipboard()->setMimeData(copied);
  log.paths.clear();
  QTest::keyClick(f.ui.CheckBox1, Qt::Key_V, Qt::ControlModifier);
  QVERIFY(finished.wait(30000));
  QCOMPARE(log.paths, std::vector<std::string>{w.folder / "c d.bmp"});
  QVERIFY(Exists(w.folder / "Resized/c d.jpg"));
  QMimeData gnome;
  gnome.setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + uri);
  QCOMPARE(brevine::LocalPathsOf(gnome), std::vector<std::string>{w.folder / "c d.bmp"});
  // In a text field Ctrl+V pastes text, as it always did.
  QGuiApplication::clipboard()->setText(Q("-web"));
  f.ui.Edit4->setFocus();
  f.ui.Edit4->selectAll();
  QTest::keyClick(f.ui.Edit4, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(f.ui.Edit4->text(), Q("-web"));
  QVERIFY(!f.BatchRunning());

  // Shift+F10 opens the window's menu at the focused control, with the keys it offers.
  f.ui.CheckBox1->setFocus();
  QTest::keyClick(f.ui.CheckBox1, Qt::Key_F10, Qt::ShiftModifier);
  auto* menu = f.findChild<QMenu*>(QStringLiteral("MoreOptionsMenu"));
  QVERIFY(menu != nullptr && menu->isVisible());
  QStringList entries;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) entries << action->text();
  // The presets follow the window's own entries.
  QCOMPARE(entries.mid(0, 4),
           (QStringList{Q("添加照片…"), Q("粘贴照片"), Q("结果…"), Q("更多选项…")}));
  QCOMPARE(menu->actions().front()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  QVERIFY(!menu->actions()[1]->isEnabled());  // the clipboard holds text now
  QVERIFY(menu->actions()[2]->isEnabled());   // the last batch's results
  menu->close();

  // Tab goes on from the last field to the header's buttons, Help and Quit among them.
  f.ui.Edit5->setFocus();
  QStringList reached;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached << QApplication::focusWidget()->objectName();
  }
  QCOMPARE(reached, (QStringList{Q("Label2"), Q("OptionsButton"), Q("BitBtn2"), Q("BitBtn1")}));

  // Ctrl+Q quits as the exit button does: the options are stored.
  f.ui.CheckBox2->setChecked(true);
  QTest::keyClick(f.ui.CheckBox1, Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(!f.isVisible());
  QVERIFY(brevine::ReadSettingsFile(w.Settings()).saturation);
}

void WindowTest::designedLookUnderADarkTheme() {
  const QPalette light = QApplication::palette();
  // A dark desktop theme: light text on dark windows and fields.
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x25, 0x25, 0x25));
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    dark.setColor(role, QColor(0xEE, 0xEE, 0xEE));
  dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
  QApplication::setPalette(dark);
  {
    Window w;
    TForm1& f = *w.form;
    // Every text of the main window is dark on the designed white, and every field white.
    int checked = 0;
    for (QWidget* c : f.findChildren<QWidget*>()) {
      const QPalette& p = c->palette();
      const QString name = c->objectName();
      if (qobject_cast<QLineEdit*>(c)) {
        QVERIFY2(brevine::ContrastRatio(p.color(QPalette::Text), p.color(QPalette::Base)) >= 4.5,
                 qPrintable(name));
        QCOMPARE(p.color(QPalette::Base), QColor(Qt::white));
        ++checked;
      } else if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
                 qobject_cast<QGroupBox*>(c)) {
        const QColor text = p.color(c->foregroundRole());
        QVERIFY2(brevine::ContrastRatio(text, Qt::white) >= 4.5, qPrintable(name));
        QVERIFY2(brevine::ContrastRatio(text, p.color(QPalette::Window)) >= 4.5, qPrintable(name));
        ++checked;
      }
    }
    QVERIFY(checked >= 30);
    // As drawn: the caption of a group and a check box's text hold dark pixels.
    const auto darkPixels = [](QWidget* widget, QRect area) {
      const QImage image = widget->grab(area).toImage();
      int n = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 96;
      return n;
    };
    QVERIFY(darkPixels(f.ui.GroupBox1, QRect(7, 0, 40, 12)) > 10);
    QVERIFY(darkPixels(f.ui.CheckBox2, f.ui.CheckBox2->rect().adjusted(20, 0, 0, 0)) > 10);
  }
  // The dialogs follow the theme, and their explanations stay readable on it.
  for (const QPalette& theme : {dark, light}) {
    QApplication::setPalette(theme);
    brevine::OptionsDialog options(Options{});
    QLabel* explanation = options.findChild<QLabel*>(QStringLiteral("autorotateExplanation"));
    QVERIFY(explanation != nullptr);
    QCOMPARE(options.palette().color(QPalette::Window), theme.color(QPalette::Window));
    QVERIFY(brevine::ContrastRatio(explanation->palette().color(QPalette::WindowText),
                                   options.palette().color(QPalette::Window)) >= 4.5);
    brevine::BatchResults results;
    results.Add(brevine::ResultRow{Q("/p/a.txt")});
    brevine::ResultsDialog list(results, {});
    QCOMPARE(list.palette().color(QPalette::Window), theme.color(QPalette::Window));
    QVERIFY(brevine::ContrastRatio(list.Explanation()->palette().color(QPalette::WindowText),
                                   list.palette().color(QPalette::Window)) >= 4.5);
  }
  QApplication::setPalette(light);
}

void WindowTest::moreOptionsDuringBatchApplyToFilesStartedAfter() {
  Window w;
  TForm1& f = *w.form;
  f.SetJobs(2);
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i) {
    files.push_back(w.folder / ("side" + std::to_string(i) + ".jpg"));
    WriteSidewaysJpeg(files.back(), 60, 20);
  }
  // The dialog opens while the first file starts (its options already read) and is
  // accepted before the event loop goes on: every later file is left as it lies.
  bool chosen = false;
  QObject::connect(&f, &TForm1::FileStarted, &f, [&](int index, const QString&) {
    if (index != 0) return;
    brevine::OptionsDialog* dialog = OpenMoreOptions(f, f.ui.Image2);
    if (dialog == nullptr) return;
    Choose(*dialog, "autorotate", false, true);
    chosen = true;
  });
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles(files);
  QVERIFY(finished.wait(30000));
  QVERIFY(chosen);
  for (int i = 0; i < 4; ++i) {
    const std::string out = w.folder / ("Resized/side" + std::to_string(i) + ".jpg");
    QCOMPARE(JpegSize(ReadText(out)), i == 0 ? QSize(20, 60) : QSize(60, 20));
  }
}

void WindowTest::helpButtonWithoutHelpDoesNothing() {
  Window w;
  test::TempFolder empty;
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(QString::fromStdString(empty.Path())));
  const int windows = QApplication::topLevelWidgets().size();
  QTest::mouseClick(w.form->ui.BitBtn2, Qt::LeftButton);
  QCOMPARE(QApplication::topLevelWidgets().size(), windows);
  QVERIFY(w.form->isVisible());
  QVERIFY(QDir::setCurrent(before));
}

namespace {

// The program copied into a fresh folder, so that its settings file is that folder's.
struct Program {
  Program() {
    path = QString::fromStdString(folder / "brevine");
    QFile::copy(QStringLiteral(BREVINE_PROGRAM), path);
  }
  int Run(const QStringList& args, const QProcessEnvironment& env, QByteArray* err = nullptr) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(folder.Path()));
    process.start(path, args);
    if (!process.waitForFinished(60000)) return -1;
    if (err) *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  test::TempFolder folder;
  QString path;
};

QProcessEnvironment Headless() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env.remove(QStringLiteral("XDG_CONFIG_HOME"));
  return env;
}

}  // namespace

void WindowTest::commandLineRunLeavesSettingsUnchanged() {
  Program program;
  const std::string settings = program.folder / "brevine.ini";
  Options stored = Unusual();
  stored.boxPreset = 0;
  stored.subFolder = true;
  stored.folderName = "out";
  const std::string text = brevine::FormatSettings(stored);
  WriteText(settings, text);
  WriteBmp(program.folder / "photo.bmp");

  // No display at all: the command line must not need one.
  QCOMPARE(program.Run({QStringLiteral("photo.bmp")}, Headless()), 0);
  QVERIFY(Exists(program.folder / "out/photo.avif"));  // the stored options were used
  QCOMPARE(ReadText(settings), text);
}

void WindowTest::launcherSwitch() {
  Program program;
  test::TempFolder home;
  WriteBmp(program.folder / "a.bmp");
  QProcessEnvironment env = Headless();
  env.insert(QStringLiteral("HOME"), QString::fromStdString(home.Path()));

  QCOMPARE(program.Run({QStringLiteral("/sc"), QStringLiteral("a.bmp")}, env), 0);
  const std::string launcher = home / "Desktop/Brevine.desktop";
  QVERIFY(Exists(launcher));
  const std::string content = ReadText(launcher);
  QVERIFY(content.find("\nExec=" + program.path.toStdString() + " %F\n") != std::string::npos);
  QVERIFY(content.find("\nPath=" + program.folder.Path() + "\n") != std::string::npos);
  QVERIFY(Exists(program.folder / "Resized/a.jpg"));
  QVERIFY(!Exists(program.folder / "brevine.ini"));  // a command-line run stores nothing

  // "/SC" is an ordinary argument; "/sc" later than first is too.
  test::TempFolder otherHome;
  env.insert(QStringLiteral("HOME"), QString::fromStdString(otherHome.Path()));
  program.Run({QStringLiteral("/SC")}, env);
  program.Run({QStringLiteral("a.bmp"), QStringLiteral("/sc")}, env);
  QVERIFY(!Exists(otherHome / "Desktop/Brevine.desktop"));

  // A launcher that cannot be written stops the run before any file is processed.
  WriteBmp(program.folder / "b.bmp");
  env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent-brevine-home/deeper"));
  QByteArray err;
  QCOMPARE(program.Run({QStringLiteral("/sc"), QStringLiteral("b.bmp")}, env, &err), 1);
  QVERIFY(err.contains("brevine: cannot create the launcher"));
  QVERIFY(!Exists(program.folder / "Resized/b.jpg"));
}

// ---- Batches on several workers -------------------------------------------------------

namespace {

// The HTML index is named by the date: one fixed day for runs that are compared.
class FixedClock final : public brevine::platform::Clock {
 public:
  brevine::platform::LocalTime Now() const override { return {2024, 3, 9, 14, 5, 7, 250}; }
};

// Every file below a folder with its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (e.is_regular_file())
      files[std::filesystem::relative(e.path(), folder).string()] = ReadText(e.path().string());
  return files;
}

std::vector<std::uint8_t> JpegOf(const brevine::WorkBitmap& bitmap, int quality) {
  brevine::TJPEGImage jpeg;
  jpeg.TakeBitmap(bitmap);
  jpeg.SetQuality(quality);
  jpeg.EncodeJpeg();
  return jpeg.Data().bytes;
}

std::vector<std::uint8_t> PngOf(const brevine::WorkBitmap& bitmap) {
  test::PngSpec layout;
  layout.width = static_cast<std::uint32_t>(bitmap.Width());
  layout.height = static_cast<std::uint32_t>(bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int c = 2; c >= 0; --c) layout.samples.push_back(bitmap.Row(y)[3 * x + c]);
  return test::MakePng(layout);
}

// A GIF of bands in a small palette, `seed` shifting them.
std::vector<std::uint8_t> GifOf(int width, int height, int seed) {
  const std::vector<std::uint32_t> palette = {0x102030, 0xE0C080, 0x40A040, 0xA02060};
  test::GifImageSpec image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.indices.push_back(static_cast<std::uint8_t>(((x + seed) / 7 + y / 5) % 4));
  return test::GifWriter(palette, width, height).Image(image).Finish();
}

// The number of colour components the JPEG's frame header declares (0 when there is none).
int JpegComponents(const std::string& jpeg) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2))
      return static_cast<unsigned char>(jpeg[i + 9]);
  }
  return 0;
}

// A batch of every kind of source, its outcome with `jobs` workers: the files left in the
// folder, the index lines among them, the commit order, the failure hint and the stored
// settings, with the folder's name taken out.
struct DropOutcome {
  std::map<std::string, std::string> files;
  std::vector<std::string> committed;
  QString summary, list;
  std::string settings, addedText;
};

DropOutcome RunMixedDrop(int jobs) {
  test::TempFolder folder;
  FixedClock clock;
  auto form = std::make_unique<TForm1>(folder / "brevine.ini", clock);
  form->show();
  TForm1& f = *form;
  f.SetJobs(jobs);
  f.RadioGroup1Items[6]->setChecked(true);  // 160 x 160
  f.ui.CheckBox2->setChecked(true);
  f.ui.CheckHtml->setChecked(true);
  f.ui.RadioButton3->setChecked(true);  // add text, "s-" before the name
  f.ui.Edit4->setText(QString());       // the first commit puts "s-" back

  std::vector<std::string> drop;
  auto add = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) test::WriteFile(folder / name, bytes);
    drop.push_back(folder / name);
  };
  // An earlier file's result dropped as a source right after it: a source of the batch,
  // which that result may not replace, though the first file takes far longer to come.
  add("big.bmp", test::EncodeBmp24(test::MakePhotoLike(1600, 1200, 5)));
  test::WriteFile(folder / "s-big.jpg", JpegOf(test::MakePhotoLike(30, 30, 62), 50));
  add("s-big.jpg", {});
  for (int i = 0; i < 4; ++i) {
    const brevine::WorkBitmap picture = test::MakePhotoLike(300 + 40 * i, 220 - 20 * i, 30 + i);
    add("j" + std::to_string(i) + ".jpg", JpegOf(picture, 85));
    add("p" + std::to_string(i) + ".png", PngOf(test::MakePhotoLike(90 + 9 * i, 70, 40 + i)));
    add("g" + std::to_string(i) + ".gif", GifOf(120 + 10 * i, 80, i));
    add("b" + std::to_string(i) + ".bmp", test::EncodeBmp24(test::MakePhotoLike(200, 150 + i, i)));
  }
  // Sources of one name: the last one's picture is left.
  add("same.png", PngOf(test::MakePhotoLike(50, 40, 60)));
  add("same.bmp", test::EncodeBmp24(test::MakePhotoLike(40, 50, 61)));
  add("missing.gif", {});
  add("notes.txt", {'n', 'o'});
  add("broken.png", {'n', 'o', 't'});

  DropOutcome out;
  QObject::connect(&f, &TForm1::FileProcessed, &f, [&](int, const QString& path) {
    out.committed.push_back(path.toStdString().substr(folder.Path().size()));
  });
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles(drop);
  if (!finished.wait(60000)) return out;
  out.summary = f.ui.Label2->text();
  out.list = f.Results().AsText().replace(QString::fromStdString(folder.Path()), "");
  out.addedText = f.CurrentOptions().addedText;
  f.close();
  out.settings = ReadText(folder / "brevine.ini");
  std::filesystem::remove(folder / "brevine.ini");
  out.files = Contents(folder.Path());
  return out;
}

}  // namespace

void WindowTest::droppedBatchIsTheOneAtATimeRun() {
  const DropOutcome one = RunMixedDrop(1);
  QCOMPARE(one.committed.size(), std::size_t{23});
  QCOMPARE(one.committed.front(), std::string("/big.bmp"));
  QCOMPARE(one.committed.back(), std::string("/broken.png"));
  QCOMPARE(one.addedText, std::string("s-"));
  // The summary counts the 19 written and the four that were not: a result that would
  // replace a source of the run, a missing file, a text file and a broken picture.
  QVERIFY2(one.summary.startsWith(Q("19 张照片：")), qPrintable(one.summary));
  QVERIFY2(one.summary.endsWith(Q(" · 4 个未压缩")), qPrintable(one.summary));
  QVERIFY2(one.list.contains(Q("\t无法写入：it would replace s-big.jpg, a source of this run\n")),
           qPrintable(one.list));
  QVERIFY2(one.list.contains(Q("/missing.gif\t\t\t\t\t找不到文件\n")), qPrintable(one.list));
  QVERIFY(one.list.contains(Q("\t不是图片类型\n")));
  QVERIFY(one.list.contains(Q("/broken.png\t\t\t3\t\t无法解码：not a PNG file\n")));
  QVERIFY(one.list.contains(Q("\treplaces the result of /same.png\n")));
  QVERIFY(one.files.count("s-s-big.jpg") == 1);
  const auto fedBack = JpegOf(test::MakePhotoLike(30, 30, 62), 50);
  QVERIFY(one.files.at("s-big.jpg") == std::string(fedBack.begin(), fedBack.end()));
  QVERIFY(one.files.count("s-same.jpg") == 1);
  const std::string& index = one.files.at("20240309.html");
  QCOMPARE(std::count(index.begin(), index.end(), '\n'), 19);

  for (int jobs : {2, 3, 8}) {
    const DropOutcome many = RunMixedDrop(jobs);
    QCOMPARE(many.committed, one.committed);
    QCOMPARE(many.summary, one.summary);
    QCOMPARE(many.list, one.list);
    QCOMPARE(many.addedText, one.addedText);
    QCOMPARE(many.settings, one.settings);
    QCOMPARE(many.files.size(), one.files.size());
    for (const auto& [name, bytes] : one.files)
      QVERIFY2(many.files.count(name) && many.files.at(name) == bytes,
               qPrintable(QString::fromStdString(name) +
                          QStringLiteral(" differs with %1 jobs").arg(jobs)));
  }
}

void WindowTest::controlChangedDuringBatchAppliesToFilesStartedAfter() {
  Window w;
  TForm1& f = *w.form;
  f.SetJobs(3);
  const std::vector<std::string> files = WriteBmps(w.folder, 7);
  // Read at each start on the window's thread: a change made while the third file starts
  // misses the first three started, whatever the workers are doing, and reaches every later
  // one. The larger files start first: the options follow the order of starts, not that
  // of the drop, although the runner named every file before it started one.
  std::vector<int> starts;
  QObject::connect(&f, &TForm1::FileStarted, &f, [&](int index, const QString&) {
    starts.push_back(index);
    if (starts.size() == 3) f.ui.CheckBox3->setChecked(true);
  });
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles(files);
  QVERIFY(finished.wait(30000));
  QCOMPARE(starts.size(), std::size_t{7});
  QCOMPARE(starts.front(), 6);
  for (std::size_t k = 0; k < starts.size(); ++k)
    QCOMPARE(JpegComponents(ReadText(Resized(files[static_cast<std::size_t>(starts[k])]))),
             k < 3 ? 3 : 1);
}

void WindowTest::escapeDropsTheFilesNotStarted() {
  Window w;
  TForm1& f = *w.form;
  f.SetJobs(2);
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  const std::vector<std::string> files = WriteBmps(w.folder, 6);
  BatchLog log;
  Follow(f, log);
  // The largest files start first, ahead of smaller ones dropped before them: Esc leaves
  // those untouched although the runner had already asked for them.
  std::set<int> started;
  QObject::connect(&f, &TForm1::FileStarted, &f, [&](int index, const QString&) {
    started.insert(index);
    if (started.size() == 2) QTest::keyClick(f.ui.Edit2, Qt::Key_Escape);
  });
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles(files);
  QVERIFY(finished.wait(30000));

  // The two files in work finished, in drop order; the rest were never started.
  QCOMPARE(started, (std::set<int>{4, 5}));
  QCOMPARE(log.paths, (std::vector<std::string>{files[4], files[5]}));
  QCOMPARE(log.positions, (std::vector<int>{1, 2}));
  QCOMPARE(log.maximums.back(), 2);
  for (int i = 0; i < 6; ++i) QCOMPARE(Exists(Resized(files[i])), i >= 4);
  QVERIFY(f.isVisible());
  QVERIFY(!f.BatchRunning());
  // Cancelled is no failure: the summary counts the two written.
  QVERIFY2(f.ui.Label2->text().startsWith(Q("2 张照片：")), qPrintable(f.ui.Label2->text()));
  QCOMPARE(f.Results().NotReduced(), 0);
  QCOMPARE(f.ui.ProgressBar1->value(), 0);

  // Esc belongs to that batch only: the next drop runs in full.
  f.DropFiles({files[0], files[1]});
  QVERIFY(finished.wait(30000));
  QVERIFY(Exists(Resized(files[0])));
  QVERIFY(Exists(Resized(files[1])));
  QVERIFY(!Exists(Resized(files[2])));
}

void WindowTest::summaryAndResultsOfABatch() {
  Window w;
  TForm1& f = *w.form;
  const QString hint = f.ui.Label2->text();
  const QRect place = f.ui.Label2->geometry();
  QStringList shown;
  f.Desktop().showItems = [&](const QStringList& paths) { shown = paths; };
  WriteBmp(w.folder / "good.bmp", 400, 300);
  WriteBmp(w.folder / "small.bmp", 40, 30);
  WriteText(w.folder / "notes.txt", "not a picture");
  WriteText(w.folder / "broken.png", "not a picture either");
  QVERIFY(mkdir((w.folder / "album").c_str(), 0755) == 0);
  QSignalSpy finished(&f, &TForm1::BatchFinished);

  f.DropFiles({w.folder / "good.bmp", w.folder / "notes.txt", w.folder / "missing.jpg",
               w.folder / "broken.png", w.folder / "album", w.folder / "small.bmp"});
  QVERIFY(finished.wait(30000));

  // One row per file in drop order; a text file and a folder count as not reduced.
  const std::vector<brevine::ResultRow>& rows = f.Results().Rows();
  QCOMPARE(rows.size(), std::size_t{6});
  const auto size = [](const std::string& path) {
    return static_cast<std::int64_t>(std::filesystem::file_size(path));
  };
  QCOMPARE(rows[0].result, QString::fromStdString(w.folder / "Resized/good.jpg"));
  QCOMPARE(rows[0].width, 400);
  QCOMPARE(rows[0].height, 300);
  QCOMPARE(rows[0].before, size(w.folder / "good.bmp"));
  QCOMPARE(rows[0].after, size(w.folder / "Resized/good.jpg"));
  QCOMPARE(rows[0].note, QString());
  QCOMPARE(rows[1].note, Q("不是图片类型"));
  QCOMPARE(rows[2].note, Q("找不到文件"));
  QCOMPARE(rows[2].before, std::int64_t{-1});
  QCOMPARE(rows[3].note, Q("无法解码：not a PNG file"));
  QCOMPARE(rows[4].note, Q("这是文件夹：请在选项中打开“处理整个文件夹”"));
  QVERIFY(rows[5].Written() && !rows[3].Written());

  // The summary in the drop hint's place: photos, sizes before and after, the saving and
  // the count not reduced.
  const std::int64_t before = size(w.folder / "good.bmp") + size(w.folder / "small.bmp");
  const std::int64_t after =
      size(w.folder / "Resized/good.jpg") + size(w.folder / "Resized/small.jpg");
  const long saving = std::lround(100.0 * static_cast<double>(before - after) / before);
  const QString summary =
      QStringLiteral("2 张照片：%1 → %2（−%3%） · 4 个未压缩")
          .arg(brevine::BatchResults::Size(before), brevine::BatchResults::Size(after))
          .arg(saving);
  QCOMPARE(f.ui.Label2->text(), summary);
  QCOMPARE(f.ui.Label2->pos(), place.topLeft());
  QVERIFY(f.ui.Label2->geometry().right() <= f.ui.Bevel1->geometry().right());
  QCOMPARE(f.ui.Label2->accessibleName(), summary);
  QCOMPARE(f.ui.Label2->focusPolicy(), Qt::StrongFocus);
  QVERIFY(f.ui.Label2->isVisible());
  QVERIFY(f.ui.Image1->isHidden());  // nothing lies over it

  // A click on the summary opens the list; Open folder shows every result when no row
  // is selected, the selected rows otherwise (a failed row by its source).
  QTest::mouseClick(f.ui.Label2, Qt::LeftButton);
  auto* dialog = f.findChild<brevine::ResultsDialog*>();
  QVERIFY(dialog != nullptr && dialog->isVisible());
  QCOMPARE(dialog->List()->topLevelItemCount(), 6);
  QCOMPARE(dialog->List()->topLevelItem(3)->text(5), Q("无法解码：not a PNG file"));
  dialog->OpenFolderButton()->click();
  QCOMPARE(shown, (QStringList{rows[0].result, rows[5].result}));
  dialog->List()->topLevelItem(1)->setSelected(true);
  dialog->List()->topLevelItem(5)->setSelected(true);
  dialog->OpenFolderButton()->click();
  QCOMPARE(shown, (QStringList{rows[1].source, rows[5].result}));
  dialog->CopyButton()->click();
  QCOMPARE(QGuiApplication::clipboard()->text(), f.Results().AsText());
  QVERIFY(QGuiApplication::clipboard()->text().contains(
      QString::fromStdString(w.folder / "Resized/good.jpg") + Q("\t400 × 300\t")));
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(f.findChild<brevine::ResultsDialog*>() == nullptr);

  // Tab reaches the summary after the last field, and Enter on it opens the list too;
  // the list stays until the next batch.
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  f.ui.Edit5->setFocus();
  QTest::keyClick(f.ui.Edit5, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.ui.Label2));
  QCOMPARE(f.ui.Label2->frameShape(), QFrame::Box);  // it shows where the focus is
  QTest::keyClick(f.ui.Label2, Qt::Key_Return);
  dialog = f.findChild<brevine::ResultsDialog*>();
  QVERIFY(dialog != nullptr && dialog->isVisible());

  // The next drop closes the list and puts the hint back at once, before any file is done.
  f.DropFiles({w.folder / "good.bmp"});
  QCOMPARE(f.ui.Label2->text(), hint);
  QCOMPARE(f.ui.Label2->geometry(), place);
  QCOMPARE(f.ui.Label2->focusPolicy(), Qt::NoFocus);
  QVERIFY(f.Results().Empty());
  QVERIFY(!dialog->isVisible());
  QVERIFY(finished.wait(30000));
  QVERIFY2(f.ui.Label2->text().startsWith(Q("1 张照片：")), qPrintable(f.ui.Label2->text()));
  QVERIFY(!f.ui.Label2->text().contains(Q("未压缩")));

  // Two sources with one output name: the later one says whose result it replaced.
  WriteBmp(w.folder / "twin.bmp");
  f.DropFiles({w.folder / "twin.bmp", w.folder / "twin.bmp"});
  QVERIFY(finished.wait(30000));
  QCOMPARE(f.Results().Rows()[1].note,
           Q("replaces the result of ") + QString::fromStdString(w.folder / "twin.bmp"));

  // Nothing written: the count alone.
  f.DropFiles({w.folder / "notes.txt"});
  QVERIFY(finished.wait(30000));
  QCOMPARE(f.ui.Label2->text(), Q("1 个文件未压缩"));
  // A source kept as its own result counts as written; a result that was there already
  // (skip-existing) neither as written nor as not reduced; a larger result shows its growth.
  brevine::BatchResults mixed;
  brevine::ResultRow kept{Q("/p/a.jpg"), Q("/p/Resized/a.jpg")};
  kept.before = 1000;
  kept.after = 1000;
  brevine::ResultRow larger{Q("/p/b.png"), Q("/p/Resized/b.jpg")};
  larger.before = 1000;
  larger.after = 1500;
  brevine::ResultRow skipped{Q("/p/c.jpg")};
  skipped.skipped = true;
  for (const brevine::ResultRow& row : {kept, skipped, larger, brevine::ResultRow{Q("/p/d.txt")}})
    mixed.Add(row);
  QCOMPARE(mixed.Written(), 2);
  QCOMPARE(mixed.NotReduced(), 1);
  QCOMPARE(mixed.Summary(QLocale::c()),
           QStringLiteral("2 张照片：%1 → %2（+25%） · 1 个未压缩 · 1 个已跳过")
               .arg(brevine::BatchResults::Size(2000, QLocale::c()),
                    brevine::BatchResults::Size(2500, QLocale::c())));
  mixed.Clear();
  mixed.Add(skipped);
  QCOMPARE(mixed.Summary(), Q("1 个已跳过"));
}

void WindowTest::progressToolTipNamesTheFileInWork() {
  Window w;
  TForm1& f = *w.form;
  const std::vector<std::string> files = WriteBmps(w.folder, 3);
  QStringList tips;
  QObject::connect(&f, &TForm1::FileStarted, &f,
                   [&](int, const QString&) { tips << f.ui.ProgressBar1->toolTip(); });
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles(files);
  QVERIFY(finished.wait(30000));
  tips.sort();  // the largest file starts first
  QCOMPARE(tips, (QStringList{Q("1 / 3 · f0.bmp\n按 Esc 停止尚未开始的文件"),
                              Q("2 / 3 · f1.bmp\n按 Esc 停止尚未开始的文件"),
                              Q("3 / 3 · f2.bmp\n按 Esc 停止尚未开始的文件")}));
  QCOMPARE(f.ui.ProgressBar1->toolTip(), QString());
}

void WindowTest::longBatchEndedAwayIsNotified() {
  Window w;
  TForm1& f = *w.form;
  struct Note {
    QString title, body, action;
    std::function<void()> open;
  };
  std::vector<Note> notes;
  QStringList shown;
  f.Desktop().notify = [&](const QString& title, const QString& body, const QString& action,
                           std::function<void()> open) {
    notes.push_back({title, body, action, std::move(open)});
  };
  f.Desktop().showItems = [&](const QStringList& paths) { shown = paths; };
  f.Desktop().notifyAfterMs = 0;
  WriteBmp(w.folder / "a.bmp");
  QSignalSpy finished(&f, &TForm1::BatchFinished);

  // In front, the window says it itself.
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  f.DropFiles({w.folder / "a.bmp"});
  QVERIFY(finished.wait(30000));
  QVERIFY(notes.empty());

  // Behind another window, the desktop says it, and its action shows the results.
  QWidget other;
  other.show();
  other.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&other));
  QVERIFY(!f.isActiveWindow());
  f.DropFiles({w.folder / "a.bmp", w.folder / "missing.bmp"});
  QVERIFY(finished.wait(30000));
  QCOMPARE(notes.size(), std::size_t{1});
  QCOMPARE(notes[0].title, Q("Brevine"));
  QCOMPARE(notes[0].body, f.ui.Label2->text());
  QCOMPARE(notes[0].action, Q("打开文件夹"));
  notes[0].open();
  QCOMPARE(shown, QStringList{QString::fromStdString(w.folder / "Resized/a.jpg")});

  // A short batch is not worth a notification.
  f.Desktop().notifyAfterMs = 60000;
  f.DropFiles({w.folder / "a.bmp"});
  QVERIFY(finished.wait(30000));
  QCOMPARE(notes.size(), std::size_t{1});
}

namespace {

// Every text the label showed, as each change of its size made it appear.
class TextLog final : public QObject {
 public:
  explicit TextLog(QLabel* label) : label_(label) { label->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) texts.push_back(label_->text());
    return false;
  }
  QStringList texts;

 private:
  QLabel* label_;
};

void FoldersOn(TForm1& f) {
  Options o = f.CurrentOptions();
  o.folders = true;
  f.ApplyOptions(o);
}

}  // namespace

// The program's decode workers read the window's sources: the same results and the same
// reasons as when the batch reads them itself, and a worker pool kept from batch to batch.
void WindowTest::batchesReadTheirSourcesThroughDecodeWorkers() {
  brevine::DecodeWorkerPool::Settings settings;
  settings.program = BREVINE_PROGRAM;
  brevine::DecodeWorkerPool workers(settings);
  Window own, confined;
  confined.form->SetDecodeWorkers(&workers);
  for (Window* w : {&own, &confined}) {
    WriteBmp(w->folder / "good.bmp");
    WriteText(w->folder / "broken.png", "not a picture");
    QSignalSpy finished(w->form.get(), &TForm1::BatchFinished);
    for (int batch = 0; batch < 2; ++batch) {
      w->form->DropFiles({w->folder / "good.bmp", w->folder / "broken.png"});
      QVERIFY(finished.wait(30000));
    }
  }
  // The same summary and the same reasons, file by file, whoever read the sources.
  QCOMPARE(confined.form->ui.Label2->text(), own.form->ui.Label2->text());
  const auto& ownRows = own.form->Results().Rows();
  const auto& confinedRows = confined.form->Results().Rows();
  QCOMPARE(confinedRows.size(), std::size_t{2});
  QCOMPARE(confinedRows.size(), ownRows.size());
  for (std::size_t i = 0; i < ownRows.size(); ++i) QCOMPARE(confinedRows[i].note, ownRows[i].note);
  QCOMPARE(confinedRows[1].note, Q("无法解码：not a PNG file"));
  const auto good = [](Window& w) { return test::ReadFile(Resized(w.folder / "good.bmp")); };
  QVERIFY(!good(confined).empty());
  QCOMPARE(good(confined), good(own));
  const std::optional<brevine::WorkerReady> ready = workers.Confinement();
  QVERIFY(ready.has_value());
  // Where the kernel cannot confine the workers, the summary's tool-tip says so first.
  QCOMPARE(confined.form->ui.Label2->toolTip() != own.form->ui.Label2->toolTip(),
           !ready->Confined());
  QVERIFY(workers.Started() >= 1);
}

void WindowTest::droppedFolderIsWalkedOnTheBatchsSide() {
  for (const int jobs : {1, 3}) {
    Window w;
    TForm1& f = *w.form;
    f.SetJobs(jobs);
    FoldersOn(f);
    const QString hint = f.ui.Label2->text();
    const std::string library = w.folder / "library";
    for (const char* sub : {"", "/2023", "/2023/june", "/2024"})
      QVERIFY(mkdir((library + sub).c_str(), 0755) == 0);
    WriteBmp(library + "/2023/june/b.bmp");
    WriteBmp(library + "/2023/a.bmp");
    WriteText(library + "/2023/notes.txt", "no picture");
    WriteBmp(library + "/2024/c.bmp");
    WriteBmp(w.folder / "single.bmp");
    BatchLog log;
    Follow(f, log);
    TextLog hints(f.ui.Label2);
    QSignalSpy finished(&f, &TForm1::BatchFinished);

    f.DropFiles({library, w.folder / "single.bmp"});
    // Nothing is walked before the window's thread is free again.
    QVERIFY(f.BatchRunning());
    QCOMPARE(f.ui.ProgressBar1->maximum(), 0);
    QCOMPARE(f.ui.Label2->text(), hint);
    QVERIFY(finished.wait(30000));

    // In name order, as the command line walks it, the named file after the folder.
    QCOMPARE(log.paths,
             (std::vector<std::string>{library + "/2023/a.bmp", library + "/2023/june/b.bmp",
                                       library + "/2024/c.bmp", w.folder / "single.bmp"}));
    QCOMPARE(log.maximums, (std::vector<int>{4, 4, 4, 4}));
    for (const char* out : {"library/2023/Resized/a.jpg", "library/2023/june/Resized/b.jpg",
                            "library/2024/Resized/c.jpg", "Resized/single.jpg"})
      QVERIFY2(Exists(w.folder / out), out);
    // The hint counted the files as they were found, then came back.
    QVERIFY2(!hints.texts.isEmpty() && hints.texts.front() == Q("已找到 1 个文件"),
             qPrintable(hints.texts.join(QLatin1Char('|'))));
    QVERIFY2(f.ui.Label2->text().startsWith(Q("4 张照片：")), qPrintable(f.ui.Label2->text()));
    QVERIFY(!f.BatchRunning());
  }
}

void WindowTest::escapeStopsAFolderWalk() {
  Window w;
  TForm1& f = *w.form;
  FoldersOn(f);
  f.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&f));
  const QString hint = f.ui.Label2->text();
  // Enough folders that the walk is still going when Esc comes.
  const std::string library = w.folder / "library";
  QVERIFY(mkdir(library.c_str(), 0755) == 0);
  for (int i = 0; i < 400; ++i) {
    std::string folder = library;
    folder += "/d";
    folder += std::to_string(i);
    QVERIFY(mkdir(folder.c_str(), 0755) == 0);
    WriteText(folder + "/photo.jpg", "not decoded: the batch never gets this far");
  }
  BatchLog log;
  Follow(f, log);
  QSignalSpy finished(&f, &TForm1::BatchFinished);
  f.DropFiles({library});
  QTest::keyClick(f.ui.Edit2, Qt::Key_Escape);
  QVERIFY(finished.wait(30000));

  QVERIFY(log.paths.empty());
  QVERIFY(!f.BatchRunning());
  QCOMPARE(f.ui.Label2->text(), hint);  // cancelled is no failure
  QCOMPARE(f.ui.ProgressBar1->value(), 0);

  // Esc belongs to that walk only: the next drop is walked in full.
  const std::string small = w.folder / "small";
  QVERIFY(mkdir(small.c_str(), 0755) == 0);
  WriteBmp(small + "/x.bmp");
  f.DropFiles({small});
  QVERIFY(finished.wait(30000));
  QCOMPARE(log.paths, std::vector<std::string>{small + "/x.bmp"});
  QVERIFY(Exists(small + "/Resized/x.jpg"));
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
