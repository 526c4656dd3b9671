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
    // Results ready and not yet committed. Past `minAhead`, no file is let in while this
    // many wait: the commits are behind, or a file ahead of them is slow for its size (its
    // thread had no core for a while), and a further result would only wait beside them.
    // Behind a file in work that is expected to hold k times what the new file will, k
    // times as many may wait, so the window still runs ahead of a large photo.
    std::size_t maxQueued = static_cast<std::size_t>(-1);
  };

  explicit MemoryWindow(Limits limits) : limits_(limits) {}

  // Files have places 0, 1, 2, ... and are committed in the order of their places. Enter
  // gives them their places in the order they enter; TryEnter and EnterFirst are told
  // them, for a hand-out that may give a later file ahead of earlier ones.
  // Waits until a file expected to hold `workingBytes` may start, and counts it; false
  // when the window was stopped first.
  bool Enter(std::uint64_t workingBytes);
  // As Enter, for the file at `position`, and counts it at once if it may start now;
  // false without waiting.
  bool TryEnter(std::size_t position, std::uint64_t workingBytes);
  // As Enter, for the file at `position` when no earlier file is still to be handed out.
  // The results of later files, which can only be committed after this one, hold it back
  // neither by their count nor by their bytes: else, once the files in work had ended,
  // the batch would wait on itself.
  bool EnterFirst(std::size_t position, std::uint64_t workingBytes);
  // The file at `position`, let in and not yet worked, is now expected to hold
  // `workingBytes` (its options changed when it started).
  void Recount(std::size_t position, std::uint64_t workingBytes);
  // The work on file `index` has ended: its working bytes are free; its result holds
  // `resultBytes` until it is committed.
  void Worked(std::size_t index, std::uint64_t workingBytes, std::uint64_t resultBytes);
  // The next file's result has been committed and freed.
  void Committed(std::uint64_t resultBytes);
  // Every Enter, now and later, answers false.
  void Stop();

  // The rules Enter and EnterFirst wait on, for the state as it stands.
  bool MayEnter(std::uint64_t workingBytes) const;
  bool MayEnterFirst(std::size_t position, std::uint64_t workingBytes) const;

 private:
  struct Ahead {
    std::uint64_t workingBytes = 0;
    std::uint64_t resultBytes = 0;
    bool worked = false;
  };
  // What counts against a new file: the files ahead, the results ready and their bytes.
  struct Held {
    std::size_t ahead = 0;
    std::size_t ready = 0;
    std::uint64_t waiting = 0;
  };

  bool MayEnterLocked(std::uint64_t workingBytes) const;
  bool MayEnterFirstLocked(std::size_t position, std::uint64_t workingBytes) const;
  bool AllowsLocked(const Held& held, std::uint64_t workingBytes) const;
  void CountLocked(std::size_t position, std::uint64_t workingBytes);
  // How many results may wait before a file expected to hold `workingBytes` is let in.
  std::uint64_t QueueLimitLocked(std::uint64_t workingBytes) const;

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t ahead_ = 0;               // entered and not yet committed
  std::size_t committed_ = 0;           // the files committed, and so the next one's place
  std::size_t entered_ = 0;             // the places Enter gave
  std::size_t ready_ = 0;               // results ready and not yet committed
  std::map<std::size_t, Ahead> files_;  // each file ahead by its place
  std::uint64_t inWork_ = 0;            // working bytes of the files in work
  std::uint64_t waiting_ = 0;           // result bytes not yet committed
  bool stopped_ = false;
};

}  // namespace brevine
