#include "memory_window.h"

#include <algorithm>

namespace brevine {

bool MemoryWindow::AllowsLocked(std::size_t ahead, std::uint64_t waiting,
                                std::uint64_t workingBytes) const {
  if (ahead == 0) return true;
  if (ahead >= limits_.maxAhead) return false;
  if (ahead >= limits_.minAhead && waiting >= limits_.waitingBytes) return false;
  if (!limits_.budget) return true;
  const std::uint64_t held = inWork_ + waiting;
  return held <= *limits_.budget && workingBytes <= *limits_.budget - held;
}

bool MemoryWindow::MayEnterLocked(std::uint64_t workingBytes) const {
  return AllowsLocked(ahead_, waiting_, workingBytes);
}

bool MemoryWindow::MayEnterFirstLocked(std::size_t position, std::uint64_t workingBytes) const {
  std::size_t behind = 0;
  std::uint64_t bytes = 0;
  for (auto it = results_.upper_bound(position); it != results_.end(); ++it) {
    ++behind;
    bytes += it->second;
  }
  return AllowsLocked(ahead_ - std::min(behind, ahead_), waiting_ - std::min(bytes, waiting_),
                      workingBytes);
}

bool MemoryWindow::MayEnterFirst(std::size_t position, std::uint64_t workingBytes) const {
  std::lock_guard lock(mutex_);
  return MayEnterFirstLocked(position, workingBytes);
}

void MemoryWindow::CountLocked(std::uint64_t workingBytes) {
  ++ahead_;
  inWork_ += workingBytes;
}

bool MemoryWindow::TryEnter(std::uint64_t workingBytes) {
  std::lock_guard lock(mutex_);
  if (stopped_ || !MayEnterLocked(workingBytes)) return false;
  CountLocked(workingBytes);
  return true;
}

bool MemoryWindow::EnterFirst(std::size_t position, std::uint64_t workingBytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || MayEnterFirstLocked(position, workingBytes); });
  if (stopped_) return false;
  CountLocked(workingBytes);
  return true;
}

void MemoryWindow::Worked(std::size_t position, std::uint64_t workingBytes,
                          std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (position >= committed_) results_[position] += resultBytes;
    inWork_ -= workingBytes;
    waiting_ += resultBytes;
  }
  changed_.notify_all();
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
  inWork_ += workingBytes;
  return true;
}

void MemoryWindow::Worked(std::uint64_t workingBytes, std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    inWork_ -= workingBytes;
    waiting_ += resultBytes;
  }
  changed_.notify_all();
}

void MemoryWindow::Committed(std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    if (ahead_ > 0) --ahead_;
    waiting_ -= resultBytes;
    results_.erase(committed_++);
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
