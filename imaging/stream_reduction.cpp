#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "imaging.h"
#include "reduction_pass.h"

namespace brevine {
namespace detail {
namespace {

// The row steps of 16-bit sums: a line's part added into its sums (`fresh`: the sums take
// it as it is), and the sums divided out. Each is compiled for any x86-64 and again for
// AVX2, whose wider vectors take a quarter-turned picture's long lines in half the steps;
// integer steps and one single-precision multiplication, so the same bytes either way.
[[gnu::always_inline]] inline void AddRow(std::uint16_t* __restrict sum,
                                          const std::uint8_t* __restrict line, std::size_t n,
                                          int weight, bool fresh) {
  if (weight == 256) {
    if (fresh)
      for (std::size_t x = 0; x < n; ++x) sum[x] = line[x];
    else
      for (std::size_t x = 0; x < n; ++x) sum[x] = static_cast<std::uint16_t>(sum[x] + line[x]);
  } else {
    const auto w = static_cast<std::uint16_t>(weight);
    if (fresh)
      for (std::size_t x = 0; x < n; ++x) sum[x] = static_cast<std::uint16_t>(line[x] * w) >> 8;
    else
      for (std::size_t x = 0; x < n; ++x)
        sum[x] =
            static_cast<std::uint16_t>(sum[x] + (static_cast<std::uint16_t>(line[x] * w) >> 8));
  }
}

[[gnu::always_inline]] inline void DivideRow(const std::uint16_t* __restrict sum,
                                             std::uint8_t* __restrict out, std::size_t n,
                                             float reciprocal) {
  for (std::size_t x = 0; x < n; ++x) out[x] = Pass::DivideBy(sum[x], reciprocal);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define BREVINE_SUMS_AVX2 1
__attribute__((target("avx2"))) void AddRowAvx2(std::uint16_t* sum, const std::uint8_t* line,
                                                std::size_t n, int weight, bool fresh) {
  AddRow(sum, line, n, weight, fresh);
}
__attribute__((target("avx2"))) void DivideRowAvx2(const std::uint16_t* sum, std::uint8_t* out,
                                                   std::size_t n, float reciprocal) {
  DivideRow(sum, out, n, reciprocal);
}
#endif

// The sums of one pass's output lines whose footprints are still open, fed one input line
// at a time in any order. Each input line adds (byte x weight) >> 8 to every output whose
// footprint holds it, the weight being that footprint's weight of the line (256 for a
// whole one); an output is divided out once the last of its lines has come. Integer
// addition does not care about order, so this is the sum the whole-picture pass forms.
template <class Sum>
class LineSums {
 public:
  // Lines arriving from one end to the other keep at most two outputs open at once.
  static constexpr int kSlots = 3;

  LineSums(const Pass& pass, std::size_t bytes) : pass_(pass), bytes_(bytes) {
    const int n = pass.Outputs();
    remaining_.resize(static_cast<std::size_t>(n));
    slotOf_.assign(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
      const Footprint& f = pass.footprints[i];
      remaining_[i] = LastRead(f) - f.first + 1;
    }
    for (auto& slot : slots_) slot.resize(bytes);
    for (int s = 0; s < kSlots; ++s) free_[s] = s;
    freeCount_ = kSlots;
  }

  // Adds input line k. For each output it completes, writes its bytes to target(i) and
  // then calls finished(i). False when the line cannot be taken (more outputs open than
  // slots, which lines in order never need).
  template <class Target, class Finished>
  bool Add(int k, const std::uint8_t* line, Target&& target, Finished&& finished) {
    const std::vector<Footprint>& fp = pass_.footprints;
    // Kept local: the byte stores below may alias any member, which would keep the loops
    // from vectorising.
    const std::size_t n = bytes_;
    // The first output whose footprint reaches k; footprints advance, so the outputs
    // holding k follow it without a gap.
    auto it = std::partition_point(fp.begin(), fp.end(),
                                   [k](const Footprint& f) { return LastRead(f) < k; });
    for (; it != fp.end() && it->first <= k; ++it) {
      const Footprint& f = *it;
      const int i = static_cast<int>(it - fp.begin());
      int slot = slotOf_[i];
      const bool fresh = slot < 0;
      if (fresh) {
        if (freeCount_ == 0) return false;
        slot = free_[--freeCount_];
        slotOf_[i] = slot;
      }
      Sum* sum = slots_[slot].data();
      const int weight = k == f.first ? f.firstWeight : (k < f.last ? 256 : f.lastWeight);
      // A fresh slot takes the line's part as it is, instead of being cleared first.
      if constexpr (std::is_same_v<Sum, std::uint16_t>) {
#if defined(BREVINE_SUMS_AVX2)
        if (avx2_)
          AddRowAvx2(sum, line, n, weight, fresh);
        else
#endif
          AddRow(sum, line, n, weight, fresh);
      } else if (weight == 256) {
        if (fresh)
          for (std::size_t x = 0; x < n; ++x) sum[x] = line[x];
        else
          for (std::size_t x = 0; x < n; ++x) sum[x] = static_cast<Sum>(sum[x] + line[x]);
      } else {
        const Sum w = static_cast<Sum>(weight);
        if (fresh)
          for (std::size_t x = 0; x < n; ++x) sum[x] = static_cast<Sum>(line[x] * w) >> 8;
        else
          for (std::size_t x = 0; x < n; ++x)
            sum[x] = static_cast<Sum>(sum[x] + (static_cast<Sum>(line[x] * w) >> 8));
      }
      if (--remaining_[i] == 0) {
        std::uint8_t* out = target(i);
        if constexpr (std::is_same_v<Sum, std::uint16_t>) {
          if (pass_.reciprocalExact) {
#if defined(BREVINE_SUMS_AVX2)
            if (avx2_)
              DivideRowAvx2(sum, out, n, pass_.reciprocal);
            else
#endif
              DivideRow(sum, out, n, pass_.reciprocal);
          } else {
            const std::uint8_t* table = pass_.quotient.data();
            for (std::size_t x = 0; x < n; ++x) out[x] = table[sum[x]];
          }
        } else {
          for (std::size_t x = 0; x < n; ++x)
            out[x] = pass_.Divide(static_cast<std::int64_t>(sum[x]));
        }
        slotOf_[i] = -1;
        free_[freeCount_++] = slot;
        ++completed_;
        finished(i);
      }
    }
    return true;
  }

  bool Complete() const { return completed_ == pass_.Outputs(); }

  static std::size_t Bytes(std::size_t bytes) { return kSlots * bytes * sizeof(Sum); }

 private:
  static int LastRead(const Footprint& f) { return f.lastWeight != 0 ? f.last : f.last - 1; }

  const Pass& pass_;
  std::size_t bytes_;
#if defined(BREVINE_SUMS_AVX2)
  bool avx2_ = __builtin_cpu_supports("avx2");
#endif
  std::vector<int> remaining_;  // input lines each output still waits for
  std::vector<int> slotOf_;     // each output's slot, -1 while none
  std::array<std::vector<Sum>, kSlots> slots_;
  std::array<int, kSlots> free_{};
  int freeCount_ = 0;
  int completed_ = 0;
};

using AnySums = std::variant<std::monostate, LineSums<std::uint16_t>, LineSums<std::int64_t>>;

void MakeSums(AnySums& sums, const Pass& pass, std::size_t bytes) {
  if (!pass.quotient.empty())
    sums.emplace<LineSums<std::uint16_t>>(pass, bytes);
  else
    sums.emplace<LineSums<std::int64_t>>(pass, bytes);
}

void MirrorRow(std::uint8_t* row, int width) {
  std::uint8_t* a = row;
  std::uint8_t* b = row + 3 * static_cast<std::size_t>(width - 1);
  for (; a < b; a += 3, b -= 3) {
    std::swap(a[0], b[0]);
    std::swap(a[1], b[1]);
    std::swap(a[2], b[2]);
  }
}

struct Target {
  int width;
  int height;
};

}  // namespace

class StreamState {
 public:
  // The width pass is fastest on groups of eight rows. Rows left over from a group wait in
  // the ring beside the next request, so that the groups stay whole.
  static constexpr int kWidthGroup = 8;
  // Rows of the ring the decoder writes into. Rows are taken and given back in order; a
  // request that does not fit before the ring's end starts again at its first row. On one
  // thread at most seven rows wait while a request is written (room for 16 after at most
  // 15 skipped); with a helper, two more requests may wait for it.
  static constexpr int kRingRows = 2 * StreamingReduction::kBlockRows + kWidthGroup;
  static constexpr int kHelperRingRows = 4 * StreamingReduction::kBlockRows;
  // Rows pending at most: seven left over and one request.
  static constexpr int kPendingRows = StreamingReduction::kBlockRows + kWidthGroup;
  static constexpr int kOneThreadRows = 4;

