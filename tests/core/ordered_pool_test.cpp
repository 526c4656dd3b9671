// The ordered pool, the memory window and the runner's early end, each on its own.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include "batch_runner.h"
#include "fixed_clock.h"
#include "memory_window.h"
#include "ordered_pool.h"
#include "pipeline_support.h"
#include "waiting_feed.h"

namespace brevine {
namespace {

using namespace std::chrono_literals;

// ---- The pool -----------------------------------------------------------------------

using IntPool = OrderedPool<int, int>;

class SquareWorker final : public IntPool::Worker {
 public:
  explicit SquareWorker(std::function<void(std::size_t)> during = {})
      : during_(std::move(during)) {}
  int Work(std::size_t index, int& task) override {
    if (during_) during_(index);
    return task * task;
  }

 private:
  std::function<void(std::size_t)> during_;
};

TEST(OrderedPool, CommitsInHandOutOrderWhateverTheWorkTakes) {
  for (int workers : {1, 2, 3, 8}) {
    std::mutex mutex;
    std::vector<std::size_t> allocated;
    std::set<std::thread::id> allocators;
    std::vector<std::pair<std::size_t, int>> committed;
    std::atomic<int> made = 0;
    IntPool::Steps steps;
    steps.allocate = [&](std::size_t index) -> std::optional<int> {
      std::lock_guard lock(mutex);  // would deadlock nothing: one call at a time
      allocated.push_back(index);
      if (index >= 40) return std::nullopt;
      return static_cast<int>(index) + 1;
    };
    steps.makeWorker = [&] {
      ++made;
      return std::make_unique<SquareWorker>([](std::size_t index) {
        // Late files finish first: the commit must still come in order.
        std::this_thread::sleep_for(std::chrono::microseconds((40 - index % 7) * 60));
      });
    };
    steps.commit = [&](std::size_t index, int& result) { committed.emplace_back(index, result); };
    bool stopped = false;
    steps.stop = [&] { stopped = true; };
    IntPool pool(steps);
    ASSERT_EQ(pool.Start(workers), workers);
    pool.Run();
    EXPECT_EQ(made, workers);
    ASSERT_EQ(committed.size(), 40u) << workers;
    for (std::size_t i = 0; i < committed.size(); ++i) {
      EXPECT_EQ(committed[i].first, i);
      EXPECT_EQ(committed[i].second, static_cast<int>((i + 1) * (i + 1)));
    }
    // Each index asked for once, in order, and the end once.
    ASSERT_EQ(allocated.size(), 41u);
    for (std::size_t i = 0; i < allocated.size(); ++i) EXPECT_EQ(allocated[i], i);
    EXPECT_FALSE(stopped);  // an ordinary end stops nothing
  }
}

TEST(OrderedPool, AWorkMayWaitForTheCommitsBeforeIt) {
  std::atomic<std::size_t> committedCount = 0;
  std::atomic<bool> sawItsBarrier = true;
  IntPool* self = nullptr;
  IntPool::Steps steps;
  steps.allocate = [](std::size_t index) -> std::optional<int> {
    return index < 12 ? std::optional<int>(static_cast<int>(index)) : std::nullopt;
  };
  steps.makeWorker = [&] {
    return std::make_unique<SquareWorker>([&](std::size_t index) {
      if (index % 4 != 3) return;
      // Every fourth task reads what the one before it commits.
      EXPECT_TRUE(self->WaitCommitted(index));
      if (committedCount < index) sawItsBarrier = false;
    });
  };
  steps.commit = [&](std::size_t, int&) {
    std::this_thread::sleep_for(1ms);
    ++committedCount;
  };
  IntPool pool(steps);
  self = &pool;
  ASSERT_EQ(pool.Start(3), 3);
  pool.Run();
  EXPECT_EQ(committedCount, 12u);
  EXPECT_TRUE(sawItsBarrier);
}

TEST(OrderedPool, ACommitThatRaisesStopsThePoolAndWakesAWaitingAllocate) {
  // The hand-out past the last task waits, as the window's does, until every task in work
  // is committed; a commit that raises must wake it instead of waiting for it forever.
  std::mutex mutex;
  std::condition_variable wake;
  bool stopped = false;
  int stopCalls = 0;
  bool allocateTimedOut = false;
  std::vector<std::size_t> committed;
  IntPool::Steps steps;
  steps.allocate = [&](std::size_t index) -> std::optional<int> {
    if (index < 5) return static_cast<int>(index);
    std::unique_lock lock(mutex);
    if (!wake.wait_for(lock, 10s, [&] { return stopped; })) allocateTimedOut = true;
    return std::nullopt;
  };
  steps.makeWorker = [] { return std::make_unique<SquareWorker>(); };
  steps.commit = [&](std::size_t index, int&) {
    if (index == 2) throw std::bad_alloc();
    committed.push_back(index);
  };
  steps.stop = [&] {
    {
      std::lock_guard lock(mutex);
      stopped = true;
      ++stopCalls;
    }
    wake.notify_all();
  };
  IntPool pool(steps);
  ASSERT_EQ(pool.Start(3), 3);
  EXPECT_THROW(pool.Run(), std::bad_alloc);
  EXPECT_EQ(committed, (std::vector<std::size_t>{0, 1}));
  EXPECT_FALSE(allocateTimedOut);
  EXPECT_EQ(stopCalls, 1);
}

TEST(OrderedPool, AStepThatRaisesOnAWorkerEndsTheRun) {
  for (const char* where : {"allocate", "work"}) {
    IntPool::Steps steps;
    std::vector<std::size_t> committed;
    const std::string step = where;
    steps.allocate = [&](std::size_t index) -> std::optional<int> {
      if (step == "allocate" && index == 3) throw std::runtime_error("feed");
      return static_cast<int>(index);  // never ends by itself
    };
    steps.makeWorker = [&] {
      return std::make_unique<SquareWorker>([&](std::size_t index) {
        if (step == "work" && index == 3) throw std::runtime_error("work");
      });
    };
    steps.commit = [&](std::size_t index, int&) { committed.push_back(index); };
    IntPool pool(steps);
    ASSERT_EQ(pool.Start(2), 2);
    EXPECT_THROW(pool.Run(), std::runtime_error) << where;
    // Whatever was committed came in order, and nothing at or past the failed task.
    for (std::size_t i = 0; i < committed.size(); ++i) EXPECT_EQ(committed[i], i) << where;
    EXPECT_LE(committed.size(), 3u) << where;
  }
}

// ---- The memory window --------------------------------------------------------------

TEST(MemoryWindow, FilesInWorkAndResultsWaitingShareTheBudget) {
  MemoryWindow::Limits limits;
  limits.budget = 1000;
  limits.minAhead = 4;
  limits.maxAhead = 6;
  limits.waitingBytes = 300;
  MemoryWindow window(limits);
  // Alone, any file may start, larger than the budget too: the batch always moves.
  EXPECT_TRUE(window.MayEnter(5000));
  ASSERT_TRUE(window.Enter(600));
  EXPECT_TRUE(window.MayEnter(400));
  EXPECT_FALSE(window.MayEnter(401));
  ASSERT_TRUE(window.Enter(100));
  // Counted by their estimates: a band-sized file still fits beside them.
  EXPECT_TRUE(window.MayEnter(300));
  window.Worked(0, 600, 50);  // the large file is prepared: only its result is held now
  EXPECT_TRUE(window.MayEnter(850));
  EXPECT_FALSE(window.MayEnter(851));
  window.Committed(50);
  EXPECT_TRUE(window.MayEnter(900));

  // Past minAhead, the results waiting must hold less than waitingBytes; maxAhead bounds
  // the count whatever they hold.
  MemoryWindow::Limits counted = limits;
  counted.budget.reset();
  MemoryWindow byBytes(counted);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(byBytes.Enter(1));
  for (int i = 0; i < 4; ++i) byBytes.Worked(i, 1, 100);  // 400 bytes waiting, 4 ahead
  EXPECT_FALSE(byBytes.MayEnter(1));
  byBytes.Committed(100);  // 3 ahead: below minAhead, whatever waits
  EXPECT_TRUE(byBytes.MayEnter(1));

  MemoryWindow byCount(counted);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(byCount.Enter(1));
  for (int i = 0; i < 6; ++i) byCount.Worked(i, 1, 1);  // little waiting, but 6 ahead
  EXPECT_FALSE(byCount.MayEnter(1));
  byCount.Committed(1);
  EXPECT_TRUE(byCount.MayEnter(1));
}

// Results that wait to be committed hold the hand-out back, behind slow commits or a file
// slow for its size; behind a file expected to hold k times as much, k times as many may
// wait, so the window runs ahead of a large photo.
TEST(MemoryWindow, ResultsWaitingHoldTheHandOutBackUnlessALargerFileIsInWork) {
  MemoryWindow::Limits limits;
  limits.minAhead = 2;
  limits.maxAhead = 20;
  limits.maxQueued = 3;
  MemoryWindow even(limits);
  for (std::size_t i = 0; i < 4; ++i) ASSERT_TRUE(even.Enter(1));
  for (std::size_t i = 1; i < 4; ++i) even.Worked(i, 1, 1);
  EXPECT_FALSE(even.MayEnter(1));  // file 0 is no larger than the others
  even.Worked(0, 1, 1);            // the commits are behind
  EXPECT_FALSE(even.MayEnter(1));
  even.Committed(1);
  EXPECT_FALSE(even.MayEnter(1));  // still three
  even.Committed(1);
  EXPECT_TRUE(even.MayEnter(1));

  MemoryWindow twice(limits);
  ASSERT_TRUE(twice.Enter(2));  // twice what the others will hold
  for (std::size_t i = 1; i <= 5; ++i) {
    ASSERT_TRUE(twice.Enter(1));
    twice.Worked(i, 1, 1);
  }
  EXPECT_TRUE(twice.MayEnter(1));  // five waiting, six allowed
  ASSERT_TRUE(twice.Enter(1));
  twice.Worked(6, 1, 1);
  EXPECT_FALSE(twice.MayEnter(1));
  twice.Worked(0, 2, 1);  // nothing in work: three again
  for (int i = 0; i < 4; ++i) twice.Committed(1);
  EXPECT_FALSE(twice.MayEnter(1));  // 4, 5 and 6 wait
  twice.Committed(1);
  EXPECT_TRUE(twice.MayEnter(1));

  MemoryWindow large(limits);
  ASSERT_TRUE(large.Enter(std::uint64_t{1} << 40));
  for (std::size_t i = 1; i < 19; ++i) {
    ASSERT_TRUE(large.Enter(1));
    large.Worked(i, 1, 1);
  }
  EXPECT_TRUE(large.MayEnter(1));  // up to maxAhead
  ASSERT_TRUE(large.Enter(1));
  EXPECT_FALSE(large.MayEnter(1));

  // Below minAhead a file is let in whatever waits.
  limits.minAhead = 5;
  MemoryWindow low(limits);
  for (std::size_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(low.Enter(1));
    low.Worked(i, 1, 1);
  }
  EXPECT_TRUE(low.MayEnter(1));
  ASSERT_TRUE(low.Enter(1));
  low.Worked(4, 1, 1);
  EXPECT_FALSE(low.MayEnter(1));
}

TEST(MemoryWindow, EnterWaitsForRoomAndStopWakesIt) {
  MemoryWindow::Limits limits;
  limits.budget = 100;
  limits.maxAhead = 8;
  MemoryWindow window(limits);
  ASSERT_TRUE(window.Enter(80));
  std::atomic<bool> entered = false;
  std::thread waiting([&] { entered = window.Enter(80); });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(entered);
  window.Worked(0, 80, 0);  // room now
  waiting.join();
  EXPECT_TRUE(entered);

  std::atomic<bool> answer = true;
  std::thread stopped([&] { answer = window.Enter(1000); });
  window.Stop();
  stopped.join();
  EXPECT_FALSE(answer);
}

// ---- The runner ---------------------------------------------------------------------

TEST(RunFeed, AReportThatRaisesEndsTheBatchInsteadOfHangingIt) {
  test::TempFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i) {
    paths.push_back(dir / ("f" + std::to_string(i) + ".bmp"));
    test::WriteBmp(paths.back(), test::MakePhotoLike(60 + i, 40, i));
  }
  test::FixedClock clock;
  for (int jobs : {1, 3}) {
    test::WaitingFeed feed(paths, test::PlainOptions(), false);
    std::vector<std::size_t> reported;
    BatchHooks hooks;
    // Out of memory while telling the window about the third file.
    hooks.report = [&](const CommittedFile& c) {
      if (c.index == 2) throw std::bad_alloc();
      reported.push_back(c.index);
      feed.Committed();
    };
    EXPECT_THROW(RunFeed(feed, clock, jobs, hooks), std::bad_alloc) << jobs;
    EXPECT_FALSE(feed.TimedOut()) << jobs;
    EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1})) << jobs;
  }
}

