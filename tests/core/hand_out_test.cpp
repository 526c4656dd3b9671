// A hand-out that gives a costly later file ahead of earlier ones, while everything is
// still committed in the batch's order.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "batch_places.h"
#include "batch_runner.h"
#include "fixed_clock.h"
#include "memory_window.h"
#include "ordered_pool.h"
#include "pipeline_support.h"
#include "waiting_feed.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// ---- The pool with places -----------------------------------------------------------

using PlacedPool = OrderedPool<std::size_t, std::size_t>;

class PlacedWorker final : public PlacedPool::Worker {
 public:
  std::size_t Work(std::size_t index, std::size_t& task) override {
    // Finishing times that have nothing to do with the places.
    std::this_thread::sleep_for(std::chrono::microseconds((task * 7919) % 5 * 300));
    return index * 1000 + task;
  }
};

TEST(OrderedPoolPlaces, CommitsByPlaceWhateverTheHandOutAndTheFinishingOrder) {
  constexpr std::size_t kTasks = 30;
  for (int workers : {1, 2, 3}) {
    std::mutex mutex;
    std::vector<std::size_t> committed;
    PlacedPool::Steps steps;
    // Blocks of five handed out back to front: 4, 3, 2, 1, 0, 9, 8, ...
    steps.allocate = [](std::size_t handed) -> std::optional<std::size_t> {
      if (handed >= kTasks) return std::nullopt;
      return handed / 5 * 5 + (4 - handed % 5);
    };
    steps.position = [](const std::size_t& task) { return task; };
    steps.makeWorker = [] { return std::make_unique<PlacedWorker>(); };
    steps.commit = [&](std::size_t index, std::size_t& result) {
      std::lock_guard lock(mutex);
      EXPECT_EQ(result, index * 1000 + index) << "work got another place than its task's";
      committed.push_back(index);
    };
    PlacedPool pool(steps);
    ASSERT_GE(pool.Start(workers), 1);
    pool.Run();
    ASSERT_EQ(committed.size(), kTasks) << workers;
    for (std::size_t i = 0; i < kTasks; ++i) EXPECT_EQ(committed[i], i) << workers;
  }
}

// ---- The choice ---------------------------------------------------------------------

TEST(HandOutChoice, TheCostliestFileThatWaitsOnNothingStillToBeHandedOut) {
  EXPECT_EQ(ChooseNext({}), 0u);
  EXPECT_EQ(ChooseNext({{3, 0, 1}}), 0u);
  // The first goes when it costs the most, and of equal costs the earliest.
  EXPECT_EQ(ChooseNext({{3, 0, 9}, {4, 0, 5}, {5, 0, 9}}), 0u);
  EXPECT_EQ(ChooseNext({{3, 0, 1}, {4, 0, 5}, {5, 0, 7}, {6, 0, 7}}), 2u);
  // Files 3 and 4 are still to be handed out: a file that waits for file 4's commit must
  // not take a worker before it, however costly; one that waits for file 2 may.
  EXPECT_EQ(ChooseNext({{3, 0, 1}, {4, 0, 1}, {5, 5, 100}, {6, 3, 50}}), 3u);
  EXPECT_EQ(ChooseNext({{3, 0, 1}, {4, 0, 1}, {5, 4, 100}}), 0u);
  // The first file itself may wait for everything before it.
  EXPECT_EQ(ChooseNext({{3, 3, 1}, {4, 3, 2}}), 1u);
}

// ---- The window ---------------------------------------------------------------------

// A budget of `bytes`, and room for eight files by their count.
MemoryWindow::Limits Budget(std::uint64_t bytes) {
  MemoryWindow::Limits limits;
  limits.budget = bytes;
  limits.maxAhead = 8;
  return limits;
}

