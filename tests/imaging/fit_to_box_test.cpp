#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "imaging.h"
#include "reference.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::MakeNoise;
using test::MakePhotoLike;
using test::MakeSolid;
using test::SameBitmap;

WorkBitmap Row(std::initializer_list<int> values) {
  WorkBitmap bmp(static_cast<int>(values.size()), 1);
  int x = 0;
  for (int v : values) {
    for (int c = 0; c < 3; ++c) bmp.Row(0)[3 * x + c] = static_cast<std::uint8_t>(v);
    ++x;
  }
  return bmp;
}

WorkBitmap Transposed(const WorkBitmap& src) {
  WorkBitmap out(src.Height(), src.Width());
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      for (int c = 0; c < 3; ++c) out.Row(x)[3 * y + c] = src.Row(y)[3 * x + c];
  return out;
}

struct SizeCase {
  int width, height, boxWidth, boxHeight, expectedWidth, expectedHeight;
};

TEST(FitToBox, TargetSizesUseExtendedPrecisionTruncation) {
  const SizeCase cases[] = {
      {2000, 1000, 640, 480, 640, 320},
      {3000, 2000, 800, 800, 800, 533},
      {1000, 2000, 800, 800, 400, 800},
      {3264, 2448, 1280, 1280, 1280, 960},
      {224, 168, 160, 160, 160, 119},
      {224, 21, 160, 160, 160, 14},
      {1281, 960, 1280, 1280, 1280, 959},
      {2448, 3264, 1280, 1280, 960, 1280},
      // Already fitting: returned as they are, never enlarged.
      {640, 480, 1024, 1024, 640, 480},
      {1280, 960, 1280, 1280, 1280, 960},
      {1280, 1280, 1280, 1280, 1280, 1280},
      {999, 800, 1000, 800, 999, 800},
  };
  for (const SizeCase& c : cases) {
    const WorkBitmap src = MakeSolid(c.width, c.height, 10, 20, 30);
    WorkBitmap dst;
    FitToBox(src, dst, c.boxWidth, c.boxHeight);
    EXPECT_EQ(dst.Width(), c.expectedWidth) << c.width << "x" << c.height;
    EXPECT_EQ(dst.Height(), c.expectedHeight) << c.width << "x" << c.height;
  }
}

TEST(FitToBox, FittingImageIsCopiedUnchanged) {
  const WorkBitmap src = MakeNoise(37, 23, 5);
  WorkBitmap dst = MakeSolid(3, 3, 1, 2, 3);
  FitToBox(src, dst, 37, 100);
  EXPECT_TRUE(SameBitmap(src, dst));
}

TEST(ReducePass, WorkedExamples) {
  // 10 20 30 40 50 to two: the middle pixel is split 128 / 128.
  const WorkBitmap five = Row({10, 20, 30, 40, 50});
  WorkBitmap two(2, 1);
  ReduceWidth(five, two);
  EXPECT_TRUE(SameBitmap(Row({18, 42}), two));
  // Each truncated term loses a little: uniform white comes out partly 254.
  const WorkBitmap seven = Row({255, 255, 255, 255, 255, 255, 255});
  WorkBitmap three(3, 1);
  ReduceWidth(seven, three);
  EXPECT_TRUE(SameBitmap(Row({254, 254, 255}), three));
  // The height pass follows the same rules down a column.
  WorkBitmap column(1, 2);
  ReduceHeight(Transposed(five), column);
  EXPECT_TRUE(SameBitmap(Transposed(Row({18, 42})), column));
}

TEST(ReducePass, EqualLengthsCopy) {
  const WorkBitmap src = MakeNoise(41, 17, 3);
  WorkBitmap wide(41, 17), tall(41, 17);
  ReduceWidth(src, wide);
  ReduceHeight(src, tall);
  EXPECT_TRUE(SameBitmap(src, wide));
  EXPECT_TRUE(SameBitmap(src, tall));
}

TEST(ReducePass, HugeRatioKeepsTheExactAverage) {
  // 33000 to 1: S * 256 no longer fits 32 bits, but the average must stay exact.
  WorkBitmap src = MakeSolid(33000, 2, 255, 128, 1);
  WorkBitmap dst(1, 2);
  ReduceWidth(src, dst);
  EXPECT_TRUE(SameBitmap(MakeSolid(1, 2, 255, 128, 1), dst));
  WorkBitmap column(2, 1);
  ReduceHeight(Transposed(src), column);
  EXPECT_TRUE(SameBitmap(MakeSolid(2, 1, 255, 128, 1), column));
}

TEST(ReducePass, MismatchedOrEmptyLengthsRaise) {
  const WorkBitmap src = MakeNoise(8, 6, 1);
  WorkBitmap wrongHeight(4, 5);
  EXPECT_THROW(ReduceWidth(src, wrongHeight), std::invalid_argument);
  WorkBitmap wrongWidth(7, 3);
  EXPECT_THROW(ReduceHeight(src, wrongWidth), std::invalid_argument);
  WorkBitmap zero(0, 6);
  EXPECT_THROW(ReduceWidth(src, zero), std::domain_error);
  // An empty input must never be read.
  WorkBitmap emptySource(0, 6), some(3, 6);
  EXPECT_THROW(ReduceWidth(emptySource, some), std::domain_error);
}