// A batch whose commits are slower than its workers keeps a short queue of results, not
// one as long as the window may run ahead of a large photo.
TEST(RunFeed, SlowCommitsKeepTheQueueShort) {
  test::TempFolder dir;
  constexpr std::size_t kFiles = 150;
  class CountingFeed final : public BatchFeed {
   public:
    explicit CountingFeed(const test::TempFolder& dir) : dir_(dir) {}
    std::optional<BatchItem> Next(std::size_t index) override {
      if (index >= kFiles) return std::nullopt;
      std::lock_guard lock(mutex_);
      ++handed_;
      most_ = std::max(most_, handed_ - committed_);
      // Missing files: each is done at once, and each waits for the commits.
      return BatchItem{dir_ / ("missing" + std::to_string(index) + ".jpg"), test::PlainOptions(),
                       kFiles - index - 1};
    }
    void Committed() {
      std::lock_guard lock(mutex_);
      ++committed_;
    }
    std::size_t Most() {
      std::lock_guard lock(mutex_);
      return most_;
    }

   private:
    const test::TempFolder& dir_;
    std::mutex mutex_;
    std::size_t handed_ = 0, committed_ = 0, most_ = 0;
  } feed(dir);
  test::FixedClock clock;
  BatchHooks hooks;
  std::size_t reported = 0;
  hooks.report = [&](const CommittedFile&) {
    std::this_thread::sleep_for(1ms);
    ++reported;
    feed.Committed();
  };
  RunFeed(feed, clock, 2, hooks);
  EXPECT_EQ(reported, kFiles);
  // Two workers may run 64 files ahead of a large photo; of files alike, 16 results wait,
  // with the files in work and the one being handed out beside them, and the files the
  // hand-out has asked for to choose among.
  EXPECT_LE(feed.Most(), 24u + kHandOutAhead - 1);
}