TEST(MemoryWindowFirst, ResultsOfLaterFilesNeverHoldBackTheFileTheyWaitFor) {
  MemoryWindow window(Budget(100));
  // File 1 went ahead of file 0.
  ASSERT_TRUE(window.TryEnter(1, 60));
  // Still in work, it counts for file 0 as for any other.
  EXPECT_FALSE(window.MayEnterFirst(0, 60));
  EXPECT_FALSE(window.TryEnter(2, 60));  // refused, and not counted
  EXPECT_TRUE(window.MayEnterFirst(0, 40));

  std::atomic<bool> entered = false;
  std::thread first([&] { entered = window.EnterFirst(0, 60); });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(entered);
  // Its result can only be committed after file 0: it must not hold file 0 back.
  window.Worked(1, 60, 70);
  first.join();
  EXPECT_TRUE(entered);
  // Any other file still sees the result's bytes.
  EXPECT_FALSE(window.MayEnter(1));
  EXPECT_FALSE(window.MayEnterFirst(2, 1));

  window.Worked(0, 60, 5);
  window.Committed(5);   // file 0
  window.Committed(70);  // file 1
  EXPECT_TRUE(window.TryEnter(2, 60));
  EXPECT_TRUE(window.MayEnter(40));
  EXPECT_FALSE(window.MayEnter(41));

  // The count of files ahead is discounted the same way.
  MemoryWindow::Limits counted;
  counted.minAhead = 1;
  counted.maxAhead = 2;
  counted.waitingBytes = 1;
  MemoryWindow byCount(counted);
  ASSERT_TRUE(byCount.TryEnter(3, 1));
  ASSERT_TRUE(byCount.TryEnter(4, 1));
  byCount.Worked(3, 1, 1);
  byCount.Worked(4, 1, 1);
  EXPECT_FALSE(byCount.MayEnter(1));
  EXPECT_TRUE(byCount.MayEnterFirst(2, 1));
  EXPECT_FALSE(byCount.MayEnterFirst(3, 1));  // file 4's result waits for file 3 only

  std::atomic<bool> answer = true;
  std::thread stopped([&] { answer = byCount.EnterFirst(5, 1); });
  byCount.Stop();
  stopped.join();
  EXPECT_FALSE(answer);
  EXPECT_FALSE(byCount.TryEnter(5, 1));
}

TEST(MemoryWindowRecount, AFileCountedAgainHoldsItsNewEstimate) {
  MemoryWindow window(Budget(150));
  ASSERT_TRUE(window.TryEnter(0, 100));
  EXPECT_FALSE(window.MayEnter(100));
  window.Recount(0, 10);
  EXPECT_TRUE(window.MayEnter(100));
  window.Recount(0, 120);
  EXPECT_FALSE(window.MayEnter(31));
  EXPECT_TRUE(window.MayEnter(30));
  // Its working bytes are freed at their new count.
  window.Worked(0, 120, 0);
  EXPECT_TRUE(window.MayEnter(150));
  window.Recount(0, 500);  // worked already: nothing to count
  EXPECT_TRUE(window.MayEnter(150));
}

// ---- The batch ----------------------------------------------------------------------

struct BatchOutcome {
  std::vector<std::size_t> reported;
  std::vector<std::optional<std::size_t>> replaced;
  std::map<std::string, std::string> files;
};

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) {
      const std::vector<std::uint8_t> bytes = test::ReadFile(e.path().string());
      files[fs::relative(e.path(), folder).string()] = std::string(bytes.begin(), bytes.end());
    }
  return files;
}

// Runs the batch on a thread of its own; a batch that has not ended after two minutes is
// waiting on itself, and the test program ends there rather than hang.
BatchOutcome RunGuarded(const std::vector<std::string>& paths, const std::string& folder,
                        const Options& o, int jobs, std::size_t ahead,
                        const std::map<std::string, std::uint64_t>& estimates,
                        std::uint64_t budget) {
  BatchOutcome outcome;
  auto run = std::async(std::launch::async, [&] {
    test::WaitingFeed feed(paths, o, true);
    test::FixedClock clock;
    BatchHooks hooks;
    hooks.handOutAhead = ahead;
    hooks.memoryBudget = budget;
    hooks.workingBytes = [&](const BatchItem& item) {
      const auto it = estimates.find(fs::path(item.path).filename().string());
      return it == estimates.end() ? std::uint64_t{100} : it->second;
    };
    hooks.report = [&](const CommittedFile& c) {
      outcome.reported.push_back(c.index);
      outcome.replaced.push_back(c.replaced);
      feed.Committed();
    };
    RunFeed(feed, clock, jobs, hooks);
    EXPECT_FALSE(feed.TimedOut());
  });
  if (run.wait_for(120s) != std::future_status::ready) {
    ADD_FAILURE() << "the batch waits on itself: " << jobs << " workers, " << ahead << " ahead";
    std::abort();
  }
  run.get();
  outcome.files = FilesBelow(folder);
  return outcome;
}

