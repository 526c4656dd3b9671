#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "imaging.h"
#include "test_images.h"

namespace brevine {
namespace {

// Feeds `picture` row by row, top down or bottom up, in blocks of random sizes, as a
// decoder would.
WorkBitmap Stream(const WorkBitmap& picture, const ReductionSteps& steps, bool bottomUp,
                  std::mt19937& random, int threads = 1) {
  StreamingReduction reduction(picture.Width(), picture.Height(), steps, threads);
  const int h = picture.Height();
  int done = 0;
  while (done < h) {
    const int count = std::min<int>(h - done, 1 + static_cast<int>(random() % 16));
    std::uint8_t* rows = reduction.Rows(count);
    const int first = bottomUp ? h - 1 - done : done;
    const int step = bottomUp ? -1 : 1;
    for (int r = 0; r < count; ++r)
      std::memcpy(rows + reduction.Stride() * r, picture.Row(first + r * step), picture.Stride());
    reduction.Put(first, count, step);
    done += count;
  }
  WorkBitmap result;
  reduction.Finish(result);
  return result;
}

WorkBitmap Whole(const WorkBitmap& picture, const ReductionSteps& steps) {
  WorkBitmap copy = picture;
  ReduceWholePicture(copy, steps);
  return copy;
}

// The streamed steps against the whole-picture steps on random pictures, sizes, boxes,
// orientations, boost settings and row orders: every byte the same.
TEST(StreamingReductionTest, EqualsTheWholePictureStepsOnRandomCases) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 400; ++round) {
    const int w = 1 + static_cast<int>(random() % 300);
    const int h = 1 + static_cast<int>(random() % 300);
    const WorkBitmap picture =
        round % 3 == 0 ? test::MakeNoise(w, h, round) : test::MakePhotoLike(w, h, round);
    ReductionSteps steps;
    steps.orientation = 1 + static_cast<int>(random() % 8);
    steps.boost = random() % 2 == 0;
    steps.boostFactor = steps.boost ? static_cast<int>(random() % 200) : 0;
    steps.boxWidth = 1 + static_cast<int>(random() % 320);
    steps.boxHeight = 1 + static_cast<int>(random() % 320);
    const bool bottomUp = random() % 2 == 0;
    SCOPED_TRACE("round " + std::to_string(round) + ": " + std::to_string(w) + "x" +
                 std::to_string(h) + " box " + std::to_string(steps.boxWidth) + "x" +
                 std::to_string(steps.boxHeight) + " orientation " +
                 std::to_string(steps.orientation));
    WorkBitmap expected;
    try {
      expected = Whole(picture, steps);
    } catch (const std::exception&) {
      EXPECT_ANY_THROW(Stream(picture, steps, bottomUp, random));
      continue;
    }
    const WorkBitmap streamed = Stream(picture, steps, bottomUp, random);
    ASSERT_TRUE(test::SameBitmap(expected, streamed));
  }
}

// Every orientation on a few fixed shapes, including large ratios (the 64-bit sums) and a
// picture that already fits (passed through unchanged, only turned).
TEST(StreamingReductionTest, EveryOrientationOnFixedShapes) {
  std::mt19937 random(7);
  struct Shape {
    int w, h, boxW, boxH;
  };
  const Shape shapes[] = {{640, 480, 160, 160},   {97, 1203, 64, 64}, {2000, 9, 7, 7},
                          {300, 200, 1280, 1280}, {5, 1000, 1, 3},    {1201, 3, 1, 1}};
  for (const Shape& s : shapes) {
    const WorkBitmap picture = test::MakePhotoLike(s.w, s.h, s.w);
    for (int o = 1; o <= 8; ++o) {
      for (bool boost : {false, true}) {
        ReductionSteps steps{o, boost, 140, s.boxW, s.boxH};
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " orientation " +
                     std::to_string(o));
        WorkBitmap expected;
        try {
          expected = Whole(picture, steps);
        } catch (const std::exception&) {
          EXPECT_ANY_THROW(Stream(picture, steps, false, random));
          continue;
        }
        EXPECT_TRUE(test::SameBitmap(expected, Stream(picture, steps, o % 2 == 0, random)));
      }
    }
  }
}

// Quarter turns whose reduced columns fill several tiles and part of one more (73 = 32 +
// 32 + 9 columns), from rows long enough for the widest vector steps and their tails.
TEST(StreamingReductionTest, QuarterTurnsAcrossTilesOfColumns) {
  std::mt19937 random(73);
  for (int w : {1500, 1517}) {
    const WorkBitmap picture = test::MakePhotoLike(w, 300, 11);
    for (int o = 5; o <= 8; ++o) {
      for (bool boost : {false, true}) {
        const ReductionSteps steps{o, boost, 140, 73, 400};
        SCOPED_TRACE(std::to_string(w) + " wide, orientation " + std::to_string(o));
        const WorkBitmap expected = Whole(picture, steps);
        ASSERT_EQ(expected.Width(), 73);
        EXPECT_TRUE(test::SameBitmap(expected, Stream(picture, steps, o % 2 == 0, random)));
      }
    }
  }
}

