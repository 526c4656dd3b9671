// The window in each language, on Qt's offscreen platform: the choice of language, the
// translated texts in the window and the dialog, the written texts without a translation,
// every text fitting its control, and the help page for the language.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <map>
#include <memory>

#include "clock.h"
#include "main_window.h"
#include "option_table.h"
#include "options_dialog.h"
#include "window_format_box.h"
#include "window_language.h"

using brevine::ChooseLanguage;
using brevine::TForm1;

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
const QString kTranslations = QStringLiteral(BREVINE_TRANSLATIONS_DIR);

void RemoveTranslations() {
  for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
}

struct Window {
  Window() {
    form = std::make_unique<TForm1>((folder.path() + QStringLiteral("/brevine.ini")).toStdString(),
                                    clock);
    form->show();
  }
  QTemporaryDir folder;
  brevine::platform::SystemClock clock;
  std::unique_ptr<TForm1> form;
};

// Texts a person reads in the window, each with the widget that shows it.
struct Shown {
  QWidget* widget;
  QString text;
};
std::vector<Shown> Texts(TForm1& f) {
  std::vector<Shown> texts = {
      {f.ui.RadioGroup1, f.ui.RadioGroup1->title()},
      {f.ui.GroupBox1, f.ui.GroupBox1->title()},
      {f.ui.CheckBox1, f.ui.CheckBox1->text()},
      {f.ui.CheckBox2, f.ui.CheckBox2->text()},
      {f.ui.CheckBox3, f.ui.CheckBox3->text()},
      {f.ui.CheckBox4, f.ui.CheckBox4->text()},
      {f.ui.CheckHtml, f.ui.CheckHtml->text()},
      {f.ui.RadioButton1, f.ui.RadioButton1->text()},
      {f.ui.RadioButton2, f.ui.RadioButton2->text()},
      {f.ui.RadioButton3, f.ui.RadioButton3->text()},
      {f.ui.RadioButton4, f.ui.RadioButton4->text()},
      {f.ui.Label4, f.ui.Label4->text()},
      {f.ui.Label5, f.ui.Label5->text()},
      {f.ui.Label6, f.ui.Label6->text()},
      {f.ui.Label2, f.ui.Label2->text()},
      {f.ui.BitBtn1, f.ui.BitBtn1->text()},
      {f.ui.BitBtn2, f.ui.BitBtn2->text()},
      {f.ui.ComboBox1, f.ui.ComboBox1->itemText(0)},
      {f.ui.ComboBox1, f.ui.ComboBox1->itemText(1)},
      {f.ui.CheckBox1, f.ui.CheckBox1->toolTip()},
      {f.ui.RadioButton2, f.ui.RadioButton2->toolTip()},
      {&f, f.windowTitle()},
  };
  return texts;
}

// Where a control may reach to the right: the next control on its line, or its frame.
int RightLimit(TForm1& f, QWidget* w) {
  if (w == f.ui.CheckBox1) return f.ui.TrackBar1->x();
  if (w == f.ui.RadioButton1) return f.ui.Edit2->x();
  if (w == f.ui.RadioButton2) return f.ui.Edit3->x();
  if (w == f.ui.RadioButton3) return f.ui.ComboBox1->x();
  if (w == f.ui.Label5) return f.ui.Edit4->x();
  if (w == f.ui.Label6) return f.ui.Edit5->x();
  if (w == f.ui.Label7) return f.ui.OptionsButton->x();
  if (w == f.ui.OptionsButton) return f.ui.BitBtn2->x();
  if (w->parentWidget() == f.ui.GroupBox1) return f.ui.GroupBox1->width();
  return f.ui.Bevel1->geometry().right();
}