// Small files, a large one late in the batch, and results fed back in as sources: the
// later files read what earlier ones write, so they must wait for those commits. The
// memory budget lets barely one file in at a time, and the large file's result alone
// would not leave room for the file it waits behind.
TEST(HandOutAhead, SameOutputsIndexAndReportsAsInOrderWithoutWaitingOnItself) {
  test::TempFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "p" + std::to_string(i) + ".bmp";
    test::WriteBmp(dir / name, test::MakePhotoLike(40 + 8 * i, 30 + 5 * i, i + 1));
    paths.push_back(dir / name);
  }
  test::WriteBmp(dir / "big.bmp", test::MakePhotoLike(200, 150, 99));
  paths.insert(paths.begin() + 6, dir / "big.bmp");
  // Read back once p1 and p2 are written; both costly, so each would go first if it could.
  paths.push_back(dir / "s-p1.jpg");
  paths.push_back(dir / "s-p2.jpg");
  // And p3 twice: the later one's picture is left on disk.
  paths.insert(paths.begin() + 2, dir / "p3.bmp");
  const std::map<std::string, std::uint64_t> estimates = {
      {"big.bmp", 990}, {"s-p1.jpg", 950}, {"s-p2.jpg", 960}, {"p5.bmp", 400}};

  Options o = test::PlainOptions();
  o.subFolder = false;
  o.html = true;
  const auto sources = FilesBelow(dir.Path());
  auto clean = [&] {
    for (const auto& e : fs::directory_iterator(dir.Path()))
      if (!sources.count(e.path().filename().string())) fs::remove_all(e.path());
  };

  const BatchOutcome one = RunGuarded(paths, dir.Path(), o, 1, 1, estimates, 1000);
  ASSERT_EQ(one.reported.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(one.reported[i], i);
  EXPECT_TRUE(one.files.count("s-s-p1.jpg"));
  EXPECT_TRUE(one.files.count("s-s-p2.jpg"));
  EXPECT_EQ(one.replaced[4], std::optional<std::size_t>(2));  // p3 written twice

  for (int jobs : {2, 3})
    for (std::size_t ahead : {std::size_t{1}, std::size_t{4}, std::size_t{0}, std::size_t{16}})
      for (std::uint64_t budget : {std::uint64_t{1000}, std::uint64_t{1} << 30}) {
        clean();
        const BatchOutcome many = RunGuarded(paths, dir.Path(), o, jobs, ahead, estimates, budget);
        const std::string where = std::to_string(jobs) + " workers, " + std::to_string(ahead) +
                                  " ahead, budget " + std::to_string(budget);
        EXPECT_EQ(many.reported, one.reported) << where;
        EXPECT_EQ(many.replaced, one.replaced) << where;
        EXPECT_EQ(many.files, one.files) << where;
      }
}

// ---- Files that take their options when they start -----------------------------------

// A feed that names its files ahead and gives each its options only when it starts, as
// the window's does: `start` answers for the file at `index`, the `started`-th to start
// (from 0); nullopt drops it.
class StartingFeed final : public BatchFeed {
 public:
  using StartAnswer = std::function<std::optional<Options>(std::size_t index, std::size_t started)>;
  StartingFeed(std::vector<std::string> paths, Options fetched, StartAnswer start)
      : paths_(std::move(paths)), fetched_(std::move(fetched)), start_(std::move(start)) {}

  std::optional<BatchItem> Next(std::size_t index) override {
    if (index >= paths_.size()) return std::nullopt;
    return BatchItem{paths_[index], fetched_, paths_.size() - index - 1};
  }
  std::optional<Options> Start(std::size_t index, const Options& fetched) override {
    EXPECT_EQ(fetched, fetched_);
    std::optional<Options> options = start_(index, starts.size());
    if (options) starts.push_back(index);
    return options;
  }

