// The window's dropped batch on 24 real photos (Debian's mate-backgrounds, repeated to 24):
// its time with one worker and with the default worker count, against a command-line run
// of the same files, and the longest gap between ticks of a 10 ms timer on the window's
// thread during the batch (how long the window could not answer).
//
// Usage: bench_window [RUNS]   (default 3; medians are printed). Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "clock.h"
#include "command_line.h"
#include "main_window.h"
#include "settings_file.h"

namespace fs = std::filesystem;
using namespace brevine;

namespace {

constexpr int kPhotos = 24;

struct Figures {
  double seconds = 0;
  double longestGapMs = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

std::vector<std::string> CopyPhotos(const std::string& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::recursive_directory_iterator it("/usr/share/backgrounds/mate", ec), end;
       !ec && it != end; it.increment(ec)) {
    std::string ext = it->path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return c | 0x20; });
    if (it->is_regular_file() && ext == ".jpg") found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (int i = 0; i < kPhotos && !found.empty(); ++i) {
    const fs::path& source = found[i % found.size()];
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d-", i);
    const fs::path target = fs::path(folder) / (prefix + source.filename().string());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    paths.push_back(target.string());
  }
  return paths;
}

void RemoveResults(const std::string& folder) { fs::remove_all(fs::path(folder) / "Resized"); }

Figures WindowRun(const std::vector<std::string>& photos, const std::string& folder, int jobs) {
  RemoveResults(folder);
  platform::SystemClock clock;
  TForm1 form(folder + "/window.ini", clock);
  form.show();
  QApplication::processEvents();
  form.SetJobs(jobs);

  QElapsedTimer wall, sinceTick;
  qint64 longest = 0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, sinceTick.nsecsElapsed());
    sinceTick.restart();
  });
  QEventLoop loop;
  QObject::connect(&form, &TForm1::BatchFinished, &loop, &QEventLoop::quit);
  wall.start();
  sinceTick.start();
  ticker.start(10);
  form.DropFiles(photos);
  loop.exec();
  ticker.stop();
  Figures f;
  f.seconds = wall.nsecsElapsed() / 1e9;
  f.longestGapMs = longest / 1e6;
  form.close();
  return f;
}

double CommandLineRun(const std::vector<std::string>& photos, const std::string& folder) {
  RemoveResults(folder);
  const auto start = std::chrono::steady_clock::now();
  std::ostringstream out, err;
  // The program's settings file: the default options, as the window's runs have them.
  RunCommandLine(photos, folder + "/brevine", out, err, folder);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  QApplication application(argc, argv);
  QTemporaryDir temp;
  const std::string folder = temp.path().toStdString();
  const std::vector<std::string> photos = CopyPhotos(folder);
  if (photos.empty()) {
    std::printf("bench_window: no photos under /usr/share/backgrounds/mate (mate-backgrounds)\n");
    return 0;
  }
  const int jobs = DefaultJobs();
  std::vector<double> one, many, cli, gapOne, gapMany;
  // Interleaved, so that a burst of load from elsewhere falls on every kind of run.
  for (int r = 0; r < runs; ++r) {
    const Figures a = WindowRun(photos, folder, 1);
    const Figures b = WindowRun(photos, folder, jobs);
    one.push_back(a.seconds);
    gapOne.push_back(a.longestGapMs);
    many.push_back(b.seconds);
    gapMany.push_back(b.longestGapMs);
    cli.push_back(CommandLineRun(photos, folder));
  }
  std::printf("%zu photos, %d runs, medians; %d workers by default\n", photos.size(), runs, jobs);
  std::printf("window, 1 worker:       %7.3f s   longest gap of a 10 ms timer %6.1f ms\n",
              Median(one), Median(gapOne));
  std::printf("window, %2d workers:     %7.3f s   longest gap of a 10 ms timer %6.1f ms\n", jobs,
              Median(many), Median(gapMany));
  std::printf("command line, %2d workers: %5.3f s\n", jobs, Median(cli));
  std::printf("window speed-up over 1 worker: %.2fx; window / command line: %.3f\n",
              Median(one) / Median(many), Median(many) / Median(cli));
  return 0;
}
