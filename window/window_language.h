#pragma once
// The window's language. Its texts are written in Simplified Chinese and shown as written
// unless a translation is chosen: the `lang` option when it names one, else the first of
// the desktop's languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) that has one. The C and
// POSIX locales, Simplified Chinese and every language without a translation keep the
// written texts. The command line never loads any of this: its messages stay English.

#include <QString>
#include <QStringList>

#include <vector>

class QCoreApplication;

namespace brevine {

// A language the window can be shown in: its code as the `lang` option and the file names
// use it ("de", "pt_BR", "zh_CN"), and its name in its own language.
struct WindowLanguage {
  QString code;
  QString ownName;
};

// The `lang` option's choices without "follow the desktop": the written language first,
// then every translation.
std::vector<WindowLanguage> WindowLanguages();
// The code of the written texts, "zh_CN".
inline constexpr char kSourceLanguage[] = "zh_CN";

// The translation to load: `setting` (the `lang` option) when it is not empty, else the
// first of `uiLanguages` (QLocale::uiLanguages() order) that is Simplified Chinese, C or
// has a translation. Empty means the written texts.
QString ChooseLanguage(const QString& setting, const QStringList& uiLanguages);

// Where the compiled translations (brevine_CODE.qm) lie for a program at `programPath`:
// translations/ beside it (the build tree), then ../share/brevine/translations (installed).
QStringList TranslationFolders(const QString& programPath);

// Loads the window's translation for `code` from the first of `folders` that has it, and
// Qt's own texts for the same language (qtbase, from Qt's translation folder), into
// `application`, which owns them. Returns the code whose translation was loaded: `code`,
// or empty when it is the written language or no file was found. Call it before the
// window is created; the choice holds until the program ends.
QString InstallTranslations(QCoreApplication& application, const QString& code,
                            const QStringList& folders);

// The help page for a language below a folder holding help/: help/CODE/help.html when it
// exists there, else the written language's help/help.html.
QString HelpPage(const QString& helpParent, const QString& code);

}  // namespace brevine