// Each text fits its control: a label grows to its text but must not reach the next
// control; a box, a button or a list shows its text within its designed width.
void CheckFit(TForm1& f, const QString& language) {
  QCOMPARE(f.size(), QSize(480, 313));
  const std::vector<QAbstractButton*> buttons = {
      f.ui.CheckBox1,    f.ui.CheckBox2,    f.ui.CheckBox3,    f.ui.CheckBox4,
      f.ui.CheckHtml,    f.ui.RadioButton1, f.ui.RadioButton2, f.ui.RadioButton3,
      f.ui.RadioButton4, f.ui.BitBtn1,      f.ui.BitBtn2,      f.ui.OptionsButton};
  for (QAbstractButton* b : buttons) {
    // What the text itself needs: a box's indicator and gap, or a button's frame.
    const QStyle* style = b->style();
    int needed = b->fontMetrics().horizontalAdvance(b->text());
    if (qobject_cast<QCheckBox*>(b))
      needed += style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
    else if (qobject_cast<QRadioButton*>(b))
      needed += style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) +
                style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
    else
      needed += 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
    const int room = std::min(b->width(), RightLimit(f, b) - b->x());
    if (needed > room)
      QFAIL(qPrintable(QStringLiteral("%1: \"%2\" needs %3 pixels, has %4")
                           .arg(language, b->text())
                           .arg(needed)
                           .arg(room)));
  }
  for (QLabel* l : {f.ui.Label4, f.ui.Label5, f.ui.Label6, f.ui.Label7, f.ui.Label2}) {
    if (l->geometry().right() >= RightLimit(f, l) || l->width() < l->sizeHint().width())
      QFAIL(qPrintable(QStringLiteral("%1: label \"%2\" reaches %3")
                           .arg(language, l->text())
                           .arg(l->geometry().right())));
  }
  // The drop-downs' items, inside the box beside its arrow.
  for (QComboBox* list : std::initializer_list<QComboBox*>{f.ui.ComboBox1, f.ui.ComboFormat}) {
    QStyleOptionComboBox box;
    box.initFrom(list);
    const int inside =
        list == f.ui.ComboFormat
            ? f.ui.ComboFormat->TextRect().width()
            : list->style()
                  ->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, list)
                  .width();
    for (int i = 0; i < list->count(); ++i) {
      const int text = list->fontMetrics().horizontalAdvance(list->itemText(i));
      if (text > inside)
        QFAIL(qPrintable(language + QStringLiteral(": list item ") + list->itemText(i) +
                         QStringLiteral(" %1 > %2").arg(text).arg(inside)));
    }
  }
  // A group's caption ends inside its frame.
  for (QGroupBox* g : {f.ui.RadioGroup1, f.ui.GroupBox1}) {
    const int caption = g->fontMetrics().horizontalAdvance(g->title()) + 11;
    if (caption > g->width()) QFAIL(qPrintable(language + QStringLiteral(": ") + g->title()));
  }
}

}  // namespace

class WindowLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { RemoveTranslations(); }
  void choosesFromTheDesktopsLanguages();
  void theSettingOverridesTheDesktop();
  void writtenTextsWithoutATranslation();
  void eachLanguageShowsItsTexts();
  void eachLanguageFitsTheWindow();
  void theDialogIsTranslated();
  void everyDialogRowHasATranslation();
  void theHintsAfterABatchAreTranslated();
  void everyControlHasItsOwnAccessibleName();
  void theWordsAroundTheWindowNameEveryFormatWritten();
  void helpPageOfTheLanguage();
};

void WindowLanguageTest::choosesFromTheDesktopsLanguages() {
  const QString none;
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("de-DE"), QStringLiteral("de")}), Q("de"));
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("en-US")}), Q("en"));
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("ja-JP")}), Q("ja"));
  // Portuguese of any country reads the Brazilian texts; Chinese goes by its script.
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("pt-PT")}), Q("pt_BR"));
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("zh-TW")}), Q("zh_TW"));
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("zh-HK"), QStringLiteral("zh-Hant-HK")}),
           Q("zh_TW"));
  // The written language, C and POSIX: no translation, even with English as a fallback.
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("zh-CN"), QStringLiteral("en")}), QString());
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("zh-Hans-SG")}), QString());
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("C")}), QString());
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("POSIX")}), QString());
  QCOMPARE(ChooseLanguage(none, {}), QString());
  // A language without a translation gives way to the desktop's next choice, if any.
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("it-IT"), QStringLiteral("fr-FR")}), Q("fr"));
  QCOMPARE(ChooseLanguage(none, {QStringLiteral("it-IT"), QStringLiteral("it")}), QString());
}

