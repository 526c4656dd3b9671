#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging.h"
#include "test_images.h"

namespace brevine {
namespace {

// A picture given as rows of letters; each letter is a distinct colour.
WorkBitmap FromLetters(const std::vector<std::string>& rows) {
  WorkBitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const auto c = static_cast<std::uint8_t>(rows[y][x]);
      std::uint8_t* p = b.Row(y) + 3 * x;
      p[0] = c;
      p[1] = static_cast<std::uint8_t>(c * 3);
      p[2] = static_cast<std::uint8_t>(255 - c);
    }
  }
  return b;
}

// Each orientation's stored picture, written out by hand from what the tag means, must
// come out as the upright "abc / def".
TEST(ApplyOrientationTest, EveryOrientationTurnsTheStoredPictureUpright) {
  const WorkBitmap upright = FromLetters({"abc", "def"});
  const std::vector<std::pair<int, std::vector<std::string>>> stored = {
      {1, {"abc", "def"}},     {2, {"cba", "fed"}},     {3, {"fed", "cba"}},
      {4, {"def", "abc"}},     {5, {"ad", "be", "cf"}}, {6, {"cf", "be", "ad"}},
      {7, {"fc", "eb", "da"}}, {8, {"da", "eb", "fc"}},
  };
  for (const auto& [orientation, rows] : stored) {
    WorkBitmap b = FromLetters(rows);
    ApplyOrientation(b, orientation);
    EXPECT_TRUE(test::SameBitmap(upright, b)) << "orientation " << orientation;
  }
}

TEST(ApplyOrientationTest, OtherValuesLeaveThePictureAlone) {
  const WorkBitmap original = test::MakeNoise(5, 3, 1);
  for (const int orientation : {0, 1, 9, -1, 255}) {
    WorkBitmap b = original;
    ApplyOrientation(b, orientation);
    EXPECT_TRUE(test::SameBitmap(original, b)) << orientation;
  }
  WorkBitmap empty;
  ApplyOrientation(empty, 6);
  EXPECT_TRUE(empty.Empty());
}

// Larger than one band of rows, odd sizes: four quarter turns give the picture back, and
// a transpose is its own inverse.
TEST(ApplyOrientationTest, TurnsComposeOnLargerPictures) {
  const WorkBitmap original = test::MakeNoise(37, 21, 4);
  WorkBitmap b = original;
  for (int i = 0; i < 4; ++i) ApplyOrientation(b, 6);
  EXPECT_TRUE(test::SameBitmap(original, b));
  ApplyOrientation(b, 8);
  ApplyOrientation(b, 6);
  EXPECT_TRUE(test::SameBitmap(original, b));
  for (const int self : {2, 3, 4, 5, 7}) {
    ApplyOrientation(b, self);
    ApplyOrientation(b, self);
    EXPECT_TRUE(test::SameBitmap(original, b)) << self;
  }
}

}  // namespace
}  // namespace brevine
