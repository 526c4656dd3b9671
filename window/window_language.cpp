#include "window_language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "option_table.h"

namespace brevine {
namespace {

// The code of the language a locale name stands for, the written language's for C, or
// empty when no translation serves it. Portuguese of any country reads the Brazilian
// translation; Chinese goes by its script, so zh_HK and zh_Hant read the traditional one.
QString CodeFor(const QString& name) {
  const QLocale locale(name);
  switch (locale.language()) {
    case QLocale::C:
      return QString::fromLatin1(kSourceLanguage);
    case QLocale::Chinese:
      return QString::fromLatin1(
          locale.script() == QLocale::TraditionalHanScript ? "zh_TW" : kSourceLanguage);
    case QLocale::Portuguese:
      return QStringLiteral("pt_BR");
    default:
      break;
  }
  const QString language = QLocale::languageToCode(locale.language());
  for (const WindowLanguage& l : WindowLanguages())
    if (language == l.code) return language;
  return {};
}

}  // namespace

std::vector<WindowLanguage> WindowLanguages() {
  std::vector<WindowLanguage> languages;
  const OptionRow* row = FindOption("lang");
  if (row == nullptr) return languages;
  const std::vector<std::string> codes = ChoiceValues(*row);
  const std::vector<std::string> names = ChoiceLabels(*row);
  for (std::size_t i = 0; i < codes.size() && i < names.size(); ++i)
    if (!codes[i].empty())
      languages.push_back({QString::fromStdString(codes[i]), QString::fromStdString(names[i])});
  return languages;
}

QString ChooseLanguage(const QString& setting, const QStringList& uiLanguages) {
  // A chosen language that has no translation shows the written texts, as the system's
  // would; it does not fall back to the system's.
  if (!setting.trimmed().isEmpty()) {
    const QString code = CodeFor(setting.trimmed());
    return code == QLatin1String(kSourceLanguage) ? QString() : code;
  }
  for (const QString& name : uiLanguages) {
    const QString code = CodeFor(name);
    if (code.isEmpty()) continue;  // the desktop's next choice may have one
    return code == QLatin1String(kSourceLanguage) ? QString() : code;
  }
  return {};
}

QStringList TranslationFolders(const QString& programPath) {
  const QString folder = QFileInfo(programPath).absolutePath();
  return {folder + QStringLiteral("/translations"),
          QDir::cleanPath(folder + QStringLiteral("/../share/brevine/translations"))};
}

QString InstallTranslations(QCoreApplication& application, const QString& code,
                            const QStringList& folders) {
  if (code.isEmpty() || code == QLatin1String(kSourceLanguage)) return {};
  auto* own = new QTranslator(&application);
  bool loaded = false;
  for (const QString& folder : folders) {
    if (own->load(QStringLiteral("brevine_") + code, folder)) {
      loaded = true;
      break;
    }
  }
  if (!loaded) {
    delete own;
    return {};
  }
  // Qt's own texts (a line field's menu, the standard buttons) in the same language.
  auto* qt = new QTranslator(&application);
  if (qt->load(QStringLiteral("qtbase_") + code,
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qt);
  else
    delete qt;
  QCoreApplication::installTranslator(own);
  return code;
}

QString HelpPage(const QString& helpParent, const QString& code) {
  const QDir parent(helpParent);
  if (!code.isEmpty()) {
    const QString page = parent.absoluteFilePath(QStringLiteral("help/%1/help.html").arg(code));
    if (QFileInfo::exists(page)) return page;
  }
  return parent.absoluteFilePath(QStringLiteral("help/help.html"));
}

}  // namespace brevine