  std::vector<std::size_t> starts;  // the files started, in the order they started

 private:
  const std::vector<std::string> paths_;
  const Options fetched_;
  const StartAnswer start_;
};

// `count` photos, each larger than the one before: a hand-out that looks ahead starts the
// last first.
std::vector<std::string> GrowingPhotos(const test::TempFolder& dir, int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back(dir / ("g" + std::to_string(i) + ".bmp"));
    test::WriteBmp(paths.back(), test::MakePhotoLike(40 + 30 * i, 30 + 20 * i, i + 1));
  }
  return paths;
}

std::vector<CommittedFile> RunStarting(StartingFeed& feed, int jobs) {
  std::vector<CommittedFile> reported;
  auto run = std::async(std::launch::async, [&] {
    test::FixedClock clock;
    BatchHooks hooks;
    hooks.report = [&](const CommittedFile& c) { reported.push_back(c); };
    RunFeed(feed, clock, jobs, hooks);
  });
  if (run.wait_for(120s) != std::future_status::ready) {
    ADD_FAILURE() << "the batch waits on itself with " << jobs << " workers";
    std::abort();
  }
  run.get();
  return reported;
}

TEST(StartingFeed, EachFileGoesThroughWithTheOptionsOfItsStartInWhateverOrderFilesStart) {
  for (int jobs : {1, 2, 3}) {
    test::TempFolder dir;
    const std::vector<std::string> paths = GrowingPhotos(dir, 6);
    Options fetched = test::PlainOptions();
    fetched.quality = 90;
    // The quality the controls held when each file started.
    StartingFeed feed(paths, fetched, [&](std::size_t, std::size_t started) {
      Options o = fetched;
      o.quality = 40 + static_cast<int>(started);
      return std::optional<Options>(o);
    });
    const std::vector<CommittedFile> reported = RunStarting(feed, jobs);
    ASSERT_EQ(reported.size(), paths.size()) << jobs;
    ASSERT_EQ(feed.starts.size(), paths.size()) << jobs;
    if (jobs > 1) EXPECT_EQ(feed.starts.front(), paths.size() - 1) << "the largest goes first";
    for (std::size_t k = 0; k < feed.starts.size(); ++k) {
      const CommittedFile& c = reported[feed.starts[k]];
      EXPECT_EQ(c.index, feed.starts[k]);
      EXPECT_EQ(c.result, FileResult::kWritten) << jobs;
      EXPECT_EQ(c.quality, 40 + static_cast<int>(k)) << jobs << " workers, file " << c.index;
    }
  }
}

TEST(StartingFeed, FilesDroppedAtTheirStartAreNeitherReadNorReported) {
  for (int jobs : {1, 2, 3}) {
    test::TempFolder dir;
    const std::vector<std::string> paths = GrowingPhotos(dir, 6);
    // Esc once two files have started: every later start is refused, whatever its place.
    StartingFeed feed(paths, test::PlainOptions(), [](std::size_t, std::size_t started) {
      return started < 2 ? std::optional<Options>(test::PlainOptions()) : std::nullopt;
    });
    const std::vector<CommittedFile> reported = RunStarting(feed, jobs);
    std::vector<std::size_t> started = feed.starts;
    std::sort(started.begin(), started.end());
    ASSERT_EQ(started.size(), 2u) << jobs;
    ASSERT_EQ(reported.size(), 2u) << jobs;
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(reported[k].index, started[k]) << jobs;
      EXPECT_EQ(reported[k].result, FileResult::kWritten) << jobs;
    }
    if (jobs > 1) EXPECT_EQ(started, (std::vector<std::size_t>{4, 5}));
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const bool written = fs::exists(dir / ("Resized/g" + std::to_string(i) + ".jpg"));
      EXPECT_EQ(written, std::count(started.begin(), started.end(), i) == 1) << i;
    }
  }
}

