#include <gtest/gtest.h>

#include <vector>

#include "codecs.h"
#include "jpeg_length_model.h"
#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

// The search rule, run against the model: the first quality from 100 down that fits.
int ModelSearch(const JpegLengthModel& model, std::int64_t maxBytes) {
  for (int q = 100; q >= 1; --q) {
    if (model.Length(q, maxBytes) <= maxBytes) return q;
  }
  return 1;
}

// Sizes are not monotonic in the quality; the model must pick the same quality as the
// plain downward loop for every target, including targets between two qualities' sizes
// and targets that no quality meets.
TEST(TargetSizeSearchTest, ModelSearchEqualsPlainLoopForManyTargets) {
  const std::vector<WorkBitmap> pictures = {test::MakePhotoLike(97, 61, 2),
                                            test::MakeNoise(45, 30, 3)};
  for (const bool gray : {false, true}) {
    for (const WorkBitmap& picture : pictures) {
      std::vector<std::int64_t> sizes(101);
      for (int q = 1; q <= 100; ++q) {
        sizes[q] = static_cast<std::int64_t>(
            test::EncodeBitmapWithLibjpeg(picture, q, gray, false).size());
      }
      auto plain = [&](std::int64_t maxBytes) {
        for (int q = 100; q > 1; --q) {
          if (sizes[q] <= maxBytes) return q;
        }
        return 1;
      };
      const JpegLengthModel model(picture, gray);
      std::vector<std::int64_t> targets = {-1, 0, 1, sizes[1] - 1, sizes[100] + 1};
      for (int q = 1; q <= 100; ++q) {
        targets.push_back(sizes[q]);
        targets.push_back(sizes[q] - 1);
      }
      for (const std::int64_t target : targets) {
        ASSERT_EQ(ModelSearch(model, target), plain(target))
            << picture.Width() << "x" << picture.Height() << (gray ? " gray" : " colour")
            << " target " << target;
      }
    }
  }
}

}  // namespace
}  // namespace brevine

namespace brevine {
namespace {

std::int64_t EncodedSize(const WorkBitmap& picture, int q, bool gray, bool progressive) {
  TJPEGImage jpeg;
  jpeg.SetGrayOutput(gray);
  jpeg.SetProgressive(progressive);
  jpeg.TakeBitmap(picture);
  jpeg.SetQuality(q);
  jpeg.EncodeJpeg();
  return static_cast<std::int64_t>(jpeg.Data().bytes.size());
}

// The project's own encoder writes exactly the lengths the model predicts.
TEST(TargetSizeSearchTest, ModelMatchesTheEncoderObject) {
  const WorkBitmap picture = test::MakePhotoLike(83, 59, 5);
  for (const bool gray : {false, true}) {
    const JpegLengthModel model(picture, gray);
    for (int q = 1; q <= 100; q += 3) {
      ASSERT_EQ(model.Length(q), EncodedSize(picture, q, gray, false)) << gray << " q=" << q;
    }
  }
}

// End to end: the quality and the stored bytes are the plain loop's, for baseline, gray and
// progressive output, for fitting, tight and impossible targets; and they come from the
// model, confirmed by at most two encodes (the chosen quality and the one above it).
TEST(TargetSizeSearchTest, EncodeToTargetSizeEqualsThePlainLoop) {
  const WorkBitmap picture = test::MakePhotoLike(120, 77, 6);
  for (const bool gray : {false, true}) {
    for (const bool progressive : {false, true}) {
      std::vector<std::int64_t> sizes(101);
      for (int q = 1; q <= 100; ++q) sizes[q] = EncodedSize(picture, q, gray, progressive);
      for (const std::int64_t target : {std::int64_t{0}, sizes[1] - 1, sizes[1], sizes[37],
                                        sizes[80] - 1, sizes[92], sizes[100], sizes[100] + 1000}) {
        int expected = 1;
        for (int q = 100; q > 1; --q) {
          if (sizes[q] <= target) {
            expected = q;
            break;
          }
        }
        TJPEGImage jpeg;
        jpeg.SetGrayOutput(gray);
        jpeg.SetProgressive(progressive);
        TargetSizeStats stats;
        const int chosen = EncodeToTargetSize(jpeg, picture, target, &stats);
        EXPECT_EQ(chosen, expected) << gray << progressive << " target " << target;
        EXPECT_EQ(jpeg.Quality(), expected);
        EXPECT_EQ(static_cast<std::int64_t>(jpeg.Data().bytes.size()), sizes[expected]);
        EXPECT_TRUE(stats.modelAnswer) << gray << progressive << " target " << target;
        EXPECT_EQ(stats.encodes, expected == 100 ? 1 : 2) << " target " << target;
      }
    }
  }
}

// No model for an empty picture: the plain loop, which its zero bytes end at once unless
// even they are too many.
TEST(TargetSizeSearchTest, EmptyPictureFitsAtOnce) {
  TJPEGImage jpeg;
  TargetSizeStats stats;
  EXPECT_EQ(EncodeToTargetSize(jpeg, WorkBitmap(), 0, &stats), 100);
  EXPECT_TRUE(jpeg.Data().bytes.empty());
  EXPECT_EQ(stats.encodes, 1);
  EXPECT_FALSE(stats.modelAnswer);
  EXPECT_EQ(EncodeToTargetSize(jpeg, WorkBitmap(), -1, &stats), 1);
  EXPECT_EQ(stats.encodes, 100);
}

}  // namespace
}  // namespace brevine

