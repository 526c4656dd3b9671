#include "memory_window.h"

#include <algorithm>

namespace brevine {

std::uint64_t MemoryWindow::QueueLimitLocked(std::uint64_t workingBytes) const {
  const std::uint64_t limit = limits_.maxQueued;
  for (const auto& [position, file] : files_) {
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

bool MemoryWindow::AllowsLocked(const Held& held, std::uint64_t workingBytes) const {
  if (held.ahead == 0) return true;
  if (held.ahead >= limits_.maxAhead) return false;
  if (held.ahead >= limits_.minAhead &&
      (held.waiting >= limits_.waitingBytes || held.ready >= QueueLimitLocked(workingBytes)))
    return false;
  if (!limits_.budget) return true;
  const std::uint64_t bytes = inWork_ + held.waiting;
  return bytes <= *limits_.budget && workingBytes <= *limits_.budget - bytes;
}

bool MemoryWindow::MayEnterLocked(std::uint64_t workingBytes) const {
  return AllowsLocked({ahead_, ready_, waiting_}, workingBytes);
}

bool MemoryWindow::MayEnterFirstLocked(std::size_t position, std::uint64_t workingBytes) const {
  Held held{ahead_, ready_, waiting_};
  for (auto it = files_.upper_bound(position); it != files_.end(); ++it) {
    if (!it->second.worked) continue;
    --held.ahead;
    --held.ready;
    held.waiting -= it->second.resultBytes;
  }
  return AllowsLocked(held, workingBytes);
}

bool MemoryWindow::MayEnter(std::uint64_t workingBytes) const {
  std::lock_guard lock(mutex_);
  return MayEnterLocked(workingBytes);
}

bool MemoryWindow::MayEnterFirst(std::size_t position, std::uint64_t workingBytes) const {
  std::lock_guard lock(mutex_);
  return MayEnterFirstLocked(position, workingBytes);
}

void MemoryWindow::CountLocked(std::size_t position, std::uint64_t workingBytes) {
  ++ahead_;
  files_[position] = Ahead{workingBytes, 0, false};
  inWork_ += workingBytes;
}

bool MemoryWindow::Enter(std::uint64_t workingBytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || MayEnterLocked(workingBytes); });
  if (stopped_) return false;
  CountLocked(entered_++, workingBytes);
  return true;
}

bool MemoryWindow::TryEnter(std::size_t position, std::uint64_t workingBytes) {
  std::lock_guard lock(mutex_);
  if (stopped_ || !MayEnterLocked(workingBytes)) return false;
  CountLocked(position, workingBytes);
  return true;
}

bool MemoryWindow::EnterFirst(std::size_t position, std::uint64_t workingBytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || MayEnterFirstLocked(position, workingBytes); });
  if (stopped_) return false;
  CountLocked(position, workingBytes);
  return true;
}

void MemoryWindow::Recount(std::size_t position, std::uint64_t workingBytes) {
  {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(position);
    if (it == files_.end() || it->second.worked) return;
    inWork_ = inWork_ - it->second.workingBytes + workingBytes;
    it->second.workingBytes = workingBytes;
  }
  changed_.notify_all();
}

void MemoryWindow::Worked(std::size_t index, std::uint64_t workingBytes,
                          std::uint64_t resultBytes) {
  {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(index);
    if (it != files_.end() && !it->second.worked) {
      it->second.worked = true;
      it->second.resultBytes = resultBytes;
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
    const auto it = files_.find(committed_++);
    if (it != files_.end()) {
      if (it->second.worked) --ready_;
      files_.erase(it);
    }
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