TEST(RunFeed, TheMemoryBudgetCountsEachFileByItsEstimate) {
  test::TempFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 6; ++i) {
    paths.push_back(dir / ("f" + std::to_string(i) + ".bmp"));
    test::WriteBmp(paths.back(), test::MakePhotoLike(50, 40, i));
  }
  test::FixedClock clock;
  // How many files are between their load and their end at once.
  auto run = [&](std::uint64_t estimate, bool waitForAPartner) {
    std::mutex mutex;
    std::condition_variable arrived;
    int inside = 0, most = 0;
    test::WaitingFeed feed(paths, test::PlainOptions(), false);
    BatchHooks hooks;
    hooks.memoryBudget = 1000;
    hooks.workingBytes = [&](const BatchItem&) { return estimate; };
    hooks.report = [&](const CommittedFile&) { feed.Committed(); };
    hooks.loaded = [&](std::size_t, const WorkBitmap&) {
      std::unique_lock lock(mutex);
      most = std::max(most, ++inside);
      arrived.notify_all();
      if (waitForAPartner)
        arrived.wait_for(lock, 5s, [&] { return most >= 2; });
      else
        arrived.wait_for(lock, 20ms, [] { return false; });
      --inside;
    };
    RunFeed(feed, clock, 2, hooks);
    return most;
  };
  // Full bitmaps of 600 bytes: one file at a time fits. Bands of 100: both workers busy.
  EXPECT_EQ(run(600, false), 1);
  EXPECT_EQ(run(100, true), 2);
}

