#include <utility>

#include "codecs.h"

namespace brevine {

QualityResult BisectTargetSize(const EncodeAtQuality& encode, std::int64_t maxBytes,
                               TargetSizeStats* statsOut) {
  TargetSizeStats local;
  TargetSizeStats& stats = statsOut != nullptr ? *statsOut : local;
  stats = {};
  // The last encoding that fitted, so that the answer costs no second encode when it is lo.
  QualityResult held;
  held.quality = 0;
  int lo = 1;
  int hi = 100;
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    std::vector<std::uint8_t> bytes = encode(mid);
    ++stats.encodes;
    if (static_cast<std::int64_t>(bytes.size()) <= maxBytes) {
      lo = mid;
      held = {mid, std::move(bytes)};
    } else {
      hi = mid - 1;
    }
  }
  if (held.quality != lo) {
    held = {lo, encode(lo)};
    ++stats.encodes;
  }
  return held;
}

}  // namespace brevine