void WindowLanguageTest::theSettingOverridesTheDesktop() {
  const QStringList german = {QStringLiteral("de-DE")};
  QCOMPARE(ChooseLanguage(QStringLiteral("en"), german), Q("en"));
  QCOMPARE(ChooseLanguage(QStringLiteral("pt_BR"), german), Q("pt_BR"));
  QCOMPARE(ChooseLanguage(QStringLiteral("zh_TW"), german), Q("zh_TW"));
  QCOMPARE(ChooseLanguage(QStringLiteral("zh_CN"), german), QString());
  QCOMPARE(ChooseLanguage(QStringLiteral(" ko "), german), Q("ko"));
  // A chosen language that has no translation shows the written texts, not the desktop's.
  QCOMPARE(ChooseLanguage(QStringLiteral("it"), german), QString());
  QCOMPARE(ChooseLanguage(QStringLiteral("nonsense"), german), QString());
  QCOMPARE(ChooseLanguage(QString(), german), Q("de"));
  // Every language the drop-down offers is chosen as itself.
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString& code = l.code;
    QCOMPARE(ChooseLanguage(code, german), code == Q("zh_CN") ? QString() : code);
  }
}

void WindowLanguageTest::writtenTextsWithoutATranslation() {
  // The C locale chooses nothing; loading nothing leaves the texts as written.
  QCOMPARE(brevine::InstallTranslations(*qApp, ChooseLanguage({}, {QStringLiteral("C")}),
                                        {kTranslations}),
           QString());
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("zh_CN"), {kTranslations}), QString());
  QVERIFY(qApp->findChildren<QTranslator*>().isEmpty());
  Window w;
  TForm1& f = *w.form;
  QCOMPARE(f.ui.RadioGroup1->title(), Q("在指定范围内调整像素大小"));
  QCOMPARE(f.ui.CheckBox1->text(), Q("图像锐化"));
  QCOMPARE(f.ui.RadioButton1->text(), Q("指定JPEG压缩率(%)"));
  QCOMPARE(f.ui.RadioButton2->toolTip(),
           Q("您可以指定您要保存的文件的大小！压缩率将自动为您调整."));
  QCOMPARE(f.ui.ComboBox1->itemText(1), Q("后面"));
  QCOMPARE(f.ui.Label2->text(), Q("马上拖入图片并开始自动压缩"));
  QCOMPARE(f.ui.Label7->text(), Q("版本1.50"));
  QCOMPARE(f.ui.BitBtn1->text(), Q("退出"));
  f.ui.TrackBar1->setValue(120);
  QCOMPARE(f.ui.TrackBar1->toolTip(), Q("百分比为:120%"));
  CheckFit(f, Q("zh_CN"));
}

void WindowLanguageTest::eachLanguageShowsItsTexts() {
  Window written;
  const std::vector<Shown> source = Texts(*written.form);
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString& code = l.code;
    if (code == Q("zh_CN")) continue;
    QCOMPARE(brevine::InstallTranslations(*qApp, code, {Q("/nonexistent"), kTranslations}), code);
    Window w;
    TForm1& f = *w.form;
    const std::vector<Shown> shown = Texts(f);
    // Each text is its translation; most of them differ from the written Chinese (the
    // traditional script shares a few words with the simplified one).
    int changed = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) changed += shown[i].text != source[i].text;
    if (changed < static_cast<int>(shown.size()) - 5)
      QFAIL(qPrintable(
          code +
          QStringLiteral(": only %1 of %2 texts translated").arg(changed).arg(shown.size())));
    QVERIFY2(f.ui.BitBtn2->text() != Q("帮助"), qPrintable(code));
    QVERIFY2(f.windowTitle().startsWith(Q("Brevine")), qPrintable(code));
    QVERIFY2(f.ui.Label7->text().endsWith(Q("1.50")), qPrintable(code));
    f.ui.TrackBar1->setValue(120);
    QVERIFY2(f.ui.TrackBar1->toolTip().contains(Q("120")), qPrintable(code));
    if (code != Q("zh_TW"))
      QVERIFY2(!f.ui.TrackBar1->toolTip().contains(Q("百分比")), qPrintable(code));
    RemoveTranslations();
  }
  // Samples a person would check by eye.
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("de"), {kTranslations}), Q("de"));
  Window german;
  QCOMPARE(german.form->ui.BitBtn1->text(), Q("Beenden"));
  QCOMPARE(german.form->ui.GroupBox1->title(), Q("Optionen"));
  RemoveTranslations();
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("en"), {kTranslations}), Q("en"));
  Window english;
  QCOMPARE(english.form->ui.CheckBox1->text(), Q("Sharpen"));
  QCOMPARE(english.form->ui.BitBtn2->text(), Q("Help"));
}