// Two files with one output and a third that reads it: the third is handed out after the
// first is committed but before the second is, whose result must still replace the first's
// (the third's source is the file the second writes, not the one there when it was handed
// out).
TEST(RunFeed, ASourceAnEarlierFileWritesIsNotedOnlyOnceWritten) {
  test::TempFolder dir;
  test::WriteBmp(dir / "a.bmp", test::MakePhotoLike(20, 16, 1));
  test::WriteFile(dir / "a.jpg", test::JpegOf(test::MakePhotoLike(16, 20, 2), 90));
  Options o = test::PlainOptions();
  o.subFolder = false;
  const std::vector<std::string> paths = {dir / "a.bmp", dir / "a.jpg", dir / "s-a.jpg"};

  class ThirdAfterFirstCommit final : public BatchFeed {
   public:
    ThirdAfterFirstCommit(const std::vector<std::string>& paths, Options o)
        : paths_(paths), options_(std::move(o)) {}
    std::optional<BatchItem> Next(std::size_t index) override {
      if (index >= paths_.size()) return std::nullopt;
      std::unique_lock lock(mutex);
      if (index == 2) changed.wait_for(lock, 5s, [&] { return committed >= 1; });
      handedOut = index + 1;
      changed.notify_all();
      return BatchItem{paths_[index], options_, std::nullopt};
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t committed = 0, handedOut = 0;

   private:
    const std::vector<std::string>& paths_;
    const Options options_;
  } feed(paths, o);

  std::vector<CommittedFile> reports;
  BatchHooks hooks;
  hooks.report = [&](const CommittedFile& c) {
    reports.push_back(c);
    std::lock_guard lock(feed.mutex);
    ++feed.committed;
    feed.changed.notify_all();
  };
  // The second file is held until the third is handed out, and a while past that.
  hooks.loaded = [&](std::size_t index, const WorkBitmap&) {
    if (index != 1) return;
    {
      std::unique_lock lock(feed.mutex);
      feed.changed.wait_for(lock, 5s, [&] { return feed.handedOut >= 3; });
    }
    std::this_thread::sleep_for(50ms);
  };
  test::FixedClock clock;
  RunFeed(feed, clock, 2, hooks);
  ASSERT_EQ(reports.size(), 3u);
  for (const CommittedFile& c : reports)
    EXPECT_EQ(c.result, FileResult::kWritten) << c.index << " " << c.detail;
  EXPECT_EQ(reports[1].replaced, std::optional<std::size_t>(0));
  EXPECT_TRUE(std::filesystem::exists(dir / "s-s-a.jpg"));
}

}  // namespace
}  // namespace brevine
