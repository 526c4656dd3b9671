#include <gtest/gtest.h>

#include <climits>

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

TEST(BoostSaturation, EmptyImageIsCopied) {
  const WorkBitmap src(0, 7);
  WorkBitmap dst = MakeSolid(2, 2, 9, 9, 9);
  BoostSaturation(src, dst, 140);
  EXPECT_EQ(dst.Width(), 0);
  EXPECT_EQ(dst.Height(), 7);
}

}  // namespace
}  // namespace brevine
