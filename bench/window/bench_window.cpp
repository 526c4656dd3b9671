// The window's dropped batch on 24 real photos (Debian's mate-backgrounds, repeated to 24):
// its time with one worker and with the default worker count, against a command-line run
// of the same files, and the longest gap between ticks of a 10 ms timer on the window's
// thread during the batch (how long the window could not answer), and what telling the
// batch's result (its summary and results list) costs of that batch.
//
// Usage: bench_window [RUNS]   (default 3; medians are printed). Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another.
//
// bench_window walk [RUNS]: a dropped library of about 30,000 folders with the folder
// option on. Prints how long the walk alone holds a thread (what the window's thread
// would be held for if it walked), the longest gap of a 10 ms timer on the window's thread
// while the batch walks it, and how long after Esc in the middle of the walk the batch
// has ended.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
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
#include "folder_walk.h"
#include "main_window.h"
#include "settings_file.h"
#include "window_results.h"

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

// `jobs`: the workers asked for through BREVINE_JOBS; 0 leaves the default.
double CommandLineRun(const std::vector<std::string>& photos, const std::string& folder,
                      int jobs = 0) {
  RemoveResults(folder);
  if (jobs > 0) ::setenv("BREVINE_JOBS", std::to_string(jobs).c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  std::ostringstream out, err;
  // The program's settings file: the default options, as the window's runs have them.
  RunCommandLine(photos, folder + "/brevine", out, err, folder);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (jobs > 0) ::unsetenv("BREVINE_JOBS");
  return seconds;
}

// 30 x 30 x 33 leaf folders (plus their parents), each with a picture's name and a text
// file; the pictures hold no picture, so the batch after the walk fails them at once.
void MakeLibrary(const std::string& root) {
  for (int a = 0; a < 30; ++a)
    for (int b = 0; b < 30; ++b)
      for (int c = 0; c < 33; ++c) {
        const fs::path leaf = fs::path(root) / ("a" + std::to_string(a)) /
                              ("b" + std::to_string(b)) / ("c" + std::to_string(c));
        fs::create_directories(leaf);
        std::FILE* f = std::fopen((leaf / "photo.jpg").c_str(), "wb");
        if (f) std::fclose(f);
        f = std::fopen((leaf / "notes.txt").c_str(), "wb");
        if (f) std::fclose(f);
      }
}

struct WalkFigures {
  double walkSeconds = 0;   // ExpandFolderPaths alone
  double windowWalk = 0;    // drop to the first file started
  double longestGapMs = 0;  // of a 10 ms timer on the window's thread, drop to first file
  double escapeMs = 0;      // Esc 150 ms into the walk to the batch's end
};

WalkFigures WalkRun(const std::string& library, const std::string& folder) {
  WalkFigures figures;
  Options o;
  o.folders = true;
  {
    const auto start = std::chrono::steady_clock::now();
    const auto found = ExpandFolderPaths({library}, FixedSettings(o));
    figures.walkSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (found.empty()) std::printf("bench_window: the walk found nothing\n");
  }
  platform::SystemClock clock;
  TForm1 form(folder + "/window.ini", clock);
  form.show();
  QApplication::processEvents();
  Options on = form.CurrentOptions();
  on.folders = true;
  form.ApplyOptions(on);
  {
    QElapsedTimer wall, sinceTick;
    qint64 longest = 0;
    bool walking = true;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (walking) longest = std::max(longest, sinceTick.nsecsElapsed());
      sinceTick.restart();
    });
    QEventLoop loop;
    QObject::connect(&form, &TForm1::FileStarted, &form, [&](int index, const QString&) {
      if (index != 0 || !walking) return;
      walking = false;
      figures.windowWalk = wall.nsecsElapsed() / 1e9;
      form.CancelBatch();
    });
    QObject::connect(&form, &TForm1::BatchFinished, &loop, &QEventLoop::quit);
    wall.start();
    sinceTick.start();
    ticker.start(10);
    form.DropFiles({library});
    loop.exec();
    figures.longestGapMs = longest / 1e6;
  }
  {
    QElapsedTimer sinceEscape;
    QEventLoop loop;
    QObject::connect(&form, &TForm1::BatchFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(150, &form, [&] {
      sinceEscape.start();
      form.CancelBatch();
    });
    form.DropFiles({library});
    loop.exec();
    figures.escapeMs = sinceEscape.nsecsElapsed() / 1e6;
  }
  form.close();
  return figures;
}