void WindowLanguageTest::eachLanguageFitsTheWindow() {
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString& code = l.code;
    brevine::InstallTranslations(*qApp, code, {kTranslations});
    Window w;
    CheckFit(*w.form, code);
    // The hint that counts the files a folder walk found, in each plural form.
    for (const int n : {1, 3, 25, 12345}) {
      w.form->ui.Label2->setText(TForm1::tr("已找到 %n 个文件", nullptr, n));
      w.form->ui.Label2->adjustSize();
      if (w.form->ui.Label2->geometry().right() >= RightLimit(*w.form, w.form->ui.Label2))
        QFAIL(qPrintable(code + QStringLiteral(": ") + w.form->ui.Label2->text()));
    }
    // A batch's summary, short and long: it wraps within the naming area's width and
    // ends above the progress bar.
    for (const int n : {1, 3, 12345}) {
      for (const int failed : {0, 1, 12345}) {
        brevine::BatchResults results;
        for (int i = 0; i < n; ++i) {
          brevine::ResultRow row;
          row.source = Q("/p/a.jpg");
          row.result = Q("/p/Resized/a.jpg");
          row.before = 987'654'321;
          row.after = 12'345'678;
          results.Add(row);
        }
        for (int i = 0; i < failed; ++i) results.Add(brevine::ResultRow{Q("/p/b.txt")});
        w.form->SetResults(results);
        const QLabel* label = w.form->ui.Label2;
        if (label->geometry().right() >= RightLimit(*w.form, w.form->ui.Label2) ||
            label->geometry().bottom() >= w.form->ui.ProgressBar1->y() ||
            label->height() < label->heightForWidth(label->width()))
          QFAIL(qPrintable(code + QStringLiteral(": ") + label->text()));
      }
    }
    RemoveTranslations();
  }
}

void WindowLanguageTest::theDialogIsTranslated() {
  {
    brevine::OptionsDialog dialog(brevine::Options{});
    QCOMPARE(dialog.windowTitle(), Q("更多选项"));
    QCOMPARE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
             Q("取消"));
  }
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("fr"), {kTranslations}), Q("fr"));
  brevine::OptionsDialog dialog(brevine::Options{});
  QCOMPARE(dialog.windowTitle(), Q("Plus d'options"));
  QCOMPARE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
           Q("Annuler"));
  // Every label and explanation in French: Latin letters only, no Chinese left.
  const QRegularExpression french(QStringLiteral("^[ -~À-ÿ]+$"));
  for (const char* key : dialog.ShownKeys()) {
    if (QCheckBox* box = dialog.Box(key))
      QVERIFY2(french.match(box->text()).hasMatch(), qPrintable(box->text()));
    else
      QVERIFY2(french.match(dialog.Control(key)->toolTip()).hasMatch(), key);
    auto* explanation = dialog.findChild<QLabel*>(QString::fromLatin1(key) + Q("Explanation"));
    QVERIFY(explanation != nullptr);
    QVERIFY2(french.match(explanation->text()).hasMatch(), qPrintable(explanation->text()));
  }
  // The language list: "follow the desktop" translated, each language named in itself.
  auto* languages = qobject_cast<QComboBox*>(dialog.Control("lang"));
  QVERIFY(languages != nullptr);
  QCOMPARE(languages->itemText(0), Q("Comme le bureau"));
  QCOMPARE(languages->itemData(0).toString(), QString());
  QCOMPARE(languages->currentIndex(), 0);
  const std::vector<brevine::WindowLanguage> all = brevine::WindowLanguages();
  QCOMPARE(languages->count(), static_cast<int>(all.size()) + 1);
  for (std::size_t i = 0; i < all.size(); ++i) {
    QCOMPARE(languages->itemData(static_cast<int>(i) + 1).toString(), all[i].code);
    QCOMPARE(languages->itemText(static_cast<int>(i) + 1), all[i].ownName);
  }
  QCOMPARE(all.front().code, Q("zh_CN"));
  QCOMPARE(all.size(), std::size_t{10});
  // A choice becomes the option's value, which the next start reads.
  languages->setCurrentIndex(languages->findData(Q("ja")));
  dialog.accept();
  QCOMPARE(dialog.Values().lang, std::string("ja"));
}

