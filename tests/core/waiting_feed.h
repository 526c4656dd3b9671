#pragma once
// A batch's files as the window hands them out: past the last file, Next waits until
// every file is committed (or the batch is abandoned), since a drop until then would still
// join the batch. A wait that lasts 10 s ends the feed and is noted.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch_runner.h"

namespace brevine::test {

class WaitingFeed final : public BatchFeed {
 public:
  // `tellFollowing`: each file says how many follow it, as the window's do once every
  // walk is back; otherwise the count is unknown.
  WaitingFeed(std::vector<std::string> paths, Options options, bool tellFollowing)
      : paths_(std::move(paths)), options_(std::move(options)), tellFollowing_(tellFollowing) {}

  std::optional<BatchItem> Next(std::size_t index) override {
    if (index < paths_.size()) {
      BatchItem item{paths_[index], options_};
      if (tellFollowing_) item.following = paths_.size() - index - 1;
      return item;
    }
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(10),
                           [&] { return abandoned_ || committed_ >= paths_.size(); }))
      timedOut_ = true;
    return std::nullopt;
  }
  void Abandon() override {
    {
      std::lock_guard lock(mutex_);
      abandoned_ = true;
    }
    changed_.notify_all();
  }
  // To be called from the batch's report of each committed file.
  void Committed() {
    {
      std::lock_guard lock(mutex_);
      ++committed_;
    }
    changed_.notify_all();
  }
  bool TimedOut() {
    std::lock_guard lock(mutex_);
    return timedOut_;
  }

 private:
  const std::vector<std::string> paths_;
  const Options options_;
  const bool tellFollowing_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t committed_ = 0;
  bool abandoned_ = false;
  bool timedOut_ = false;
};

}  // namespace brevine::test
