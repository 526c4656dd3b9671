// The window's entry point, built into a module of its own: a command-line run never
// loads Qt (tens of milliseconds per process), only the interactive start does.

#include <QApplication>
#include <QLocale>
#include <string>

#include "clock.h"
#include "command_line.h"
#include "decode_worker.h"
#include "main_window.h"
#include "settings_file.h"
#include "window_handoff.h"
#include "window_handoff_server.h"
#include "window_language.h"

extern "C" __attribute__((visibility("default"))) int brevine_run_window(int argc, char** argv,
                                                                         const char* programPath) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brevine"));
  QGuiApplication::setDesktopFileName(QStringLiteral("brevine"));
  // Tool-tips and menus take the application font, not the window's.
  QApplication::setFont(brevine::WindowFont());
  // The language is chosen once, before the window exists: the controls take their texts
  // when they are made, and a new choice in the dialog waits for the next start.
  const std::string settingsPath = brevine::SettingsFilePath(programPath);
  const QString language = brevine::InstallTranslations(
      application,
      brevine::ChooseLanguage(QString::fromStdString(brevine::ReadSettingsFile(settingsPath).lang),
                              QLocale::system().uiLanguages()),
      brevine::TranslationFolders(QString::fromLocal8Bit(programPath)));
  brevine::platform::SystemClock clock;
  // The program started again as a decode worker reads the photos; the pool outlives the
  // window and its batches.
  brevine::DecodeWorkerPool workers(brevine::DecodeWorkerPool::Settings{});
  brevine::TForm1 form(settingsPath, clock);
  form.SetDecodeWorkers(&workers);
  form.SetLanguage(language);
  // Runs started by the desktop hand their files to this window while it is open.
  auto* handoff = new brevine::WindowHandoffServer(&form);
  handoff->Listen(brevine::platform::HandoffSocketPath());
  form.show();
  // brevine --window FILES: the files dropped on the window as it opens.
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (const brevine::Arguments a = brevine::ParseArguments(args); a.window && !a.errorOption)
    form.DropFiles(brevine::FilesForWindow(a, programPath));
  return application.exec();
}