TEST(StreamingReductionTest, RaisesLikeFitToBoxBeforeAnyRow) {
  EXPECT_THROW(StreamingReduction(100, 50, ReductionSteps{1, false, 0, 0, 100}), std::domain_error);
  EXPECT_THROW(StreamingReduction(100, 50, ReductionSteps{1, false, 0, -5, 100}),
               std::invalid_argument);
  // 10000 x 5 in 160 x 160 reduces to zero rows.
  EXPECT_THROW(StreamingReduction(10000, 5, ReductionSteps{1, false, 0, 160, 160}),
               std::domain_error);
  // Turned on its side the same picture is 5 wide: 0 x 160.
  EXPECT_THROW(StreamingReduction(10000, 5, ReductionSteps{6, false, 0, 160, 160}),
               std::domain_error);
}

TEST(StreamingReductionTest, MissingRowsAreAnErrorNotAPicture) {
  const WorkBitmap picture = test::MakePhotoLike(50, 40, 3);
  StreamingReduction reduction(50, 40, ReductionSteps{1, false, 0, 20, 20});
  std::uint8_t* rows = reduction.Rows(10);
  for (int r = 0; r < 10; ++r) std::memcpy(rows + reduction.Stride() * r, picture.Row(r), 150);
  reduction.Put(0, 10, 1);
  WorkBitmap result;
  EXPECT_THROW(reduction.Finish(result), std::logic_error);
}

// The helper thread boosts and reduces the rows the caller hands over while the caller
// writes the next ones: the same bytes as on one thread, whatever the blocks' sizes.
TEST(StreamingHandover, EqualsOneThreadOnRandomCases) {
  std::mt19937 random(28);
  for (int round = 0; round < 120; ++round) {
    const int w = 1 + static_cast<int>(random() % 400);
    const int h = 1 + static_cast<int>(random() % 400);
    const WorkBitmap picture = test::MakePhotoLike(w, h, round);
    ReductionSteps steps;
    steps.orientation = 1 + round % 8;
    steps.boost = round % 3 != 0;
    steps.boostFactor = 140;
    steps.boxWidth = 1 + static_cast<int>(random() % 200);
    steps.boxHeight = 1 + static_cast<int>(random() % 200);
    SCOPED_TRACE("round " + std::to_string(round));
    WorkBitmap expected;
    try {
      expected = Whole(picture, steps);
    } catch (const std::exception&) {
      EXPECT_ANY_THROW(Stream(picture, steps, false, random, 2));
      continue;
    }
    ASSERT_TRUE(test::SameBitmap(expected, Stream(picture, steps, round % 2 == 1, random, 2)));
  }
}

// Whole blocks of sixteen rows, as the JPEG decoder hands them, on a picture many times the
// ring's height: the ring's rows are taken back and written again many times over.
TEST(StreamingHandover, ManyTurnsOfTheRing) {
  const WorkBitmap picture = test::MakePhotoLike(333, 1500, 5);
  for (int o : {1, 6}) {
    const ReductionSteps steps{o, true, 140, 100, 100};
    StreamingReduction reduction(picture.Width(), picture.Height(), steps, 4);
    for (int y = 0; y < picture.Height(); y += 16) {
      const int count = std::min(16, picture.Height() - y);
      std::uint8_t* rows = reduction.Rows(count);
      for (int r = 0; r < count; ++r)
        std::memcpy(rows + reduction.Stride() * r, picture.Row(y + r), picture.Stride());
      reduction.Put(y, count, 1);
    }
    WorkBitmap result;
    reduction.Finish(result);
    EXPECT_TRUE(test::SameBitmap(Whole(picture, steps), result)) << "orientation " << o;
  }
}

// A decode that fails part-way drops the reduction with rows still handed over: the helper
// ends without taking them; rows left out fail at Finish as on one thread.
TEST(StreamingHandover, AbandonedOrIncompleteStreamsEnd) {
  const WorkBitmap picture = test::MakePhotoLike(200, 400, 9);
  for (int stop : {0, 16, 200}) {
    StreamingReduction reduction(200, 400, ReductionSteps{6, true, 140, 50, 50}, 2);
    for (int y = 0; y < stop; y += 16) {
      std::uint8_t* rows = reduction.Rows(16);
      for (int r = 0; r < 16; ++r)
        std::memcpy(rows + reduction.Stride() * r, picture.Row(y + r), picture.Stride());
      reduction.Put(y, 16, 1);
    }
    if (stop == 200) {
      WorkBitmap result;
      EXPECT_THROW(reduction.Finish(result), std::logic_error);
    }
  }
  // Rows out of the picture or more than asked for are refused, also with a helper.
  StreamingReduction reduction(200, 400, ReductionSteps{1, false, 0, 50, 50}, 2);
  reduction.Rows(16);
  reduction.Put(390, 16, 1);
  reduction.Rows(16);
  reduction.Put(0, 17, 1);
  WorkBitmap result;
  EXPECT_THROW(reduction.Finish(result), std::logic_error);
}

// The band, not the picture: a 12000 x 7000 photo reduced to 1280 needs a few megabytes.
TEST(StreamingReductionTest, WorkingBytesGrowWithTheWidthNotTheArea) {
  const ReductionSteps plain{1, false, 0, 1280, 1280};
  const ReductionSteps turned{6, true, 140, 1280, 1280};
  const std::size_t tall = StreamingReduction::WorkingBytes(12000, 7000, plain);
  EXPECT_LT(tall, std::size_t{12} << 20);
  EXPECT_LT(StreamingReduction::WorkingBytes(12000, 7000, turned), std::size_t{16} << 20);
  EXPECT_LT(StreamingReduction::WorkingBytes(12000, 70000, plain), tall + (std::size_t{1} << 20));
}

}  // namespace
}  // namespace brevine