// A row added to the option table without marking its texts would pass the file check
// (the tools never see the texts) and show Chinese in every language.
void WindowLanguageTest::everyDialogRowHasATranslation() {
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    if (l.code == Q("zh_CN")) continue;
    QTranslator translation;
    QVERIFY(translation.load(Q("brevine_") + l.code, kTranslations));
    for (const brevine::OptionRow& row : brevine::OptionTable()) {
      for (const char* text : {row.label, row.explanation}) {
        if (text == nullptr || row.onWindow) continue;
        QVERIFY2(!translation.translate("brevine::OptionsDialog", text).isEmpty(),
                 qPrintable(l.code + Q(": ") + Q(row.key) + Q(": ") + Q(text)));
      }
    }
  }
}

void WindowLanguageTest::theHintsAfterABatchAreTranslated() {
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("de"), {kTranslations}), Q("de"));
  // Qt's own texts come in the same language.
  QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), Q("Abbrechen"));
  Window w;
  const QString missing = w.folder.filePath(Q("fehlt.jpg"));
  QSignalSpy finished(w.form.get(), &TForm1::BatchFinished);
  w.form->DropFiles({missing.toStdString(), missing.toStdString()});
  QVERIFY(finished.wait(10000));
  QCOMPARE(w.form->ui.Label2->text(), Q("2 Dateien nicht verkleinert"));
  QCOMPARE(w.form->ui.Label2->toolTip(), Q("Klicken oder Eingabetaste: das Ergebnis jeder Datei"));
  QCOMPARE(w.form->Results().Rows()[1].note, Q("Datei nicht gefunden"));
  QCOMPARE(brevine::BatchResults::Reason(brevine::FileResult::kCannotRead, ""), Q("nicht lesbar"));
  QCOMPARE(brevine::BatchResults::Reason(brevine::FileResult::kKept, ""),
           Q("beibehalten: die verkleinerte Datei war nicht kleiner"));
  QCOMPARE(brevine::BatchResults::Detail("ends early: the last 8 rows are grey"),
           Q("endet vorzeitig: die letzten 8 Zeilen sind grau"));
  // The kind is translated; the library's own words are passed on as they came, and
  // libjpeg's error number loses the Chinese wording the written texts give it.
  using brevine::BatchResults;
  using brevine::FileResult;
  QCOMPARE(BatchResults::Reason(FileResult::kCannotDecode, "not a PNG file"),
           Q("nicht dekodierbar: not a PNG file"));
  QCOMPARE(BatchResults::Reason(FileResult::kCannotDecode, "JPEG错误#42"),
           Q("nicht dekodierbar: JPEG-Fehler #42"));
  QCOMPARE(BatchResults::Reason(FileResult::kCannotWrite, "Read-only file system"),
           Q("nicht schreibbar: der Ordner ist schreibgeschützt"));
  QCOMPARE(BatchResults::Reason(FileResult::kNotAnImage, "", true),
           Q("ein Ordner: „Ganze Ordner“ in den Optionen einschalten"));
  // The summary's sizes in the locale's way of writing numbers.
  BatchResults results;
  brevine::ResultRow row;
  row.source = Q("/p/a.jpg");
  row.result = Q("/p/Resized/a.jpg");
  row.before = 23'600'000;
  row.after = 2'200'000;
  results.Add(row);
  results.Add(brevine::ResultRow{Q("/p/b.txt")});
  QCOMPARE(results.Summary(QLocale(QLocale::German)),
           Q("1 Foto: 23,6 MB → 2,2 MB (−91%) · 1 nicht verkleinert"));
  RemoveTranslations();
  QCOMPARE(brevine::InstallTranslations(*qApp, Q("en"), {kTranslations}), Q("en"));
  QCOMPARE(results.Summary(QLocale(QLocale::English)),
           Q("1 photo: 23.6 MB → 2.2 MB (−91%) · 1 not reduced"));
  QCOMPARE(BatchResults::Reason(FileResult::kCannotDecode, "JPEG错误#42"),
           Q("cannot decode: JPEG error #42"));
  RemoveTranslations();
  // The written texts keep the seed's wording.
  QCOMPARE(BatchResults::Reason(FileResult::kCannotDecode, "JPEG错误#42"),
           Q("无法解码：JPEG错误#42"));
}

