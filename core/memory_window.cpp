#include "memory_window.h"

namespace brevine {

std::size_t MemoryWindow::QueuedLocked() const {
  std::size_t queued = 0;
  while (queued < worked_.size() && queued < limits_.maxQueued && worked_[queued]) ++queued;
  return queued;
}

bool MemoryWindow::MayEnterLocked(std::uint64_t workingBytes) const {
  if (ahead_ == 0) return true;
  if (ahead_ >= limits_.maxAhead) return false;
  if (ahead_ >= limits_.minAhead &&
      (waiting_ >= limits_.waitingBytes || QueuedLocked() >= limits_.maxQueued))
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
  worked_.push_back(false);
  inWork_ += workingBytes;
  return true;
}

void MemoryWindow::Worked(std::size_t index, std::uint64_t workingBytes,
                          std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (index >= committed_ && index - committed_ < worked_.size())
      worked_[index - committed_] = true;
    inWork_ -= workingBytes;
    waiting_ += resultBytes;
  }
  changed_.notify_all();
}

void MemoryWindow::Committed(std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (ahead_ > 0) --ahead_;
    if (!worked_.empty()) worked_.pop_front();
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
