#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging.h"
#include "reference.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::MakeNoise;
using test::MakePhotoLike;
using test::MakeSolid;
using test::SameBitmap;

struct Triple {
  int c0, c1, c2;
};

Triple Boost(Triple in, int factor) {
  WorkBitmap bmp = MakeSolid(1, 1, static_cast<std::uint8_t>(in.c0),
                             static_cast<std::uint8_t>(in.c1), static_cast<std::uint8_t>(in.c2));
  BoostSaturation(bmp, bmp, factor);
  return {bmp.Row(0)[0], bmp.Row(0)[1], bmp.Row(0)[2]};
}

void ExpectBoost(Triple in, int factor, Triple expected) {
  const Triple out = Boost(in, factor);
  EXPECT_EQ(out.c0, expected.c0) << in.c0 << "," << in.c1 << "," << in.c2 << " at " << factor;
  EXPECT_EQ(out.c1, expected.c1) << in.c0 << "," << in.c1 << "," << in.c2 << " at " << factor;
  EXPECT_EQ(out.c2, expected.c2) << in.c0 << "," << in.c1 << "," << in.c2 << " at " << factor;
}

TEST(BoostSaturation, WorkedExamples) {
  ExpectBoost({40, 120, 200}, 140, {0, 88, 200});
  ExpectBoost({100, 150, 200}, 140, {60, 130, 200});
  ExpectBoost({200, 200, 100}, 140, {200, 200, 60});
  ExpectBoost({255, 254, 253}, 140, {255, 254, 252});
  // Just above 76.5 because the double nearest 1.4 lies below it.
  ExpectBoost({255, 128, 0}, 140, {255, 77, 0});
  // Hue Round(47.5) = 48.
  ExpectBoost({250, 200, 10}, 100, {250, 202, 10});
  ExpectBoost({255, 128, 0}, 0, {255, 255, 255});
  ExpectBoost({255, 128, 0}, -30, {255, 255, 255});
}

TEST(HsvConversion, KnownValues) {
  int h, v;
  double s;
  RgbToHsv(40, 120, 200, h, s, v);
  EXPECT_EQ(h, 210);
  EXPECT_EQ(s, static_cast<double>(160.0L / 200));
  EXPECT_EQ(v, 200);
  RgbToHsv(250, 200, 10, h, s, v);
  EXPECT_EQ(h, 48);
  RgbToHsv(0, 0, 0, h, s, v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0.0);
  EXPECT_EQ(v, 0);
  // Negative hues wrap: maximum in c0, c2 above c1.
  RgbToHsv(200, 0, 100, h, s, v);
  EXPECT_EQ(h, 330);
  int c0, c1, c2;
  HsvToRgb(210, 1.12, 200, c0, c1, c2);
  EXPECT_EQ(c0, 0);
  EXPECT_EQ(c1, 88);
  EXPECT_EQ(c2, 200);
  HsvToRgb(123, 0.0, 77, c0, c1, c2);
  EXPECT_EQ(c0, 77);
  EXPECT_EQ(c1, 77);
  EXPECT_EQ(c2, 77);
}

TEST(BoostSaturation, GreysStayAtAnyFactor) {
  for (int factor : {0, 100, 140, 1000, INT_MAX}) {
    for (int g : {0, 1, 128, 254, 255}) ExpectBoost({g, g, g}, factor, {g, g, g});
  }
}

