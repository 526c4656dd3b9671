#pragma once
// How much of a batch may be in memory at once: each file in work by the bytes it is
// expected to hold while it is prepared, and each prepared result by its encoded bytes
// until it is committed. The hand-out asks before each file and waits while the answer
// is no.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace brevine {

class MemoryWindow {
 public:
  struct Limits {
    // Bytes that the files in work and the results waiting may hold together; none: no
    // bound. A file is let in alone whatever its size, so the batch always moves.
    std::optional<std::uint64_t> budget;
    // Files handed out and not yet committed: up to `minAhead` whatever the results
    // waiting hold, up to `maxAhead` while they hold less than `waitingBytes`. Photos
    // differ in size tenfold, so a plain count would stall the workers behind one large
    // photo; the bytes bound it instead, with the count as the outer limit.
    std::size_t minAhead = 2;
    std::size_t maxAhead = 2;
    std::uint64_t waitingBytes = std::uint64_t{64} << 20;
  };

  explicit MemoryWindow(Limits limits) : limits_(limits) {}

  // Waits until a file expected to hold `workingBytes` may start, and counts it; false
  // when the window was stopped first.
  bool Enter(std::uint64_t workingBytes);
  // A file's work has ended: its working bytes are free; its result holds `resultBytes`
  // until it is committed.
  void Worked(std::uint64_t workingBytes, std::uint64_t resultBytes);
  // A result has been committed and freed.
  void Committed(std::uint64_t resultBytes);
  // As Enter, and counts the file at once if it may start now; false without waiting.
  bool TryEnter(std::uint64_t workingBytes);
  // As Enter, for the file at commit place `position` when no earlier file is still to be
  // handed out. The results of later files, which can only be committed after this one,
  // hold it back neither by their count nor by their bytes: else, once the files in work
  // had ended, the batch would wait on itself.
  bool EnterFirst(std::size_t position, std::uint64_t workingBytes);
  // As Worked, for the file at commit place `position`; files are committed in the order
  // of their places, 0, 1, 2, ...
  void Worked(std::size_t position, std::uint64_t workingBytes, std::uint64_t resultBytes);
  // Every Enter, now and later, answers false.
  void Stop();

  // The rule Enter waits on, for the state as it stands.
  bool MayEnter(std::uint64_t workingBytes) const;
  bool MayEnterFirst(std::size_t position, std::uint64_t workingBytes) const;

 private:
  bool MayEnterLocked(std::uint64_t workingBytes) const;
  bool MayEnterFirstLocked(std::size_t position, std::uint64_t workingBytes) const;
  bool AllowsLocked(std::size_t ahead, std::uint64_t waiting, std::uint64_t workingBytes) const;
  void CountLocked(std::uint64_t workingBytes);

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t ahead_ = 0;      // entered and not yet committed
  std::uint64_t inWork_ = 0;   // working bytes of the files in work
  std::uint64_t waiting_ = 0;  // result bytes not yet committed
  bool stopped_ = false;
  std::size_t committed_ = 0;                     // files committed: the next one's place
  std::map<std::size_t, std::uint64_t> results_;  // result bytes by place, once worked
};

}  // namespace brevine
