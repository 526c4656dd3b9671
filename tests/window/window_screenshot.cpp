// Writes the window as PNGs so that a person can look at it:
//   window_screenshot [--lang CODE] IDLE.png [BATCH.png DONE.png [OPTIONS.png]]
// Without --lang the window shows its written texts whatever the locale; with it, the
// translation CODE built into the build tree.
// IDLE is the window at its first start (a settings file in a fresh temporary folder).
// BATCH is the window in the middle of a dropped batch, with its preview and progress;
// DONE is the same window after that batch, whose missing and damaged files the drop hint
// counts. OPTIONS is the dialog of the options beyond the window's controls, opened from
// the window's right-click menu.

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "main_window.h"
#include "options_dialog.h"
#include "window_language.h"

namespace {

bool Save(QWidget& form, const char* path) {
  if (form.grab().save(QString::fromLocal8Bit(path), "PNG")) return true;
  std::fprintf(stderr, "window_screenshot: cannot write %s\n", path);
  return false;
}

// A photo-sized picture with something to recognise in the preview.
bool WritePhoto(const QString& path, int seed) {
  QImage image(1600, 1200, QImage::Format_RGB888);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, 1200);
  sky.setColorAt(0, QColor(40 + 20 * seed, 110, 200));
  sky.setColorAt(1, QColor(250, 200, 120));
  painter.fillRect(image.rect(), sky);
  painter.setBrush(QColor(60, 120, 50));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(400 + 300 * seed, 1300), 900, 500);
  painter.setBrush(QColor(255, 240, 180));
  painter.drawEllipse(QPoint(1200, 300), 120, 120);
  painter.end();
  return image.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  QString language;
  if (argc > 2 && std::strcmp(argv[1], "--lang") == 0) {
    language = QString::fromLocal8Bit(argv[2]);
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  if (argc != 2 && argc != 4 && argc != 5) {
    std::fprintf(stderr,
                 "usage: window_screenshot [--lang CODE] IDLE.png [BATCH.png DONE.png "
                 "[OPTIONS.png]]\n");
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Brevine"));
  QApplication::setFont(brevine::WindowFont());
  if (!language.isEmpty() &&
      brevine::InstallTranslations(application, language,
                                   {QStringLiteral(BREVINE_TRANSLATIONS_DIR)}) != language) {
    std::fprintf(stderr, "window_screenshot: no translation %s in %s\n", qPrintable(language),
                 BREVINE_TRANSLATIONS_DIR);
    return 1;
  }
  QTemporaryDir folder;
  brevine::platform::SystemClock clock;
  brevine::TForm1 form((folder.path() + QStringLiteral("/brevine.ini")).toStdString(), clock);
  form.SetLanguage(language);
  form.show();
  QApplication::processEvents();
  if (!Save(form, argv[1])) return 1;
  if (argc == 2) return 0;

  std::vector<std::string> drop;
  for (int i = 0; i < 2; ++i) {
    const QString photo = folder.path() + QStringLiteral("/photo%1.png").arg(i);
    if (!WritePhoto(photo, i)) return 1;
    drop.push_back(photo.toStdString());
  }
  drop.push_back((folder.path() + QStringLiteral("/missing.jpg")).toStdString());
  drop.push_back(folder.filePath(QStringLiteral("damaged.png")).toStdString());
  QFile broken(QString::fromStdString(drop.back()));
  if (!broken.open(QIODevice::WriteOnly) || broken.write("not a picture") < 0) return 1;
  broken.close();

  form.SetJobs(1);  // one file after the other: the first file's shot is always the same
  bool saved = true;
  QObject::connect(&form, &brevine::TForm1::FileProcessed, &form, [&](int index, const QString&) {
    if (index == 0) saved = Save(form, argv[2]) && saved;
  });
  QEventLoop loop;
  QObject::connect(&form, &brevine::TForm1::BatchFinished, &loop, &QEventLoop::quit);
  form.DropFiles(drop);
  loop.exec();
  saved = Save(form, argv[3]) && saved;
  if (argc == 5) {
    form.ShowMoreOptions();
    auto* dialog = form.findChild<brevine::OptionsDialog*>();
    QApplication::processEvents();
    saved = dialog != nullptr && Save(*dialog, argv[4]) && saved;
  }
  return saved ? 0 : 1;
}
