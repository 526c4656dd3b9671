#include <cstdint>
#include <stdexcept>
#include <vector>

#include "imaging.h"
#include "pixel_math.h"

namespace brevine {
namespace {

using detail::SharpenByteDirect;
using detail::SharpenByteExact;

constexpr int kExactStrengthMax = detail::kSharpenExactMax;

// One row. `kInPlace`: the output row is the current row, so the left neighbour is the
// byte just written, held in a register instead of being read back from memory.
template <bool kExact, bool kInPlace>
void SharpenRow(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                std::uint8_t* out, int width, int strength) {
  const int centreWeight = 4 * (100 - strength);
  int left[3] = {row[0], row[1], row[2]};  // the centre itself at x = 0
  for (int x = 0; x < width; ++x) {
    const int at = 3 * x;
    const int right = x + 1 < width ? at + 3 : at;
    int acc[3];
    int centre[3];
    for (int c = 0; c < 3; ++c) {
      centre[c] = row[at + c];
      const int l = kInPlace ? left[c] : row[(x > 0 ? at - 3 : at) + c];
      acc[c] = 8 * centre[c] - l - up[at + c] - down[at + c] - row[right + c];
    }
    for (int c = 0; c < 3; ++c) {
      const std::uint8_t value = kExact ? SharpenByteExact(acc[c] * strength + centreWeight * centre[c])
                                        : SharpenByteDirect(acc[c], centre[c], strength);
      out[at + c] = value;
      left[c] = value;
    }
  }
}

template <bool kExact>
void SharpenAll(const WorkBitmap& source, WorkBitmap& destination, int strength) {
  const int width = source.Width();
  const int height = source.Height();
  // All source row addresses are taken before any pixel is written.
  std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = source.Row(y);
  const bool inPlace = &source == &destination;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* up = rows[y > 0 ? y - 1 : y];
    const std::uint8_t* down = rows[y + 1 < height ? y + 1 : y];
    if (inPlace)
      SharpenRow<kExact, true>(up, rows[y], down, destination.Row(y), width, strength);
    else
      SharpenRow<kExact, false>(up, rows[y], down, destination.Row(y), width, strength);
  }
}

}  // namespace

void SharpenImage(const WorkBitmap& source, WorkBitmap& destination, int strength) {
  if (source.Width() != destination.Width() || source.Height() != destination.Height())
    throw std::invalid_argument("sharpening needs equal sizes");
  if (source.Empty()) return;
  if (strength >= 0 && strength <= kExactStrengthMax)
    SharpenAll<true>(source, destination, strength);
  else
    SharpenAll<false>(source, destination, strength);
}

}  // namespace brevine