  StreamState(int width, int height, const ReductionSteps& steps, int threads, WorkBitmap* into)
      : width_(width), height_(height) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("empty picture");
    const int o = steps.orientation >= 2 && steps.orientation <= 8 ? steps.orientation : 1;
    transposed_ = o >= 5;
    // Row reversal: a left-right mirror for 2 and 3; for a quarter turn, the source
    // column that becomes the top output row is on the right for 7 and 8.
    mirror_ = o == 2 || o == 3 || o == 7 || o == 8;
    // The line a source row is in its pass: counted from the bottom for 3 and 4; for a
    // quarter turn, rows read upwards become left-to-right columns for 6 and 7.
    fromEnd_ = o == 3 || o == 4 || o == 6 || o == 7;

    const int uprightWidth = transposed_ ? height : width;
    const int uprightHeight = transposed_ ? width : height;
    const FitPlan plan = PlanFit(uprightWidth, uprightHeight, steps.boxWidth, steps.boxHeight, 1);
    if (plan.height == 0) throw std::domain_error("reduction to a zero height");
    target_ = {plan.width, plan.height};
    first_ = BuildPass(uprightWidth, plan.width);
    second_ = BuildPass(uprightHeight, plan.height);
    if (!first_.advancing || !second_.advancing)
      throw std::logic_error("a reduction pass that does not advance");
    if (steps.boost) boost_.emplace(steps.boostFactor);

    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    if (into != nullptr) result_.Swap(*into);
    ringRows_ = threads > 1 ? kHelperRingRows : kRingRows;
    block_.SetSize(width, ringRows_);
    if (!transposed_) {
      // Rows: width pass on each, height pass summed over them.
      rowPass_ = std::make_unique<RowPass>(first_);
      reduced_.resize(3 * static_cast<std::size_t>(plan.width) * kPendingRows);
      MakeSums(sums_, second_, 3 * static_cast<std::size_t>(plan.width));
      result_.SetSize(plan.width, plan.height);
    } else {
      // Rows are the upright picture's columns: the first pass sums across them, the
      // second reduces each finished column along its length, and the reduced columns
      // are written into their places in the result.
      rowPass_ = std::make_unique<RowPass>(second_);
      MakeSums(sums_, first_, rowBytes);
      columns_.resize(rowBytes * kColumnBatch);
      reduced_.resize(3 * static_cast<std::size_t>(plan.height) * kTileColumns);
      result_.SetSize(plan.width, plan.height);
    }
    // The helper boosts and reduces the rows while the decoder writes the next ones. Without
    // it (or when it cannot be started) the same steps run on the decoder's thread.
    if (threads > 1) {
      try {
        helper_ = std::thread([this] { HelperLoop(); });
      } catch (const std::system_error&) {
      }
    }
  }