// Named apart when they were fetched, two files start with one output folder: the later
// one must still find the earlier one's result there, as when one file follows the other,
// although it is larger and so starts first.
TEST(StartingFeed, AnOutputNamedOnlyAtTheStartIsStillWaitedFor) {
  for (int round = 0; round < 5; ++round) {
    test::TempFolder dir;
    fs::create_directories(dir / "x");
    fs::create_directories(dir / "y");
    fs::create_directories(dir / "out");
    test::WriteBmp(dir / "x/p.bmp", test::MakePhotoLike(60, 40, 1));
    test::WriteBmp(dir / "y/p.bmp", test::MakePhotoLike(400, 300, 2));
    Options fetched = test::PlainOptions();
    fetched.skipExisting = true;
    Options atStart = fetched;
    atStart.outputDir = dir / "out";
    for (int jobs : {1, 2}) {
      fs::remove_all(dir / "out");
      fs::create_directories(dir / "out");
      StartingFeed feed({dir / "x/p.bmp", dir / "y/p.bmp"}, fetched,
                        [&](std::size_t, std::size_t) { return std::optional<Options>(atStart); });
      const std::vector<CommittedFile> reported = RunStarting(feed, jobs);
      ASSERT_EQ(reported.size(), 2u);
      EXPECT_EQ(reported[0].result, FileResult::kWritten) << jobs;
      EXPECT_EQ(reported[1].result, FileResult::kSkipped) << jobs << " workers, round " << round;
      EXPECT_FALSE(reported[1].replaced.has_value());
    }
  }
}

// A streamed photo holds only a band of its pixels, but decodes them all: it is ranked by
// its pixels, not by the bytes it holds, or a large JPEG would go last and finish alone.
TEST(StartingFeed, TheLargestPictureStartsFirstHoweverLittleItHolds) {
  test::TempFolder dir;
  std::vector<std::string> paths;
  // Progressive: held whole, as coefficients, until the last scan.
  for (int i = 0; i < 3; ++i) {
    paths.push_back(dir / ("s" + std::to_string(i) + ".jpg"));
    test::WriteFile(paths.back(),
                    test::JpegOf(test::MakePhotoLike(1500, 1100, i + 1), 90, false, true));
  }
  paths.push_back(dir / "large.jpg");
  test::WriteFile(paths.back(), test::JpegOf(test::MakePhotoLike(2400, 1800, 7), 90));
  const Options o = test::PlainOptions();
  const WorkEstimate small = EstimateWork(BatchItem{paths[0], o, {}});
  const WorkEstimate large = EstimateWork(BatchItem{paths[3], o, {}});
  ASSERT_LT(large.workingBytes, small.workingBytes) << "the JPEG is not streamed";
  EXPECT_EQ(small.pixels, 1500u * 1100u);
  EXPECT_EQ(large.pixels, 2400u * 1800u);
  EXPECT_EQ(EstimateWork(BatchItem{dir / "none.jpg", o, {}}).pixels, 0u);

  StartingFeed feed(paths, o, [&](std::size_t, std::size_t) { return std::optional<Options>(o); });
  const std::vector<CommittedFile> reported = RunStarting(feed, 2);
  ASSERT_EQ(reported.size(), paths.size());
  EXPECT_EQ(feed.starts.front(), 3u);
}

TEST(StartingFeed, OptionsNamingTheSameOutputKeepTheWaits) {
  test::FixedClock clock;
  CommitOrder order(clock);
  test::TempFolder dir;
  const std::string path = dir / "p.jpg";
  Options o = test::PlainOptions();
  Options other = o;
  other.quality = o.quality == 50 ? 60 : 50;
  other.saturation = true;
  EXPECT_TRUE(order.SameWaits(path, o, o));
  EXPECT_TRUE(order.SameWaits(path, o, other));  // another picture, the same place
  other.outputDir = dir / "out";
  EXPECT_FALSE(order.SameWaits(path, o, other));
  Options skipping = o;
  skipping.skipExisting = !o.skipExisting;
  EXPECT_FALSE(order.SameWaits(path, o, skipping));
  // A path that names no picture is neither read nor written, whatever the options.
  EXPECT_TRUE(order.SameWaits(dir / "notes.txt", o, other));
}

}  // namespace
}  // namespace brevine
