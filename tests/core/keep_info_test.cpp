#include <gtest/gtest.h>

#include "exif_blocks.h"
#include "exif_metadata.h"
#include "fixed_clock.h"
#include "output_stage.h"
#include "pipeline.h"
#include "pipeline_support.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The JPEG with one more segment right after the JFIF header (SOI and APP0: 20 bytes).
Bytes WithSegment(const Bytes& jpeg, std::uint8_t marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  Bytes out(jpeg.begin(), jpeg.begin() + 20);
  out.push_back(0xFF);
  out.push_back(marker);
  out.push_back(static_cast<std::uint8_t>(length >> 8));
  out.push_back(static_cast<std::uint8_t>(length));
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), jpeg.begin() + 20, jpeg.end());
  return out;
}

TEST(KeepInfo, TheSegmentGoesInFrontOfTodaysBytesOnlyWhenAsked) {
  const WorkBitmap picture = test::MakePhotoLike(40, 30, 4);
  SourceInfo source;
  source.exif = test::CameraBlock(EXIF_BYTE_ORDER_MOTOROLA).Tiff();
  const Bytes segment = SharedExifSegment(source.exif.data(), source.exif.size());
  ASSERT_FALSE(segment.empty());

  for (bool gray : {false, true}) {
    SCOPED_TRACE(gray ? "gray" : "colour");
    Options o;
    o.grayscale = gray;
    const Bytes today = test::JpegOf(picture, 92, gray);
    FixedSettings off(o);
    EXPECT_TRUE(OutputMarkers(off, source).empty());
    EXPECT_EQ(EncodeResult(off, picture, OutputMarkers(off, source)), today);

    o.keepInfo = true;
    FixedSettings on(o);
    EXPECT_EQ(EncodeResult(on, picture, OutputMarkers(on, source)),
              WithSegment(today, 0xE1, segment));
    // No block, or a damaged one: the file goes through as today.
    EXPECT_EQ(EncodeResult(on, picture, OutputMarkers(on, SourceInfo{})), today);
    SourceInfo damaged = source;
    damaged.exif.resize(40);
    EXPECT_EQ(EncodeResult(on, picture, OutputMarkers(on, damaged)), today);
  }
}

TEST(KeepInfo, ThroughThePipelineFromAJpegSource) {
  test::TempFolder dir;
  const WorkBitmap picture = test::MakePhotoLike(24, 16, 5);
  const Bytes tiff = test::CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff();
  Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  test::WriteFile(dir / "photo.jpg", WithSegment(test::JpegOf(picture, 95), 0xE1, app1));

  WorkBitmap loaded;
  SourceInfo info;
  ASSERT_EQ(LoadImage(dir / "photo.jpg", loaded, &info), LoadStatus::kOk);
  if (info.exif.empty()) GTEST_SKIP() << "the JPEG loader hands over no EXIF block yet";

  Options o = test::PlainOptions();
  o.autoRotate = false;
  o.keepInfo = true;
  FixedSettings settings(o);
  test::FixedClock clock;
  WorkBitmap bitmap;
  FilePipeline pipeline(settings, clock);
  ASSERT_EQ(pipeline.ProcessFile(dir / "photo.jpg", bitmap), FileResult::kWritten);
  const Bytes kept = test::ReadFile(dir / "Resized/photo.jpg");
  EXPECT_EQ(kept, WithSegment(test::JpegOf(loaded, 92), 0xE1,
                              SharedExifSegment(tiff.data(), tiff.size())));

  settings.Values().keepInfo = false;
  ASSERT_EQ(pipeline.ProcessFile(dir / "photo.jpg", bitmap), FileResult::kWritten);
  EXPECT_EQ(test::ReadFile(dir / "Resized/photo.jpg"), test::JpegOf(loaded, 92));
}

}  // namespace
}  // namespace brevine
