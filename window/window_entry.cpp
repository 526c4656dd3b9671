// The window's entry point, built into a module of its own: a command-line run never
// loads Qt (tens of milliseconds per process), only the interactive start does.

#include <QApplication>
#include <string>

#include "clock.h"
#include "main_window.h"
#include "settings_file.h"

extern "C" __attribute__((visibility("default"))) int brevine_run_window(int argc, char** argv,
                                                                         const char* programPath) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brevine"));
  QGuiApplication::setDesktopFileName(QStringLiteral("brevine"));
  // Tool-tips and menus take the application font, not the window's.
  QApplication::setFont(brevine::WindowFont());
  brevine::platform::SystemClock clock;
  brevine::TForm1 form(brevine::SettingsFilePath(programPath), clock);
  form.show();
  return application.exec();
}
