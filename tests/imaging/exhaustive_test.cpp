// Whole-input-space checks of the fast paths against the direct formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

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

// Runs of `run` pixels at a time, so that the vector kernel's groups, tails and short
// runs all meet every colour.
WorkBitmap BoostInRuns(const WorkBitmap& all, int factor, SaturationBoost::Kernel kernel,
                       std::size_t run) {
  WorkBitmap boosted = all;
  SaturationBoost boost(factor, kernel);
  const std::size_t pixels = static_cast<std::size_t>(all.Width()) * all.Height();
  for (std::size_t at = 0; at < pixels; at += run)
    boost.Apply(boosted.Data() + 3 * at, std::min(run, pixels - at));
  return boosted;
}

struct Way {
  SaturationBoost::Kernel kernel;
  std::size_t run;
};

// Every colour through each way against the direct formulas, worked out once.
void ExpectEveryColour(int factor, std::initializer_list<Way> ways) {
  const WorkBitmap all = AllColours();
  WorkBitmap expected = all;
  for (std::size_t i = 0; i < all.ByteCount(); i += 3)
    reference::BoostPixel(all.Data() + i, expected.Data() + i, factor);
  for (const Way& way : ways) {
    const WorkBitmap boosted = BoostInRuns(all, factor, way.kernel, way.run);
    long long differ = 0;
    for (std::size_t i = 0; i < all.ByteCount(); i += 3) {
      const std::uint8_t* want = expected.Data() + i;
      const std::uint8_t* got = boosted.Data() + i;
      if (std::memcmp(want, got, 3) == 0) continue;
      if (differ++ < 5)
        ADD_FAILURE() << "colour " << int(all.Data()[i]) << "," << int(all.Data()[i + 1]) << ","
                      << int(all.Data()[i + 2]) << " gives " << int(got[0]) << "," << int(got[1])
                      << "," << int(got[2]) << " expected " << int(want[0]) << "," << int(want[1])
                      << "," << int(want[2]);
    }
    EXPECT_EQ(differ, 0) << "at factor " << factor << ", runs of " << way.run << ", kernel "
                         << static_cast<int>(way.kernel);
  }
}

constexpr auto kFastest = SaturationBoost::Kernel::kFastest;
constexpr auto kAvx2 = SaturationBoost::Kernel::kAvx2;
constexpr auto kPortable = SaturationBoost::Kernel::kPortable;

// Each kernel the processor has, and runs of every kind: whole rows, groups of eight and
// sixteen, the tails after the last whole group, runs too short for a group at all, and
// runs across the widest kernel's batches of 64 groups whose ties it finishes together.
// Each run is read and written within its own bytes.
TEST(Exhaustive, SaturationBoostAt140EveryColour) {
  ExpectEveryColour(140, {{kFastest, 4096},
                          {kAvx2, 4096},
                          {kPortable, 4096},
                          {kFastest, 1},
                          {kFastest, 10},
                          {kFastest, 11},
                          {kFastest, 19},
                          {kFastest, 21},
                          {kFastest, 22},
                          {kFastest, 37},
                          {kFastest, 1024},
                          {kFastest, 1045},
                          {kFastest, 1061},
                          {kAvx2, 10},
                          {kAvx2, 11},
                          {kAvx2, 19}});
}

TEST(Exhaustive, SaturationBoostAtOtherFactorsEveryColour) {
  for (int factor : {100, 1000, 1, 99, 257})
    ExpectEveryColour(factor, {{kFastest, 4096}, {kAvx2, 4096}, {kPortable, 4096}});
}

// Factors whose exact ties fall on more hues and spreads than the widest kernel keeps rows
// for take a narrower kernel, with the same bytes.
TEST(Exhaustive, SaturationBoostWithManyTiesEveryColour) {
  for (int factor : {50, 250}) ExpectEveryColour(factor, {{kFastest, 4096}, {kFastest, 21}});
}

// The widest kernel keeps the bytes of the exact ties it met; a second picture of every
// colour through the same object takes many of them from there, the rest afresh.
TEST(Exhaustive, SaturationBoostKeepsTiesAcrossPictures) {
  const WorkBitmap all = AllColours();
  WorkBitmap expected = all;
  for (std::size_t i = 0; i < all.ByteCount(); i += 3)
    reference::BoostPixel(all.Data() + i, expected.Data() + i, 140);
  SaturationBoost boost(140, kFastest);
  for (int picture = 0; picture < 2; ++picture) {
    WorkBitmap boosted = all;
    // Rows in reverse, so that the second picture meets the ties in another order.
    for (int y = boosted.Height() - 1; y >= 0; --y) {
      const int row = picture == 0 ? boosted.Height() - 1 - y : y;
      boost.Apply(boosted.Row(row), static_cast<std::size_t>(boosted.Width()));
    }
    EXPECT_EQ(std::memcmp(boosted.Data(), expected.Data(), all.ByteCount()), 0)
        << "picture " << picture;
  }
}

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
