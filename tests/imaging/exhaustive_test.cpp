// Whole-input-space checks of the fast paths against the direct formulas.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging.h"
#include "pixel_math.h"
#include "reference.h"

namespace brevine {
namespace {

// Every colour once, in a 4096 x 4096 image.
WorkBitmap AllColours() {
  WorkBitmap bmp(4096, 4096);
  std::uint8_t* p = bmp.Data();
  for (std::uint32_t c = 0; c < (1u << 24); ++c, p += 3) {
    p[0] = c & 0xFF;
    p[1] = (c >> 8) & 0xFF;
    p[2] = c >> 16;
  }
  return bmp;
}

void ExpectEveryColour(int factor) {
  const WorkBitmap all = AllColours();
  WorkBitmap boosted = all;
  BoostSaturation(boosted, boosted, factor);
  long long differ = 0;
  for (std::size_t i = 0; i < all.ByteCount(); i += 3) {
    std::uint8_t expected[3];
    reference::BoostPixel(all.Data() + i, expected, factor);
    const std::uint8_t* got = boosted.Data() + i;
    if (expected[0] != got[0] || expected[1] != got[1] || expected[2] != got[2]) {
      if (differ < 5)
        ADD_FAILURE() << "colour " << int(all.Data()[i]) << "," << int(all.Data()[i + 1]) << ","
                      << int(all.Data()[i + 2]) << " gives " << int(got[0]) << "," << int(got[1])
                      << "," << int(got[2]) << " expected " << int(expected[0]) << ","
                      << int(expected[1]) << "," << int(expected[2]);
      ++differ;
    }
  }
  EXPECT_EQ(differ, 0) << "at factor " << factor;
}

TEST(Exhaustive, SaturationBoostAt140EveryColour) { ExpectEveryColour(140); }

// The row-by-row boost keeps recent results by their input: every colour, boosted by one
// object after it has seen every colour already (in another order), is still the direct
// formulas' result.
TEST(Exhaustive, SaturationBoostKeptResultsEveryColour) {
  const WorkBitmap all = AllColours();
  SaturationBoost boost(140);
  WorkBitmap first = all;
  // Rows backwards, so that the second pass meets kept results and collisions alike.
  for (int y = first.Height() - 1; y >= 0; --y) boost.Apply(first.Row(y), 4096);
  WorkBitmap second = all;
  for (int y = 0; y < second.Height(); ++y) boost.Apply(second.Row(y), 4096);
  long long differ = 0;
  for (std::size_t i = 0; i < all.ByteCount(); i += 3) {
    std::uint8_t expected[3];
    reference::BoostPixel(all.Data() + i, expected, 140);
    differ += std::memcmp(expected, second.Data() + i, 3) != 0;
    differ += std::memcmp(expected, first.Data() + i, 3) != 0;
  }
  EXPECT_EQ(differ, 0);
}
TEST(Exhaustive, SaturationBoostAt100EveryColour) { ExpectEveryColour(100); }
TEST(Exhaustive, SaturationBoostAt1000EveryColour) { ExpectEveryColour(1000); }

TEST(Exhaustive, IntegerSharpeningEqualsLongDoubleFormula) {
  // Every centre byte, every sum of the four neighbours, every strength of the fast path.
  long long differ = 0;
  for (int p = 0; p <= detail::kSharpenExactMax; ++p) {
    for (int m = 0; m < 256; ++m) {
      for (int neighbours = 0; neighbours <= 1020; ++neighbours) {
        const int acc = 8 * m - neighbours;
        const std::uint8_t fast = detail::SharpenByteExact(acc * p + 4 * (100 - p) * m);
        const std::uint8_t slow = reference::SharpenByte(acc, m, p);
        if (fast != slow && ++differ < 5)
          ADD_FAILURE() << "p " << p << " m " << m << " acc " << acc << ": " << int(fast) << " vs "
                        << int(slow);
      }
    }
  }
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace brevine
