#include "jpeg_length_model.h"

#include <gtest/gtest.h>

#include <string>

#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::EncodeBitmapWithLibjpeg;

struct Case {
  std::string name;
  WorkBitmap bitmap;
};

std::vector<Case> Pictures() {
  std::vector<Case> cases;
  cases.push_back({"noise 37x23", test::MakeNoise(37, 23, 7)});
  cases.push_back({"photo 67x45", test::MakePhotoLike(67, 45, 3)});
  cases.push_back({"photo 64x48", test::MakePhotoLike(64, 48, 11)});
  cases.push_back({"flat 16x16", test::MakeSolid(16, 16, 40, 120, 200)});
  cases.push_back({"white 9x9", test::MakeSolid(9, 9, 255, 255, 255)});
  cases.push_back({"1x1", test::MakeSolid(1, 1, 10, 200, 30)});
  cases.push_back({"2x1 noise", test::MakeNoise(2, 1, 5)});
  cases.push_back({"1x17 noise", test::MakeNoise(1, 17, 9)});
  cases.push_back({"checker 33x18", test::MakeChecker(33, 18, 3, 0x000000, 0xFFFFFF)});
  cases.push_back({"gradient 40x31", test::MakeGradient(40, 31)});
  return cases;
}

// Every quality of every picture: the model's length is the library's, byte for byte.
TEST(JpegLengthModelTest, EqualsLibraryLengthForEveryQuality) {
  for (const bool progressive : {false, true}) {
    for (const bool gray : {false, true}) {
      for (const Case& c : Pictures()) {
        const JpegLengthModel model(c.bitmap, gray, progressive);
        for (int q = 1; q <= 100; ++q) {
          const auto bytes = EncodeBitmapWithLibjpeg(c.bitmap, q, gray, progressive);
          ASSERT_EQ(model.Length(q), static_cast<std::int64_t>(bytes.size()))
              << c.name << (gray ? " gray" : " colour")
              << (progressive ? " progressive" : " baseline") << " q=" << q;
          ASSERT_LE(model.LowerBound(q), model.Length(q)) << c.name << " q=" << q;
        }
      }
    }
  }
}

TEST(JpegLengthModelTest, LargerNoisePictureAtSampledQualities) {
  // Big enough for long runs of 0xFF-heavy entropy data and many MCU rows.
  const WorkBitmap noise = test::MakeNoise(203, 131, 42);
  const WorkBitmap photo = test::MakePhotoLike(300, 217, 8);
  for (const bool progressive : {false, true}) {
    for (const WorkBitmap* b : {&noise, &photo}) {
      const JpegLengthModel model(*b, false, progressive);
      for (int q : {1, 2, 13, 49, 50, 51, 75, 90, 92, 97, 99, 100}) {
        EXPECT_EQ(model.Length(q), static_cast<std::int64_t>(
                                       EncodeBitmapWithLibjpeg(*b, q, false, progressive).size()))
            << b->Width() << "x" << b->Height() << " progressive " << progressive << " q=" << q;
      }
    }
  }
}

// Progressive scans code runs of empty blocks as one EOB run, cut at 32767 blocks, and
// hold back refinement bits, flushed when nearly 1000 are waiting: pictures big and smooth
// enough to reach both limits.
TEST(JpegLengthModelTest, LongEndOfBandRunsAndHeldBackRefinementBits) {
  const WorkBitmap flat = test::MakeSolid(1464, 1456, 90, 140, 200);  // 33306 luma blocks
  const WorkBitmap smooth = test::MakeGradient(1024, 768);
  // Every block alike with large coefficients: refinement scans only hold back bits.
  const WorkBitmap pattern = test::MakeChecker(256, 256, 4, 0x204080, 0xE0C0A0);
  for (const WorkBitmap* b : {&flat, &smooth, &pattern}) {
    for (const bool gray : {false, true}) {
      const JpegLengthModel model(*b, gray, true);
      for (int q : {1, 60, 90, 100}) {
        EXPECT_EQ(model.Length(q),
                  static_cast<std::int64_t>(EncodeBitmapWithLibjpeg(*b, q, gray, true).size()))
            << b->Width() << "x" << b->Height() << " gray " << gray << " q=" << q;
      }
    }
  }
}

TEST(JpegLengthModelTest, HeaderIsTheFileLessItsEntropyData) {
  // A flat 8x8 gray block at quality 1 codes in a few bits: one byte of entropy data.
  const WorkBitmap flat = test::MakeSolid(8, 8, 128, 128, 128);
  const JpegLengthModel gray(flat, true);
  EXPECT_EQ(gray.Length(1), gray.HeaderLength() + 1);
  EXPECT_EQ(gray.HeaderLength(), 330);
  EXPECT_EQ(JpegLengthModel(flat, false).HeaderLength(), 625);
}

TEST(JpegLengthModelTest, StopsEarlyAboveTheLimitAndIsExactBelowIt) {
  const WorkBitmap photo = test::MakePhotoLike(160, 120, 4);
  const JpegLengthModel model(photo, false);
  const std::int64_t full = model.Length(95);
  EXPECT_GT(model.Length(95, 700), 700);
  EXPECT_GT(model.Length(95, full - 1), full - 1);
  EXPECT_EQ(model.Length(95, full), full);
  EXPECT_GT(model.Length(95, -5), -5);
  const std::int64_t bound = model.LowerBound(95);
  EXPECT_GT(bound, full / 2);  // loose, but not useless
  EXPECT_GT(model.LowerBound(95, 700), 700);
  EXPECT_EQ(model.LowerBound(95, bound), bound);
}

TEST(JpegLengthModelTest, RejectsWhatTheLibraryCannotEncode) {
  EXPECT_THROW(JpegLengthModel(WorkBitmap(), false), std::invalid_argument);
  EXPECT_THROW(JpegLengthModel(WorkBitmap(65501, 1), false), std::invalid_argument);
  const JpegLengthModel model(test::MakeSolid(4, 4, 1, 2, 3), false);
  EXPECT_THROW(model.Length(0), std::invalid_argument);
  EXPECT_THROW(model.Length(101), std::invalid_argument);
}

}  // namespace
}  // namespace brevine