  ~StreamState() { StopHelper(true); }
  StreamState(const StreamState&) = delete;
  StreamState& operator=(const StreamState&) = delete;

  std::uint8_t* Rows(int count) {
    count = std::clamp(count, 0, StreamingReduction::kBlockRows);
    if (helper_.joinable()) {
      std::unique_lock lock(mutex_);
      room_.wait(lock, [&] { return Fits(count); });
      writeStart_ = Start(count);
    } else {
      if (!Fits(count)) Process(pending_);
      writeStart_ = Start(count);
    }
    ringEnd_ = writeStart_ + count;
    return block_.Data() + Stride() * static_cast<std::size_t>(writeStart_);
  }

  std::size_t Stride() const { return 3 * static_cast<std::size_t>(width_); }
  int PreferredRows() const {
    return helper_.joinable() ? StreamingReduction::kBlockRows : kOneThreadRows;
  }

  void Put(int first, int count, int step) {
    if (count < 0 || count > StreamingReduction::kBlockRows || writeStart_ < 0 ||
        writeStart_ + count > ringRows_) {
      broken_ = true;
      return;
    }
    const Handed handed{writeStart_, count, first, step};
    writeStart_ = -1;
    rowsIn_ += count;
    if (count == 0) return;
    if (!helper_.joinable()) {
      live_.push_back({handed.start, handed.count});
      Take(handed);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      live_.push_back({handed.start, handed.count});
      handed_.push_back(handed);
    }
    work_.notify_one();
  }