// Every control tells a screen reader what it is, in the window's language: a name that is
// not empty and not another control's.
void WindowLanguageTest::everyControlHasItsOwnAccessibleName() {
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString& code = l.code;
    brevine::InstallTranslations(*qApp, code, {kTranslations});
    Window w;
    TForm1& f = *w.form;
    brevine::BatchResults results;
    results.Add(brevine::ResultRow{Q("/p/b.txt")});
    f.SetResults(results);             // the summary is a control too
    std::map<QString, QString> names;  // name -> control
    for (QWidget* control : f.findChildren<QWidget*>()) {
      const bool takesInput = control->focusPolicy() != Qt::NoFocus;
      if (!takesInput && control != f.ui.ProgressBar1 && control != f.ui.Image1) continue;
      if (control->parentWidget() != nullptr && qobject_cast<QComboBox*>(control->parentWidget()))
        continue;  // a drop-down's own parts
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
      QVERIFY(a != nullptr);
      const QString name = a->text(QAccessible::Name);
      const QString where = code + Q(": ") + control->objectName();
      QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where));
      QVERIFY2(!names.count(name), qPrintable(where + Q(" and ") + names[name] + Q(": ") + name));
      names[name] = control->objectName();
    }
    QVERIFY2(names.size() >= 30, qPrintable(code + QString::number(names.size())));
    const auto nameOf = [](QWidget* w) {
      return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    const auto describe = [](QWidget* w) {
      return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
    };
    QCOMPARE(describe(f.ui.CheckBox1), f.ui.CheckBox1->toolTip());
    f.ui.TrackBar1->setValue(120);
    QCOMPARE(describe(f.ui.TrackBar1), f.ui.TrackBar1->toolTip());
    if (code == Q("en")) {
      QCOMPARE(nameOf(f.ui.RadioGroup1Item7), Q("Custom size"));
      QCOMPARE(nameOf(f.ui.EditPxX), Q("Custom width"));
      QCOMPARE(nameOf(f.ui.EditPxY), Q("Custom height"));
      QCOMPARE(nameOf(f.ui.TrackBar1), Q("Sharpening strength"));
      QCOMPARE(nameOf(f.ui.Edit2), Q("Quality"));
      QCOMPARE(nameOf(f.ui.Edit3), Q("File size in KB"));
      QCOMPARE(nameOf(f.ui.Edit4), Q("Added text"));
      QCOMPARE(nameOf(f.ui.Edit5), Q("Folder name"));
      QCOMPARE(nameOf(f.ui.Label2), Q("1 file not reduced"));
    }
    RemoveTranslations();
  }
}

