#pragma once
// Pixel operations on the working image.
//
// Rules every operation here follows:
// - Source first, destination second. Source and destination may be the same object;
//   the result is then the one each function's comment names (only SharpenImage differs
//   from working into a separate image, by design).
// - Pixels are 3 bytes, blue, green, red; row 0 is the top row.
// - Real arithmetic is done in long double (x87, 64-bit significand), rounded to nearest
//   with ties to even, at exactly the points each function documents; truncation goes
//   toward zero. Build with -ffp-contract=off and without fast-math.
// - A failure raises (std::domain_error for a zero output length, std::invalid_argument
//   for bad arguments, std::length_error / std::bad_alloc for sizes); the destination then
//   holds the state the function documents.
// - No function keeps state between calls; two threads may work on two images at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "work_bitmap.h"

namespace brevine {

// 0 when x <= 0 (or NaN), 255 when x >= 255, else x rounded to nearest, ties to even.
std::uint8_t ClampByte(double x);

// Fits the source inside boxWidth x boxHeight keeping its aspect ratio, never enlarging,
// by separable area averaging (ReduceWidth into an intermediate of target width x source
// height, then ReduceHeight). mode 1 is the only mode. Raises std::domain_error when a
// target length is 0 or an empty source does not fit; the destination then holds the copy
// of the source (box width 0) or has already been resized (a zero target height).
// Negative box sizes and other modes raise std::invalid_argument, leaving the copy. The
// intermediate is the only other image-sized allocation and is released on every path.
void FitToBox(const WorkBitmap& source, WorkBitmap& destination, int boxWidth, int boxHeight,
              int mode = 1);
// One pass each; the destination already has its final size, and the other dimension must
// match (std::invalid_argument). An output length of 0 raises std::domain_error, as does
// an input length too small for the normaliser (only possible when enlarging).
void ReduceWidth(const WorkBitmap& source, WorkBitmap& destination);
void ReduceHeight(const WorkBitmap& source, WorkBitmap& destination);

// Hexcone conversion with c0 (blue) where the usual formulation puts red.
void RgbToHsv(int c0, int c1, int c2, int& h, double& s, int& v);
void HsvToRgb(int h, double s, int v, int& c0, int& c1, int& c2);
// Multiplies every pixel's saturation by factor percent (negative counts as 0).
void BoostSaturation(const WorkBitmap& source, WorkBitmap& destination, int factor);

namespace detail {
struct BoostTables;
}
// BoostSaturation for pixels handed over a run at a time (rows as a decoder delivers them),
// in place, with the same bytes. Holds its tables; use one object per thread.
class SaturationBoost {
 public:
  // kFastest uses the widest vectors the processor has; kAvx2 no more than 256-bit ones,
  // kPortable none (for tests that hold each to the direct formulas). All give the same
  // bytes.
  enum class Kernel { kFastest, kAvx2, kPortable };

  explicit SaturationBoost(int factor, Kernel kernel = Kernel::kFastest);
  ~SaturationBoost();
  SaturationBoost(const SaturationBoost&) = delete;
  SaturationBoost& operator=(const SaturationBoost&) = delete;
  void Apply(std::uint8_t* pixels, std::size_t count);

 private:
  int factor_;
  int lanes_ = 1;  // pixels the vector kernel takes at once, 1 for none
  std::unique_ptr<detail::BoostTables> tables_;
};

// Five-point sharpening at strength percent, in place when source and destination are one
// object (already-sharpened upper and left neighbours are read). Different sizes raise
// std::invalid_argument.
void SharpenImage(const WorkBitmap& source, WorkBitmap& destination, int strength);

// Turns the picture upright for an EXIF Orientation value: 2 mirrors left-right, 3 turns
// 180 degrees, 4 mirrors top-bottom, 5 transposes, 6 turns 90 degrees clockwise, 7
// transposes across the other diagonal, 8 turns 90 degrees counter-clockwise. Any other
// value (1, 0, out of range) leaves the bitmap untouched. 5 to 8 swap width and height
// through one temporary bitmap; the others work in place.
void ApplyOrientation(WorkBitmap& bitmap, int orientation);

// What happens to a picture between its decoder and the sharpening: the turn upright for an
// EXIF orientation (as ApplyOrientation; 1 for none), the saturation boost when `boost`
// (as BoostSaturation), then FitToBox with mode 1.
struct ReductionSteps {
  int orientation = 1;
  bool boost = false;
  int boostFactor = 0;
  int boxWidth = 0;
  int boxHeight = 0;
};

// Those steps on the whole picture, in place, exactly as the separate functions do them.
void ReduceWholePicture(WorkBitmap& bitmap, const ReductionSteps& steps);

namespace detail {
class StreamState;
}
// Those steps worked out from rows as a decoder delivers them, in either order, without the
// picture ever standing whole in memory: the boost works on each row as it arrives; with
// no quarter turn the width pass reduces each row and the height pass keeps integer sums per
// output row until its footprint is complete; with a quarter turn the first pass sums across
// the incoming rows and the second reduces along them, and the small result is turned at
// the end. Every byte equals ReduceWholePicture's. Memory grows with the width (and the
// result), not with the picture.
class StreamingReduction {
 public:
  // Rows handed over at most at once.
  static constexpr int kBlockRows = 16;

  // Raises what FitToBox raises for this size and box, before any row is taken:
  // std::invalid_argument for a negative box, std::domain_error for a zero target length.
  // With `threads` above 1 a helper thread boosts and reduces the handed rows while the
  // caller decodes the next ones; the bytes are the same. The result is built in the
  // pixels `into` holds where they are enough (a batch's bitmap from its last file), which
  // Finish(*into) hands back: no fresh memory to fault in for every file.
  StreamingReduction(int width, int height, const ReductionSteps& steps, int threads = 1,
                     WorkBitmap* into = nullptr);
  ~StreamingReduction();
  StreamingReduction(const StreamingReduction&) = delete;
  StreamingReduction& operator=(const StreamingReduction&) = delete;

  // Rows best handed over at once: a few on one thread, so that the boost and the width
  // pass find them still in the cache the decoder wrote them through; a whole block to a
  // helper thread, which takes them through another core's cache anyway, with fewer
  // hand-overs.
  int PreferredRows() const;
  // Room for `count` (at most kBlockRows) rows of width x 3 bytes, Stride() apart.
  std::uint8_t* Rows(int count);
  std::size_t Stride() const;
  // The `count` rows just written at Rows(): source rows first, first + step, ...
  // (step +1 or -1). Never raises.
  void Put(int first, int count, int step) noexcept;
  // Once every row has arrived: the result. Raises std::logic_error when rows are missing.
  void Finish(WorkBitmap& result);

  // The most bytes this object holds at once for such a picture (its band).
  static std::size_t WorkingBytes(int width, int height, const ReductionSteps& steps,
                                  int threads = 1);

 private:
  std::unique_ptr<detail::StreamState> state_;
};

}  // namespace brevine