  void Finish(WorkBitmap& result) {
    StopHelper(false);
    Process(pending_);
    if (transposed_) {
      FlushColumns();
      FlushTile();
    }
    const bool complete = std::visit(
        [](const auto& sums) {
          if constexpr (std::is_same_v<std::decay_t<decltype(sums)>, std::monostate>)
            return false;
          else
            return sums.Complete();
        },
        sums_);
    if (broken_ || rowsIn_ != height_ || !complete)
      throw std::logic_error("rows missing from a streamed reduction");
    result.Swap(result_);
  }

  static std::size_t WorkingBytes(int width, int height, const ReductionSteps& steps, int threads) {
    const bool transposed = steps.orientation >= 5 && steps.orientation <= 8;
    const int uprightWidth = transposed ? height : width;
    const int uprightHeight = transposed ? width : height;
    const FitPlan plan = PlanFit(uprightWidth, uprightHeight, steps.boxWidth, steps.boxHeight, 1);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    const std::size_t resultBytes =
        3 * static_cast<std::size_t>(plan.width) * static_cast<std::size_t>(plan.height);
    // Footprints of both passes and their division tables.
    std::size_t bytes = sizeof(Footprint) * static_cast<std::size_t>(plan.width + plan.height) +
                        2 * static_cast<std::size_t>(kTableSums);
    bytes += rowBytes * static_cast<std::size_t>(threads > 1 ? kHelperRingRows : kRingRows);
    // The boost's tables, and at most the megabyte of tie rows the program's factor has.
    if (steps.boost) bytes += std::size_t{2100} << 10;
    const std::size_t sumBytes = transposed ? rowBytes : 3 * static_cast<std::size_t>(plan.width);
    bytes += LineSums<std::int64_t>::Bytes(sumBytes);
    if (!transposed) {
      bytes += 3 * static_cast<std::size_t>(plan.width) * kPendingRows;
      bytes += resultBytes;
    } else {
      bytes += rowBytes * kColumnBatch + resultBytes;
      bytes += 3 * static_cast<std::size_t>(plan.height) * kTileColumns;
    }
    return bytes;
  }

 private:
  static constexpr int kColumnBatch = 8;
  static constexpr int kTileColumns = 32;

  // Rows of the ring in use: written by the decoder and not yet taken through the passes.
  struct Span {
    int start;
    int count;
  };
  // One Put: the ring rows written and the picture rows they hold.
  struct Handed {
    int start;
    int count;
    int first;
    int step;
  };

  // Where a request of `count` rows goes: after the newest rows in use (or, when none is,
  // after the last request), or at the ring's start when they do not fit before its end.
  // The requests go round the ring even when each is taken through before the next: the
  // decoder writing into the rows just read back costs a quarter-turned picture about a
  // tenth of its time.
  int Start(int count) const {
    const int next = live_.empty() ? ringEnd_ : live_.back().start + live_.back().count;
    return next + count <= ringRows_ ? next : 0;
  }
  bool Fits(int count) const {
    const int start = Start(count);
    for (const Span& span : live_)
      if (start < span.start + span.count && span.start < start + count) return false;
    return true;
  }

  // Boost and mirror of the handed rows, then the passes over every whole group of eight.
  // On the helper's thread when there is one.
  void Take(const Handed& handed) {
    for (int r = 0; r < handed.count; ++r) {
      const int y = handed.first + r * handed.step;
      const int slot = handed.start + r;
      std::uint8_t* row = block_.Data() + Stride() * static_cast<std::size_t>(slot);
      if (y < 0 || y >= height_) broken_ = true;
      if (pending_ >= kPendingRows) {
        broken_ = true;
        Process(pending_);
      }
      slotOf_[pending_] = slot;
      rowOf_[pending_] = y;
      ++pending_;
      if (boost_) boost_->Apply(row, static_cast<std::size_t>(width_));
      if (mirror_) MirrorRow(row, width_);
    }
    if (transposed_) {
      Process(pending_);
    } else if (pending_ >= kWidthGroup) {
      Process(pending_ - pending_ % kWidthGroup);
    }
  }