void WindowLanguageTest::helpPageOfTheLanguage() {
  QTemporaryDir root;
  QDir(root.path()).mkpath(QStringLiteral("help/de"));
  for (const char* page : {"help/help.html", "help/de/help.html"}) {
    QFile file(root.filePath(Q(page)));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  QCOMPARE(brevine::HelpPage(root.path(), Q("de")), root.filePath(Q("help/de/help.html")));
  // No page in that language, or the written one: the default page.
  QCOMPARE(brevine::HelpPage(root.path(), Q("ja")), root.filePath(Q("help/help.html")));
  QCOMPARE(brevine::HelpPage(root.path(), QString()), root.filePath(Q("help/help.html")));
  // The tree ships a page for every translation; each names every source format and every
  // row of the dialog as the dialog shows it in that language.
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString& code = l.code;
    const QString page = brevine::HelpPage(QStringLiteral(BREVINE_SOURCE_DIR), code);
    QVERIFY2(page.endsWith(code == Q("zh_CN") ? Q("help/help.html") : code + Q("/help.html")),
             qPrintable(page));
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* format : {"JPEG", "GIF", "PNG", "BMP", "WebP", "HEIC", "HEIF", "AVIF"})
      QVERIFY2(text.contains(Q(format)), qPrintable(code + Q(": ") + Q(format)));
    brevine::InstallTranslations(*qApp, code, {kTranslations});
    for (const brevine::OptionRow& row : brevine::OptionTable()) {
      if (row.label == nullptr || row.onWindow) continue;
      const QString label = brevine::OptionsDialog::tr(row.label);
      QVERIFY2(text.contains(label), qPrintable(code + Q(": ") + label));
    }
    RemoveTranslations();
  }
}

// What the menu entry, the software centre and the help say Brevine writes: JPEG, WebP or
// AVIF, in every language each of them carries.
void WindowLanguageTest::theWordsAroundTheWindowNameEveryFormatWritten() {
  const auto read = [](const char* path) {
    QFile file(QStringLiteral(BREVINE_SOURCE_DIR "/") + Q(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  };
  const auto namesAll = [](const QString& text) {
    return text.contains(Q("JPEG")) && text.contains(Q("WebP")) && text.contains(Q("AVIF"));
  };
  int comments = 0;
  for (const QString& line : read("window/resources/brevine.desktop.in").split(QLatin1Char('\n')))
    if (line.startsWith(Q("Comment"))) {
      QVERIFY2(namesAll(line), qPrintable(line));
      ++comments;
    }
  QCOMPARE(comments, 10);
  const QString metainfo = read("packaging/org.brevine.brevine.metainfo.xml.in");
  static const QRegularExpression summary(QStringLiteral("<summary[^>]*>([^<]*)</summary>"));
  int summaries = 0;
  for (auto it = summary.globalMatch(metainfo); it.hasNext(); ++summaries) {
    const QString text = it.next().captured(1);
    QVERIFY2(namesAll(text), qPrintable(text));
  }
  QCOMPARE(summaries, 10);
  // The first paragraph of each language: what it is written as, after the sources' list.
  static const QRegularExpression paragraph(QStringLiteral("<p[^>]*>([^<]*)</p>"));
  QStringList langs;
  for (auto it = paragraph.globalMatch(metainfo); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const QString lang = m.captured(0).section(QLatin1Char('"'), 1, 1);
    if (langs.contains(lang)) break;
    langs << lang;
    QVERIFY2(namesAll(m.captured(1).section(Q("WebP"), 1)), qPrintable(m.captured(1)));
  }
  QCOMPARE(langs.size(), 10);
  for (const brevine::WindowLanguage& l : brevine::WindowLanguages()) {
    const QString page = brevine::HelpPage(QStringLiteral(BREVINE_SOURCE_DIR), l.code);
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString first = paragraph.match(QString::fromUtf8(file.readAll())).captured(1);
    // After the list of the formats read: the formats written.
    const QString written = first.section(QRegularExpression(QStringLiteral("[)）]")), 1);
    QVERIFY2(namesAll(written), qPrintable(l.code + Q(": ") + first));
  }
}

QTEST_MAIN(WindowLanguageTest)
#include "window_language_test.moc"
