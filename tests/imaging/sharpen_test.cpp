#include <gtest/gtest.h>

#include <stdexcept>
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

// A grey image from rows of byte values, every byte of a pixel alike.
WorkBitmap Grey(const std::vector<std::vector<int>>& rows) {
  WorkBitmap bmp(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      for (int c = 0; c < 3; ++c) bmp.Row(y)[3 * x + c] = static_cast<std::uint8_t>(rows[y][x]);
  return bmp;
}

const std::vector<std::vector<int>> kSpot = {{100, 100, 100}, {100, 200, 100}, {100, 100, 100}};

TEST(SharpenImage, InPlaceGridsSeeSharpenedUpperAndLeftNeighbours) {
  struct Case {
    int strength;
    std::vector<std::vector<int>> expected;
  };
  const Case cases[] = {
      {100, {{100, 75, 106}, {75, 255, 60}, {106, 60, 120}}},
      {150, {{100, 62, 114}, {62, 255, 37}, {114, 37, 147}}},
      {50, {{100, 88, 102}, {88, 253, 81}, {102, 81, 105}}},
  };
  for (const Case& c : cases) {
    WorkBitmap img = Grey(kSpot);
    SharpenImage(img, img, c.strength);
    EXPECT_TRUE(SameBitmap(Grey(c.expected), img)) << "strength " << c.strength;
  }
}

TEST(SharpenImage, SeparateDestinationSeesOnlyTheSource) {
  const WorkBitmap src = Grey(kSpot);
  WorkBitmap dst(3, 3);
  SharpenImage(src, dst, 100);
  EXPECT_TRUE(SameBitmap(Grey({{100, 75, 100}, {75, 255, 75}, {100, 75, 100}}), dst));
}

TEST(SharpenImage, NeutralCases) {
  const WorkBitmap noise = MakeNoise(31, 17, 8);
  WorkBitmap img = noise;
  SharpenImage(img, img, 0);
  EXPECT_TRUE(SameBitmap(noise, img));
  for (int strength : {1, 80, 150, 1000, -50}) {
    const WorkBitmap flat = MakeSolid(9, 7, 13, 200, 255);
    WorkBitmap out = flat;
    SharpenImage(out, out, strength);
    EXPECT_TRUE(SameBitmap(flat, out)) << strength;
    WorkBitmap one = MakeSolid(1, 1, 0, 77, 255);
    SharpenImage(one, one, strength);
    EXPECT_TRUE(SameBitmap(MakeSolid(1, 1, 0, 77, 255), one)) << strength;
  }
}

TEST(SharpenImage, MatchesDirectFormulaInPlaceAndSeparate) {
  struct Shape {
    int width, height;
  };
  const Shape shapes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {64, 33}, {3, 50}};
  const int strengths[] = {0, 1, 37, 80, 99, 100, 101, 150, 151, 400, -7, 100000, -100000};
  std::uint32_t seed = 70;
  for (const Shape& s : shapes) {
    for (int strength : strengths) {
      // The checker reaches both ends of the numerator range at the top strength.
      for (const WorkBitmap& src :
           {MakeNoise(s.width, s.height, ++seed), MakePhotoLike(s.width, s.height, ++seed),
            test::MakeChecker(s.width, s.height, 1, 0x000000, 0xFFFFFF)}) {
        WorkBitmap expectedShared = src;
        reference::Sharpen(expectedShared, expectedShared, strength);
        WorkBitmap shared = src;
        SharpenImage(shared, shared, strength);
        EXPECT_TRUE(SameBitmap(expectedShared, shared))
            << s.width << "x" << s.height << " at " << strength;

        WorkBitmap expectedSeparate(s.width, s.height), separate(s.width, s.height);
        reference::Sharpen(src, expectedSeparate, strength);
        SharpenImage(src, separate, strength);
        EXPECT_TRUE(SameBitmap(expectedSeparate, separate))
            << s.width << "x" << s.height << " at " << strength;
      }
    }
  }
}

TEST(SharpenImage, DifferentSizesRaise) {
  const WorkBitmap src = MakeNoise(4, 4, 1);
  WorkBitmap dst(4, 5);
  EXPECT_THROW(SharpenImage(src, dst, 80), std::invalid_argument);
  WorkBitmap empty;
  SharpenImage(empty, empty, 80);
  EXPECT_TRUE(empty.Empty());
}

TEST(ClampByte, RoundsHalfToEvenInsideTheRange) {
  EXPECT_EQ(ClampByte(-1.0), 0);
  EXPECT_EQ(ClampByte(0.0), 0);
  EXPECT_EQ(ClampByte(std::nan("")), 0);
  EXPECT_EQ(ClampByte(0.5), 0);
  EXPECT_EQ(ClampByte(0.5000001), 1);
  EXPECT_EQ(ClampByte(1.5), 2);
  EXPECT_EQ(ClampByte(2.5), 2);
  EXPECT_EQ(ClampByte(59.75), 60);
  EXPECT_EQ(ClampByte(254.5), 254);
  EXPECT_EQ(ClampByte(254.50000001), 255);
  EXPECT_EQ(ClampByte(255.0), 255);
  EXPECT_EQ(ClampByte(1e300), 255);
}

}  // namespace
}  // namespace brevine