  void HelperLoop() {
    for (;;) {
      Handed handed;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return stopping_ || !handed_.empty(); });
        if (handed_.empty() || abandoned_) return;
        handed = handed_.front();
        handed_.pop_front();
      }
      try {
        Take(handed);
      } catch (...) {
        // Nothing here allocates or raises; were it to, the picture fails at Finish and
        // the decoder must not wait for room.
        broken_ = true;
        pending_ = 0;
        Release(ringRows_ * 2);
      }
    }
  }

  // Ends the helper once it has taken every handed row (or at once, `abandon`); the
  // decoder's thread then owns everything again.
  void StopHelper(bool abandon) {
    if (!helper_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      abandoned_ = abandon;
    }
    work_.notify_one();
    helper_.join();
  }

  // The first `count` pending rows are through: their ring rows are free again.
  void Release(int count) {
    std::unique_lock lock(mutex_, std::defer_lock);
    if (helper_.joinable()) lock.lock();
    while (count > 0 && !live_.empty()) {
      Span& oldest = live_.front();
      const int n = std::min(count, oldest.count);
      oldest.start += n;
      oldest.count -= n;
      count -= n;
      if (oldest.count == 0) live_.pop_front();
    }
    if (lock.owns_lock()) {
      lock.unlock();
      room_.notify_one();
    }
  }

  std::uint8_t* Slot(int r) {
    return block_.Data() + Stride() * static_cast<std::size_t>(slotOf_[r]);
  }

  // Takes the first `count` pending rows through the passes and keeps the rest.
  void Process(int count) {
    if (count <= 0) return;
    if (!transposed_) {
      const std::uint8_t* in[kPendingRows];
      std::uint8_t* out[kPendingRows];
      const std::size_t outBytes = 3 * static_cast<std::size_t>(target_.width);
      for (int r = 0; r < count; ++r) {
        in[r] = Slot(r);
        out[r] = reduced_.data() + outBytes * static_cast<std::size_t>(r);
      }
      rowPass_->Run(in, out, count, Stride());
      for (int r = 0; r < count; ++r) {
        const int y = rowOf_[r];
        if (y < 0 || y >= height_) continue;
        const int k = fromEnd_ ? height_ - 1 - y : y;
        AddLine(
            k, out[r], [this](int i) { return result_.Row(i); }, [](int) {});
      }
    } else {
      for (int r = 0; r < count; ++r) {
        const int y = rowOf_[r];
        if (y < 0 || y >= height_) continue;
        const int k = fromEnd_ ? height_ - 1 - y : y;
        AddLine(
            k, Slot(r),
            [this](int) {
              return columns_.data() + Stride() * static_cast<std::size_t>(columnCount_);
            },
            [this](int i) {
              columnOf_[columnCount_++] = i;
              if (columnCount_ == kColumnBatch) FlushColumns();
            });
      }
    }
    const int rest = pending_ - count;
    if (rest > 0) {
      std::copy(rowOf_.begin() + count, rowOf_.begin() + pending_, rowOf_.begin());
      std::copy(slotOf_.begin() + count, slotOf_.begin() + pending_, slotOf_.begin());
    }
    pending_ = rest;
    Release(count);
  }

  template <class TargetFn, class FinishedFn>
  void AddLine(int k, const std::uint8_t* line, TargetFn&& target, FinishedFn&& finished) {
    const bool taken = std::visit(
        [&](auto& sums) {
          if constexpr (std::is_same_v<std::decay_t<decltype(sums)>, std::monostate>)
            return false;
          else
            return sums.Add(k, line, target, finished);
        },
        sums_);
    if (!taken) broken_ = true;
  }

  // The second pass along the finished columns, into the tile of reduced columns; a tile
  // that has no room for another batch goes into the result.
  void FlushColumns() {
    if (columnCount_ == 0) return;
    const std::size_t columnBytes = 3 * static_cast<std::size_t>(target_.height);
    const std::uint8_t* in[kColumnBatch];
    std::uint8_t* out[kColumnBatch];
    for (int c = 0; c < columnCount_; ++c) {
      in[c] = columns_.data() + Stride() * static_cast<std::size_t>(c);
      out[c] = reduced_.data() + columnBytes * static_cast<std::size_t>(tileCount_ + c);
      tileOf_[tileCount_ + c] = columnOf_[c];
    }
    rowPass_->Run(in, out, columnCount_, Stride());
    tileCount_ += columnCount_;
    columnCount_ = 0;
    if (tileCount_ + kColumnBatch > kTileColumns) FlushTile();
  }

  // The tile's columns into their places in the result, a row at a time: each result row
  // is visited once for the tile's columns together rather than once for every batch.
  void FlushTile() {
    const std::size_t columnBytes = 3 * static_cast<std::size_t>(target_.height);
    for (int j = 0; j < target_.height; ++j) {
      std::uint8_t* row = result_.Row(j);
      const std::uint8_t* from = reduced_.data() + 3 * static_cast<std::size_t>(j);
      for (int c = 0; c < tileCount_; ++c, from += columnBytes)
        std::memcpy(row + 3 * static_cast<std::size_t>(tileOf_[c]), from, 3);
    }
    tileCount_ = 0;
  }

  int width_;
  int height_;
  bool transposed_ = false;
  bool mirror_ = false;
  bool fromEnd_ = false;
  Target target_{};
  Pass first_;
  Pass second_;
  std::optional<SaturationBoost> boost_;
  std::unique_ptr<RowPass> rowPass_;
  AnySums sums_;

  // The ring: rows as they came, boosted and mirrored (a bitmap for its large pages).
  WorkBitmap block_;
  int ringRows_ = kRingRows;
  int writeStart_ = -1;  // the ring row of the request being written, -1 when none
  int ringEnd_ = 0;      // the ring row after the last request
  int rowsIn_ = 0;       // the decoder's count
  std::atomic<bool> broken_ = false;

  // Shared with the helper under `mutex_` (live_ is the decoder's alone without a helper).
  std::deque<Span> live_;
  std::deque<Handed> handed_;
  bool stopping_ = false;
  bool abandoned_ = false;
  std::mutex mutex_;
  std::condition_variable work_;  // rows handed over, or the end
  std::condition_variable room_;  // ring rows given back

  // The passes' side: the helper's while it runs.
  std::array<int, kPendingRows> rowOf_{};
  std::array<int, kPendingRows> slotOf_{};
  int pending_ = 0;

  std::vector<std::uint8_t> reduced_;  // rows after the width pass, or the tile of reduced columns
  std::vector<std::uint8_t> columns_;  // finished columns waiting for the second pass
  std::array<int, kColumnBatch> columnOf_{};
  int columnCount_ = 0;
  std::array<int, kTileColumns> tileOf_{};  // the result column of each column in the tile
  int tileCount_ = 0;
  WorkBitmap result_;
  std::thread helper_;  // last: started once everything above is ready
};

}  // namespace detail

