#include "memory_window.h"

#include <algorithm>

namespace brevine {

std::uint64_t MemoryWindow::QueueLimitLocked(std::uint64_t workingBytes) const {
  const std::uint64_t limit = limits_.maxQueued;
  for (const Ahead& file : files_) {
    if (file.worked) continue;
    // The oldest file in work: the results behind it wait for it too.
    const std::uint64_t times = file.workingBytes / std::max<std::uint64_t>(workingBytes, 1);
    if (times <= 1) return limit;
    // maxAhead bounds the count anyway, and keeps the product from overflowing.
    if (times >= limits_.maxAhead || limit >= limits_.maxAhead) return limits_.maxAhead;
    return std::min<std::uint64_t>(limit * times, limits_.maxAhead);
  }
  return limit;
}

bool MemoryWindow::MayEnterLocked(std::uint64_t workingBytes) const {
  if (ahead_ == 0) return true;
  if (ahead_ >= limits_.maxAhead) return false;
  if (ahead_ >= limits_.minAhead &&
      (waiting_ >= limits_.waitingBytes || ready_ >= QueueLimitLocked(workingBytes)))
    return false;
  if (!limits_.budget) return true;
  const std::uint64_t held = inWork_ + waiting_;
  return held <= *limits_.budget && workingBytes <= *limits_.budget - held;
}

bool MemoryWindow::MayEnter(std::uint64_t workingBytes) const {
  std::lock_guard lock(mutex_);
  return MayEnterLocked(workingBytes);
}

bool MemoryWindow::Enter(std::uint64_t workingBytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || MayEnterLocked(workingBytes); });
  if (stopped_) return false;
  ++ahead_;
  files_.push_back({workingBytes, false});
  inWork_ += workingBytes;
  return true;
}

void MemoryWindow::Worked(std::size_t index, std::uint64_t workingBytes,
                          std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (index >= committed_ && index - committed_ < files_.size() &&
        !files_[index - committed_].worked) {
      files_[index - committed_].worked = true;
      ++ready_;
    }
    inWork_ -= workingBytes;
    waiting_ += resultBytes;
  }
  changed_.notify_all();
}

void MemoryWindow::Committed(std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (ahead_ > 0) --ahead_;
    if (!files_.empty()) {
      if (files_.front().worked) --ready_;
      files_.pop_front();
    }
    ++committed_;
    waiting_ -= resultBytes;
  }
  changed_.notify_all();
}

void MemoryWindow::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

}  // namespace brevine