namespace brevine {
namespace {

// Segments in front of the picture (a colour profile of three APP2 segments and a comment)
// are written as given and count towards the target like the picture's own bytes.
TEST(TargetSizeSearchTest, MarkerSegmentsAreWrittenAndCounted) {
  const WorkBitmap picture = test::MakePhotoLike(90, 64, 8);
  std::vector<JpegMarker> markers;
  for (int i = 0; i < 3; ++i) {
    JpegMarker m{0xE2, std::vector<std::uint8_t>(i == 2 ? 1000 : 65533)};
    for (std::size_t k = 0; k < m.data.size(); ++k)
      m.data[k] = static_cast<std::uint8_t>(k * 7 + i);
    markers.push_back(std::move(m));
  }
  markers.push_back({0xFE, {'h', 'i'}});
  const auto extra = static_cast<std::int64_t>(MarkerBytes(markers));
  EXPECT_EQ(extra, 3 * 4 + 2 * 65533 + 1000 + 4 + 2);

  for (const bool progressive : {false, true}) {
    std::vector<std::int64_t> sizes(101);
    std::vector<std::uint8_t> withMarkers;
    for (int q = 1; q <= 100; ++q) {
      TJPEGImage jpeg;
      jpeg.SetProgressive(progressive);
      jpeg.SetMarkers(markers);
      jpeg.TakeBitmap(picture);
      jpeg.SetQuality(q);
      jpeg.EncodeJpeg();
      sizes[q] = static_cast<std::int64_t>(jpeg.Data().bytes.size());
      ASSERT_EQ(sizes[q], EncodedSize(picture, q, false, progressive) + extra) << q;
      if (q == 50) withMarkers = jpeg.Data().bytes;
    }
    // The first segment follows the encoder's JFIF header (SOI 2 bytes + APP0 18 bytes).
    ASSERT_GT(withMarkers.size(), 30u);
    EXPECT_EQ(withMarkers[20], 0xFF);
    EXPECT_EQ(withMarkers[21], 0xE2);
    EXPECT_EQ(withMarkers[22] * 256 + withMarkers[23], 65535);
    EXPECT_EQ(withMarkers[24], markers[0].data[0]);

    for (const std::int64_t target : {extra - 1, sizes[1] - 1, sizes[1], sizes[60], sizes[100]}) {
      int expected = 1;
      for (int q = 100; q > 1; --q) {
        if (sizes[q] <= target) {
          expected = q;
          break;
        }
      }
      TJPEGImage jpeg;
      jpeg.SetProgressive(progressive);
      jpeg.SetMarkers(markers);
      TargetSizeStats stats;
      EXPECT_EQ(EncodeToTargetSize(jpeg, picture, target, &stats), expected)
          << progressive << " " << target;
      EXPECT_TRUE(stats.modelAnswer) << "the segments' bytes miscounted: " << target;
      EXPECT_EQ(static_cast<std::int64_t>(jpeg.Data().bytes.size()), sizes[expected]);
    }
  }
}

TEST(TargetSizeSearchTest, OverlongMarkerSegmentIsRefused) {
  TJPEGImage jpeg;
  jpeg.SetMarkers({{0xE2, std::vector<std::uint8_t>(65534)}});
  jpeg.TakeBitmap(test::MakePhotoLike(8, 8, 1));
  EXPECT_THROW(jpeg.EncodeJpeg(), std::length_error);
}

}  // namespace
}  // namespace brevine