TEST(FitToBox, MatchesDirectRulesOnManyShapes) {
  struct Case {
    int width, height, boxWidth, boxHeight;
  };
  const Case cases[] = {
      {5640, 317, 1280, 1280}, {4000, 300, 1280, 1280}, {301, 199, 160, 160}, {199, 301, 160, 160},
      {1000, 7, 999, 999},     {7, 1000, 3, 999},       {513, 257, 256, 256}, {257, 513, 256, 256},
      {640, 480, 2, 2},        {97, 61, 96, 60},        {1023, 600, 2, 2},    {3, 2049, 1, 1024},
      {777, 555, 700, 700},    {1700, 10, 1699, 1699},  {100, 100, 33, 99},
  };
  std::uint32_t seed = 11;
  for (const Case& c : cases) {
    for (const WorkBitmap& src :
         {MakeNoise(c.width, c.height, ++seed), MakePhotoLike(c.width, c.height, ++seed)}) {
      const WorkBitmap expected = reference::FitToBox(src, c.boxWidth, c.boxHeight);
      WorkBitmap separate;
      FitToBox(src, separate, c.boxWidth, c.boxHeight);
      EXPECT_TRUE(SameBitmap(expected, separate)) << c.width << "x" << c.height;
      WorkBitmap shared = src;
      FitToBox(shared, shared, c.boxWidth, c.boxHeight);
      EXPECT_TRUE(SameBitmap(expected, shared)) << c.width << "x" << c.height;
    }
  }
}

TEST(ReducePass, RatiosAroundTheSixteenBitSumsMatchTheRules) {
  // Near a ratio of 256 the channel sums approach 2^16, where the fast passes change
  // their sum width; white is the largest sum, noise mixes the rounding.
  for (int m : {2030, 2040, 2056, 2300}) {
    for (const WorkBitmap& src : {MakeSolid(m, 9, 255, 255, 255), MakeNoise(m, 9, m)}) {
      WorkBitmap fast(8, 9), slow(8, 9);
      ReduceWidth(src, fast);
      reference::ReduceWidth(src, slow);
      EXPECT_TRUE(SameBitmap(slow, fast)) << m;
      const WorkBitmap column = Transposed(src);
      WorkBitmap fastTall(9, 8), slowTall(9, 8);
      ReduceHeight(column, fastTall);
      reference::ReduceHeight(column, slowTall);
      EXPECT_TRUE(SameBitmap(slowTall, fastTall)) << m;
    }
  }
}

TEST(ReducePass, EnlargingDirectCallsMatchTheRulesAndStayInBounds) {
  // The box logic never enlarges, but the passes are public; output bytes keep their low
  // eight bits as the rules say.
  const WorkBitmap src = MakeNoise(5, 4, 9);
  WorkBitmap fast(13, 4), slow(13, 4);
  ReduceWidth(src, fast);
  reference::ReduceWidth(src, slow);
  EXPECT_TRUE(SameBitmap(slow, fast));
  WorkBitmap fastTall(5, 11), slowTall(5, 11);
  ReduceHeight(src, fastTall);
  reference::ReduceHeight(src, slowTall);
  EXPECT_TRUE(SameBitmap(slowTall, fastTall));
}

TEST(FitToBox, ZeroBoxWidthRaisesAndKeepsTheCopy) {
  const WorkBitmap src = MakeNoise(30, 20, 4);
  WorkBitmap separate = MakeSolid(2, 2, 0, 0, 0);
  EXPECT_THROW(FitToBox(src, separate, 0, 100), std::domain_error);
  EXPECT_TRUE(SameBitmap(src, separate));
  WorkBitmap shared = src;
  EXPECT_THROW(FitToBox(shared, shared, 0, 100), std::domain_error);
  EXPECT_TRUE(SameBitmap(src, shared));
}

TEST(FitToBox, ZeroTargetHeightRaisesAfterResizing) {
  const WorkBitmap src = MakeSolid(10000, 5, 1, 2, 3);
  WorkBitmap dst;
  EXPECT_THROW(FitToBox(src, dst, 160, 160), std::domain_error);
  EXPECT_EQ(dst.Width(), 160);
  EXPECT_EQ(dst.Height(), 0);
  WorkBitmap flat = MakeNoise(50, 40, 2);
  EXPECT_THROW(FitToBox(flat, flat, 20, 0), std::domain_error);
}

TEST(FitToBox, BadArgumentsRaise) {
  const WorkBitmap src = MakeNoise(30, 20, 4);
  WorkBitmap dst;
  EXPECT_THROW(FitToBox(src, dst, -5, 100), std::invalid_argument);
  EXPECT_THROW(FitToBox(src, dst, 100, -1), std::invalid_argument);
  EXPECT_THROW(FitToBox(src, dst, 10, 10, 2), std::invalid_argument);
  // An empty image that does not fit divides by zero in the size rule.
  const WorkBitmap empty(0, 50);
  EXPECT_THROW(FitToBox(empty, dst, 10, 10), std::domain_error);
  const WorkBitmap emptyFits(0, 5);
  FitToBox(emptyFits, dst, 10, 10);
  EXPECT_EQ(dst.Width(), 0);
  EXPECT_EQ(dst.Height(), 5);
}

TEST(Imaging, TwoThreadsGetTheSingleThreadedBytes) {
  // The operations keep no state between calls; two files go through them at once.
  auto run = [](std::uint32_t seed) {
    WorkBitmap img = MakePhotoLike(900, 700, seed);
    BoostSaturation(img, img, 140);
    FitToBox(img, img, 320, 320);
    SharpenImage(img, img, 80);
    return img;
  };
  const WorkBitmap first = run(1), second = run(2);
  for (int round = 0; round < 3; ++round) {
    WorkBitmap a, b;
    std::thread other([&] { b = run(2); });
    a = run(1);
    other.join();
    EXPECT_TRUE(SameBitmap(first, a));
    EXPECT_TRUE(SameBitmap(second, b));
  }
}

}  // namespace
}  // namespace brevine