StreamingReduction::StreamingReduction(int width, int height, const ReductionSteps& steps,
                                       int threads, WorkBitmap* into)
    : state_(std::make_unique<detail::StreamState>(width, height, steps, threads, into)) {}

StreamingReduction::~StreamingReduction() = default;

int StreamingReduction::PreferredRows() const { return state_->PreferredRows(); }

std::uint8_t* StreamingReduction::Rows(int count) { return state_->Rows(count); }

std::size_t StreamingReduction::Stride() const { return state_->Stride(); }

void StreamingReduction::Put(int first, int count, int step) noexcept {
  state_->Put(first, count, step);
}

void StreamingReduction::Finish(WorkBitmap& result) { state_->Finish(result); }

std::size_t StreamingReduction::WorkingBytes(int width, int height, const ReductionSteps& steps,
                                             int threads) {
  return detail::StreamState::WorkingBytes(width, height, steps, threads);
}

void ReduceWholePicture(WorkBitmap& bitmap, const ReductionSteps& steps) {
  ApplyOrientation(bitmap, steps.orientation);
  if (steps.boost) BoostSaturation(bitmap, bitmap, steps.boostFactor);
  FitToBox(bitmap, bitmap, steps.boxWidth, steps.boxHeight, 1);
}

}  // namespace brevine
