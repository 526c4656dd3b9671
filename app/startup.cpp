#include "startup.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "desktop.h"
#include "file_system.h"

#ifdef BREVINE_HAS_WINDOW
#include <QApplication>

#include "clock.h"
#include "main_window.h"
#include "settings_file.h"
#endif

namespace brevine {

namespace {

constexpr char kTitle[] = "Brevine";

}  // namespace

int RunProgram(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string programPath = platform::ExecutablePath();
  if (!args.empty()) {
    // A command-line run needs no display: no window is created, so it works over SSH and
    // in CI, and it never reaches the close handler that stores the options.
    if (args[0] == "/sc") {
      try {
        platform::CreateDesktopShortcut(kTitle, programPath);
      } catch (const std::exception& e) {
        std::cerr << "brevine: cannot create the launcher: " << e.what() << "\n";
        return 1;
      }
    }
    return RunCommandLine(args, programPath);
  }
#ifdef BREVINE_HAS_WINDOW
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kTitle));
  QGuiApplication::setDesktopFileName(QStringLiteral("brevine"));
  // Tool-tips and menus take the application font, not the window's.
  QApplication::setFont(WindowFont());
  platform::SystemClock clock;
  TForm1 form(SettingsFilePath(programPath), clock);
  form.show();
  return application.exec();
#else
  std::cout << "usage: brevine IMAGE...  (reduces each image to a JPEG)\n";
  return 0;
#endif
}

}  // namespace brevine
