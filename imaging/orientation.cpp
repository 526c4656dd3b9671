#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging.h"

namespace brevine {
namespace {

inline void SwapPixels(std::uint8_t* a, std::uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

void MirrorRows(WorkBitmap& bitmap) {
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < w / 2; ++x) SwapPixels(row + 3 * x, row + 3 * (w - 1 - x));
  }
}

void FlipRows(WorkBitmap& bitmap) {
  const int h = bitmap.Height();
  const std::size_t stride = bitmap.Stride();
  for (int y = 0; y < h / 2; ++y) {
    std::swap_ranges(bitmap.Row(y), bitmap.Row(y) + stride, bitmap.Row(h - 1 - y));
  }
}

}  // namespace

void ApplyOrientation(WorkBitmap& bitmap, int orientation) {
  if (bitmap.Empty()) return;
  switch (orientation) {
    case 2:
      MirrorRows(bitmap);
      return;
    case 3:
      MirrorRows(bitmap);
      FlipRows(bitmap);
      return;
    case 4:
      FlipRows(bitmap);
      return;
    case 5:
    case 6:
    case 7:
    case 8:
      break;
    default:
      return;
  }
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  WorkBitmap turned(h, w);
  // Output row y is source column sx(y) read down (5, 8) or up (6, 7) the source. Bands of
  // output rows share each source row's cache lines, instead of one column per pass.
  const bool columnFromLeft = orientation == 5 || orientation == 6;
  const bool readDown = orientation == 5 || orientation == 8;
  constexpr int kBand = 16;
  for (int y0 = 0; y0 < w; y0 += kBand) {
    const int y1 = y0 + kBand < w ? y0 + kBand : w;
    for (int x = 0; x < h; ++x) {
      const std::uint8_t* source = bitmap.Row(readDown ? x : h - 1 - x);
      for (int y = y0; y < y1; ++y) {
        const int sx = columnFromLeft ? y : w - 1 - y;
        std::memcpy(turned.Row(y) + 3 * x, source + 3 * sx, 3);
      }
    }
  }
  bitmap.Swap(turned);
}

}  // namespace brevine
