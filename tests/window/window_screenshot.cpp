// Writes the window as a PNG so that a person can look at it: window_screenshot FILE.
// The options are the first-start defaults (a settings file in a fresh temporary folder).

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

#include "main_window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_screenshot FILE.png\n");
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brevine"));
  QApplication::setFont(brevine::WindowFont());
  QTemporaryDir folder;
  brevine::platform::SystemClock clock;
  brevine::TForm1 form((folder.path() + QStringLiteral("/brevine.ini")).toStdString(), clock);
  form.show();
  QApplication::processEvents();
  if (!form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "window_screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