int WalkBench(int runs) {
  QTemporaryDir temp;
  const std::string folder = temp.path().toStdString();
  const std::string library = folder + "/library";
  MakeLibrary(library);
  std::vector<double> walk, window, gap, escape;
  for (int r = 0; r < runs; ++r) {
    const WalkFigures f = WalkRun(library, folder);
    walk.push_back(f.walkSeconds);
    window.push_back(f.windowWalk);
    gap.push_back(f.longestGapMs);
    escape.push_back(f.escapeMs);
  }
  std::printf("library of %d folders, %d runs, medians\n", 30 * 30 * 33 + 30 * 30 + 30 + 1, runs);
  std::printf("the walk alone (what the window's thread was held for):  %7.1f ms\n",
              Median(walk) * 1e3);
  std::printf("window: drop to first file %7.1f ms, longest gap of a 10 ms timer %6.1f ms\n",
              Median(window) * 1e3, Median(gap));
  std::printf("window: Esc 150 ms into the walk to the batch's end %6.1f ms\n", Median(escape));
  return 0;
}

// What the window adds per batch to tell its result: one look at each source's size, a row
// per file, and the summary at the end, repeated so that it can be timed apart from the
// batch (whose time varies far more than this costs).
double ResultsSeconds(const std::vector<std::string>& photos, const std::string& folder) {
  constexpr int kRepeats = 200;
  const auto start = std::chrono::steady_clock::now();
  std::size_t length = 0;
  for (int r = 0; r < kRepeats; ++r) {
    BatchResults results;
    for (const std::string& photo : photos) {
      ResultRow row;
      row.source = QString::fromStdString(photo);
      const QFileInfo source(row.source);
      if (source.isFile()) row.before = source.size();
      row.result = QString::fromStdString(folder + "/Resized/x.jpg");
      row.width = 1280;
      row.height = 800;
      row.after = 200000;
      results.Add(std::move(row));
    }
    length += static_cast<std::size_t>(results.Summary().size());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return length > 0 ? seconds / kRepeats : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const bool walkMode = argc > 1 && std::string(argv[1]) == "walk";
  const int runArg = walkMode ? 2 : 1;
  const int runs = argc > runArg ? std::max(1, std::atoi(argv[runArg])) : 3;
  QApplication application(argc, argv);
  if (walkMode) return WalkBench(runs);
  QTemporaryDir temp;
  const std::string folder = temp.path().toStdString();
  const std::vector<std::string> photos = CopyPhotos(folder);
  if (photos.empty()) {
    std::printf("bench_window: no photos under /usr/share/backgrounds/mate (mate-backgrounds)\n");
    return 0;
  }
  const int jobs = DefaultJobs();
  std::vector<double> one, many, cliOne, cli, gapOne, gapMany;
  // Interleaved, so that a burst of load from elsewhere falls on every kind of run.
  for (int r = 0; r < runs; ++r) {
    const Figures a = WindowRun(photos, folder, 1);
    const Figures b = WindowRun(photos, folder, jobs);
    one.push_back(a.seconds);
    gapOne.push_back(a.longestGapMs);
    many.push_back(b.seconds);
    gapMany.push_back(b.longestGapMs);
    cliOne.push_back(CommandLineRun(photos, folder, 1));
    cli.push_back(CommandLineRun(photos, folder));
  }
  std::printf("%zu photos, %d runs, medians; %d workers by default\n", photos.size(), runs, jobs);
  std::printf("window, 1 worker:       %7.3f s   longest gap of a 10 ms timer %6.1f ms\n",
              Median(one), Median(gapOne));
  std::printf("window, %2d workers:     %7.3f s   longest gap of a 10 ms timer %6.1f ms\n", jobs,
              Median(many), Median(gapMany));
  std::printf("command line, 1 worker: %7.3f s\n", Median(cliOne));
  std::printf("command line, %2d workers: %5.3f s\n", jobs, Median(cli));
  std::printf(
      "speed-up over 1 worker: window %.2fx, command line %.2fx; "
      "window / command line: %.3f\n",
      Median(one) / Median(many), Median(cliOne) / Median(cli), Median(many) / Median(cli));
  const double results = ResultsSeconds(photos, folder);
  std::printf("summary and results list: %.3f ms per batch, %.4f%% of the window's batch\n",
              results * 1e3, 100.0 * results / Median(many));
  return 0;
}
