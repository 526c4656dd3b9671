#pragma once
// One pass of the area-averaging reduction, shared by FitToBox (whole pictures) and the
// row-by-row reduction: the footprints of every output pixel, the normaliser and the
// division table, and the width pass over any set of rows.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brevine::detail {

// The footprint of one output pixel: the first, partly covered source pixel `first` with
// weight `firstWeight` (1 ... 256), the whole pixels strictly between `first` and `last`,
// and `last` with weight `lastWeight` (0 ... 255; 0 means `last` is not read at all).
struct Footprint {
  int first;
  int firstWeight;
  int last;
  int lastWeight;
};

// Sums stay below 2^16 up to a ratio of about 255, which covers every photo reduction;
// then a division table of that many bytes replaces the per-byte division and the height
// pass can accumulate in 16-bit lanes.
constexpr std::int64_t kTableSums = 1 << 16;

struct Pass {
  std::vector<Footprint> footprints;
  std::int64_t normaliser = 0;         // N, kept in 64 bits so huge ratios stay exact
  std::int64_t maxSum = 0;             // bound on any channel sum S of this pass
  int maxSpan = 0;                     // most source pixels one footprint touches
  bool advancing = true;               // every footprint ends after it starts (never enlarging)
  std::vector<std::uint8_t> quotient;  // low byte of S * 256 / N for S <= maxSum, when small
  // 256 / N in single precision, and whether S x it truncated gives S * 256 / N for every
  // S <= maxSum (checked when the pass is built): a multiplication vectorises where the
  // table's look-ups do not.
  float reciprocal = 0;
  bool reciprocalExact = false;

  std::uint8_t Divide(std::int64_t sum) const {
    return static_cast<std::uint8_t>((sum * 256) / normaliser);
  }
  // Divide for S <= maxSum when reciprocalExact.
  static std::uint8_t DivideBy(std::uint32_t sum, float reciprocal) {
    return static_cast<std::uint8_t>(
        static_cast<std::int32_t>(static_cast<float>(sum) * reciprocal));
  }
  int Outputs() const { return static_cast<int>(footprints.size()); }
};

// Position tables of one pass from input length m to output length n, with the real
// arithmetic at exactly the documented points, then folded into footprints. Raises
// std::domain_error for n <= 0 or a zero normaliser.
Pass BuildPass(int m, int n);

// The target of FitToBox for a width x height picture, raising as it does (before any
// pass); `fits` when the picture is returned unchanged.
struct FitPlan {
  bool fits = false;
  int width = 0;
  int height = 0;
};
FitPlan PlanFit(int width, int height, int boxWidth, int boxHeight, int mode);

class EightRowWidthPass;

// The width pass: each row of `in` reduced on its own into the row of `out` at the same
// place. Which rows go together only changes the speed, never a byte.
class RowPass {
 public:
  explicit RowPass(const Pass& pass);
  ~RowPass();
  RowPass(const RowPass&) = delete;
  RowPass& operator=(const RowPass&) = delete;

  // `inBytes` is the length of every input row (3 x the pass's input length).
  void Run(const std::uint8_t* const* in, std::uint8_t* const* out, int count, std::size_t inBytes);

 private:
  const Pass& pass_;
  std::unique_ptr<EightRowWidthPass> eight_;
};

}  // namespace brevine::detail