TEST(BoostSaturation, MatchesDirectFormulasOnImages) {
  const int factors[] = {INT_MIN, -1, 0, 1, 37, 99, 100, 101, 140, 141, 250, 1000, 123457, INT_MAX};
  std::uint32_t seed = 40;
  for (int factor : factors) {
    for (const WorkBitmap& src : {MakeNoise(97, 53, ++seed), MakePhotoLike(120, 80, ++seed)}) {
      const WorkBitmap expected = reference::BoostSaturation(src, factor);
      WorkBitmap separate;
      BoostSaturation(src, separate, factor);
      EXPECT_TRUE(SameBitmap(expected, separate)) << "factor " << factor;
      WorkBitmap shared = src;
      BoostSaturation(shared, shared, factor);
      EXPECT_TRUE(SameBitmap(expected, shared)) << "factor " << factor;
      // The largest byte of each pixel is the value, which the boost never moves.
      for (std::size_t i = 0; i < src.ByteCount(); i += 3) {
        const std::uint8_t* a = src.Data() + i;
        const std::uint8_t* b = shared.Data() + i;
        ASSERT_EQ(std::max({a[0], a[1], a[2]}), std::max({b[0], b[1], b[2]}));
      }
    }
  }
}

// Colours whose middle byte, boosted, lies exactly halfway between two bytes: S' V w =
// factor d w / 6000 for the weight w = 60 - |step| of the hue step Round(60 x / d).
// Those the widest kernel leaves to the direct formulas, a group at a time.
std::vector<std::array<std::uint8_t, 3>> TiedColours(int factor, std::size_t count) {
  std::vector<std::array<std::uint8_t, 3>> found;
  for (std::uint32_t c = 0; found.size() < count && c < (1u << 24); c += 7) {
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
    const int v = std::max({r, g, b}), d = v - std::min({r, g, b});
    if (d == 0) continue;
    const int x = v == b ? r - g : (v == g ? b - r : g - b);
    const int twice = 2 * 60 * x / d;  // 2 x 60 x / d, cut toward zero
    const int step = (twice + (twice > 0 ? 1 : twice < 0 ? -1 : 0)) / 2;
    if (2 * 60 * x % d == 0 && twice % 2 != 0) continue;  // a tie of the hue itself
    const long long a = 1LL * factor * d * (60 - std::abs(step));
    if (a % 6000 == 3000)
      found.push_back({static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                       static_cast<std::uint8_t>(b)});
  }
  return found;
}

// Rows where most groups of sixteen pixels hold a tie, across many of the batches of
// groups the widest kernel finishes together, in runs of every length from one pixel
// on: each byte the direct formulas'.
TEST(BoostSaturation, TiedColoursInEveryPlaceOfARun) {
  const auto tied = TiedColours(140, 3000);
  ASSERT_GT(tied.size(), 1000u);
  WorkBitmap row(static_cast<int>(2 * tied.size()), 1);
  for (std::size_t i = 0; i < tied.size(); ++i) {
    std::memcpy(row.Data() + 6 * i, tied[i].data(), 3);
    const std::uint8_t other[3] = {static_cast<std::uint8_t>(i), 200,
                                   static_cast<std::uint8_t>(i * 7)};
    std::memcpy(row.Data() + 6 * i + 3, other, 3);
  }
  const WorkBitmap expected = reference::BoostSaturation(row, 140);
  for (SaturationBoost::Kernel kernel :
       {SaturationBoost::Kernel::kFastest, SaturationBoost::Kernel::kAvx2}) {
    SaturationBoost boost(140, kernel);
    WorkBitmap boosted = row;
    const std::size_t pixels = static_cast<std::size_t>(row.Width());
    for (std::size_t at = 0, run = 1; at < pixels; at += run, run = run * 3 + 1)
      boost.Apply(boosted.Data() + 3 * at, std::min(run, pixels - at));
    EXPECT_TRUE(SameBitmap(expected, boosted)) << "kernel " << static_cast<int>(kernel);
  }
}

TEST(BoostSaturation, EmptyImageIsCopied) {
  const WorkBitmap src(0, 7);
  WorkBitmap dst = MakeSolid(2, 2, 9, 9, 9);
  BoostSaturation(src, dst, 140);
  EXPECT_EQ(dst.Width(), 0);
  EXPECT_EQ(dst.Height(), 7);
}

}  // namespace
}  // namespace brevine
