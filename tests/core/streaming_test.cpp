// The pipeline reduces JPEG, PNG, WebP and BMP rows as they are decoded. Its JPEG bytes
// must be those of the whole-picture steps: load whole, turn, boost, fit, sharpen, encode.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codecs.h"
#include "fixed_clock.h"
#include "format_writers.h"
#include "imaging.h"
#include "libjpeg_reference.h"
#include "output_stage.h"
#include "pipeline.h"
#include "pipeline_support.h"
#include "test_webp.h"
#include "unique_fd.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The TIFF block of an EXIF note holding one Orientation entry.
Bytes OrientationTiff(int value) {
  return {'I',
          'I',
          42,
          0,
          8,
          0,
          0,
          0,
          1,
          0,
          0x12,
          0x01,
          3,
          0,
          1,
          0,
          0,
          0,
          static_cast<std::uint8_t>(value),
          0,
          0,
          0,
          0,
          0,
          0,
          0};
}

Bytes JpegWithOrientation(Bytes jpeg, int value) {
  const Bytes tiff = OrientationTiff(value);
  Bytes app1 = {0xFF, 0xE1, 0, static_cast<std::uint8_t>(2 + 6 + tiff.size()), 'E', 'x', 'i',
                'f',  0,    0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

Bytes PngOf(const WorkBitmap& picture, bool interlaced) {
  test::PngSpec layout;
  layout.width = static_cast<std::uint32_t>(picture.Width());
  layout.height = static_cast<std::uint32_t>(picture.Height());
  layout.interlaced = interlaced;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3)
      layout.samples.insert(layout.samples.end(), {p[2], p[1], p[0]});
  }
  return test::MakePng(layout);
}

Bytes BmpOf(const WorkBitmap& picture, bool topDown) {
  Bytes pixels;
  for (int y = 0; y < picture.Height(); ++y)
    pixels.insert(pixels.end(), picture.Row(y), picture.Row(y) + picture.Stride());
  return test::MakeBmp(picture.Width(), picture.Height(), 24, pixels, {}, topDown);
}

// What the pipeline did before it streamed, step by step on the whole picture.
Bytes WholePictureJpeg(const std::string& path, ProcessSettings& settings, WorkBitmap* reduced) {
  WorkBitmap bitmap;
  SourceInfo info;
  EXPECT_EQ(LoadImage(path, bitmap, &info), LoadStatus::kOk);
  if (settings.AutoRotate()) ApplyOrientation(bitmap, info.orientation);
  if (settings.Saturation()) BoostSaturation(bitmap, bitmap, 140);
  SelectBox(settings, bitmap);
  *reduced = bitmap;
  if (settings.Sharpen()) SharpenImage(bitmap, bitmap, settings.SharpenStrength());
  return EncodeResult(settings, bitmap, OutputMarkers(settings, info));
}

TEST(StreamingPipeline, EveryFormatOrientationAndOptionGivesTheWholePictureBytes) {
  test::TempFolder dir;
  test::FixedClock clock;
  std::mt19937 random(18);
  const char* kinds[] = {"jpg",          "gray.jpg",       "progressive.jpg",
                         "png",          "interlaced.png", "bmp",
                         "top-down.bmp", "webp",           "lossy.webp"};
  int round = 0;
  for (const char* kind : kinds) {
    for (int repeat = 0; repeat < 14; ++repeat, ++round) {
      const int w = 8 + static_cast<int>(random() % 260);
      const int h = 8 + static_cast<int>(random() % 260);
      const WorkBitmap picture = test::MakePhotoLike(w, h, static_cast<std::uint32_t>(round));
      const int orientation = 1 + static_cast<int>(random() % 8);
      const std::string k = kind;
      Bytes file;
      if (k == "jpg" || k == "gray.jpg" || k == "progressive.jpg") {
        file = JpegWithOrientation(
            test::JpegOf(picture, 90, k == "gray.jpg", k == "progressive.jpg"), orientation);
      } else if (k == "png" || k == "interlaced.png") {
        file = PngOf(picture, k == "interlaced.png");
      } else if (k == "bmp" || k == "top-down.bmp") {
        file = BmpOf(picture, k == "top-down.bmp");
      } else {
        file = test::WithWebpChunks(test::EncodeWebp(picture, k == "webp", 80), {},
                                    OrientationTiff(orientation));
      }
      const std::string path = dir.Path() + "/p" + std::to_string(round) + "." + k;
      test::WriteFile(path, file);

      Options o;
      o.boxPreset = random() % 3 == 0 ? 6 : 7;
      o.boxWidth = static_cast<int>(1 + random() % 300);
      o.boxHeight = static_cast<int>(1 + random() % 300);
      o.saturation = random() % 2 == 0;
      o.sharpen = random() % 2 == 0;
      o.sharpenStrength = static_cast<int>(random() % 151);
      o.autoRotate = random() % 4 != 0;
      o.grayscale = random() % 5 == 0;
      o.progressive = random() % 5 == 0;
      FixedSettings settings(o);
      SCOPED_TRACE(path + " " + std::to_string(w) + "x" + std::to_string(h) + " box " +
                   std::to_string(o.boxWidth) + "x" + std::to_string(o.boxHeight) +
                   " orientation " + std::to_string(orientation));

      WorkBitmap expectedReduced;
      const Bytes expected = WholePictureJpeg(path, settings, &expectedReduced);
      WorkBitmap previewed;
      PipelineHooks hooks;
      hooks.preview = [&](const WorkBitmap& b) { previewed = b; };
      FilePipeline pipeline(settings, clock, hooks);
      WorkBitmap bitmap;
      const PreparedFile prepared = pipeline.Prepare(path, bitmap);
      ASSERT_EQ(prepared.result, FileResult::kWritten);
      ASSERT_TRUE(prepared.jpeg == expected);
      // The preview is the reduced picture, before any sharpening.
      EXPECT_TRUE(test::SameBitmap(expectedReduced, previewed));
    }
  }
}

// One photo on several threads: a JPEG with a restart marker per MCU row, decoded in stripes
// beside its boost and reduction, gives the bytes of the same photo without markers on one
// thread, in every orientation.
TEST(StreamingPipeline, StripesAndHelperGiveTheOneThreadBytesInEveryOrientation) {
  test::TempFolder dir;
  const WorkBitmap picture = test::MakePhotoLike(301, 467, 28);
  test::LibjpegEncode how;
  how.width = picture.Width();
  how.height = picture.Height();
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3)
      how.samples.insert(how.samples.end(), {p[2], p[1], p[0]});
  }
  Options o = test::PlainOptions();
  o.saturation = true;
  o.boxPreset = 6;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    how.orientation = orientation;
    how.restartInRows = 0;
    const std::string plain = dir.Path() + "/plain" + std::to_string(orientation) + ".jpg";
    test::WriteFile(plain, test::EncodeWithLibjpeg(how));
    how.restartInRows = 1;
    const std::string marked = dir.Path() + "/marked" + std::to_string(orientation) + ".jpg";
    test::WriteFile(marked, test::EncodeWithLibjpeg(how));
    auto reduce = [&](const std::string& path, int threads) {
      int fd = -1;
      EXPECT_EQ(OpenImageSource(path, fd), LoadStatus::kOk);
      const platform::UniqueFd owned(fd);
      WorkBitmap bitmap;
      const ReducedSource done =
          ReduceOpenedSource(SourceFile{fd, path}, o, LoadRequest{threads}, bitmap);
      EXPECT_EQ(done.result, FileResult::kWritten);
      EXPECT_EQ(done.info.orientation, orientation);
      return bitmap;
    };
    const WorkBitmap expected = reduce(plain, 1);
    EXPECT_EQ(std::max(expected.Width(), expected.Height()), 160);
    EXPECT_EQ(expected.Width() > expected.Height(), orientation >= 5);
    for (int threads : {2, 4})
      EXPECT_TRUE(test::SameBitmap(expected, reduce(marked, threads)))
          << "orientation " << orientation << ", " << threads << " threads";
  }
}

// A box the picture cannot be fitted into fails the file as a processing failure, as
// before, whichever path the decoder takes; a damaged file is still a decoding failure.
TEST(StreamingPipeline, FailuresKeepTheirKind) {
  test::TempFolder dir;
  test::FixedClock clock;
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 0;
  FixedSettings settings(o);
  FilePipeline pipeline(settings, clock);
  const WorkBitmap picture = test::MakePhotoLike(40, 30, 5);
  test::WriteFile(dir.Path() + "/a.jpg", test::JpegOf(picture, 90));
  test::WriteFile(dir.Path() + "/a.png", PngOf(picture, false));
  WorkBitmap bitmap;
  EXPECT_EQ(pipeline.Prepare(dir.Path() + "/a.jpg", bitmap).result, FileResult::kCannotProcess);
  EXPECT_EQ(pipeline.Prepare(dir.Path() + "/a.png", bitmap).result, FileResult::kCannotProcess);

  settings.Values().boxWidth = 20;
  Bytes cut = PngOf(test::MakeNoise(300, 300, 4), false);
  cut.resize(cut.size() / 2);
  test::WriteFile(dir.Path() + "/cut.png", cut);
  EXPECT_EQ(pipeline.Prepare(dir.Path() + "/cut.png", bitmap).result, FileResult::kCannotDecode);
}

// The budget counts a streamed file by its band: an 81-megapixel photo needs a few
// megabytes instead of a quarter of a gigabyte, turned and boosted or not.
TEST(StreamingPipeline, WorkingBytesOfABigPhoto) {
  Options o;
  o.boxPreset = 0;
  FixedSettings settings(o);
  const std::size_t whole = EstimatedWorkingBytes(12013, 6756, false, settings);
  EXPECT_GT(whole, std::size_t{240} << 20);
  EXPECT_LT(EstimatedWorkingBytes(12013, 6756, true, settings), std::size_t{16} << 20);
  settings.Values().saturation = true;
  EXPECT_LT(EstimatedWorkingBytes(12013, 6756, true, settings, 6), std::size_t{20} << 20);
  EXPECT_GT(EstimatedWorkingBytes(12013, 6756, false, settings, 6), whole);
  // A progressive file keeps its coefficients.
  EXPECT_GT(EstimatedWorkingBytes(12013, 6756, true, settings, 1, true), std::size_t{400} << 20);
}

// The header alone tells the size, whether the rows stream, a progressive file's
// coefficients and the orientation.
TEST(StreamingPipeline, ProbesTellWhatALoadWillTake) {
  test::TempFolder dir;
  const WorkBitmap picture = test::MakePhotoLike(70, 40, 2);
  test::WriteFile(dir / "a.jpg", JpegWithOrientation(test::JpegOf(picture, 90), 6));
  test::WriteFile(dir / "p.jpg", test::JpegOf(picture, 90, false, true));
  test::WriteFile(dir / "a.png", PngOf(picture, false));
  test::WriteFile(dir / "i.png", PngOf(picture, true));
  test::WriteFile(dir / "a.bmp", BmpOf(picture, true));
  test::WriteFile(dir / "a.webp", test::EncodeWebp(picture, true));
  test::WriteFile(dir / "bad.jpg", Bytes{1, 2, 3});
  struct Expect {
    const char* name;
    bool streams, coefficients;
    int orientation;
  };
  for (const Expect& e : {Expect{"a.jpg", true, false, 6}, Expect{"p.jpg", true, true, 1},
                          Expect{"a.png", true, false, 1}, Expect{"i.png", false, false, 1},
                          Expect{"a.bmp", true, false, 1}, Expect{"a.webp", true, false, 1}}) {
    SCOPED_TRACE(e.name);
    const std::optional<PictureProbe> probe = ProbeImage(dir / e.name);
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(probe->width, 70);
    EXPECT_EQ(probe->height, 40);
    EXPECT_EQ(probe->streams, e.streams);
    EXPECT_EQ(probe->coefficients, e.coefficients);
    EXPECT_EQ(probe->orientation, e.orientation);
  }
  EXPECT_FALSE(ProbeImage(dir / "bad.jpg").has_value());
  EXPECT_FALSE(ProbeImage(dir / "missing.png").has_value());
  FixedSettings settings;
  EXPECT_TRUE(EstimatedWorkingBytes(dir / "a.jpg", settings).has_value());
  EXPECT_FALSE(EstimatedWorkingBytes(dir / "bad.jpg", settings).has_value());
}

// A file with a restart marker per MCU row is decoded in stripes when the load has threads
// to spare: its estimate holds their buffers then, and only then.
TEST(StreamingPipeline, StripesCountWhereTheLoadHasThreads) {
  test::TempFolder dir;
  const WorkBitmap picture = test::MakePhotoLike(300, 1200, 4);
  test::LibjpegEncode how;
  how.width = picture.Width();
  how.height = picture.Height();
  how.restartInRows = 1;
  for (int y = 0; y < picture.Height(); ++y) {
    const std::uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3)
      how.samples.insert(how.samples.end(), {p[2], p[1], p[0]});
  }
  test::WriteFile(dir / "r.jpg", test::EncodeWithLibjpeg(how));
  test::WriteFile(dir / "a.jpg", test::JpegOf(picture, 90));
  const std::optional<PictureProbe> probe = ProbeImage(dir / "r.jpg");
  ASSERT_TRUE(probe.has_value());
  // 4:2:0: stripes of 24 MCU rows, the first one row longer.
  EXPECT_EQ(probe->stripeBytes, 3u * 300 * 25 * 16);
  EXPECT_EQ(ProbeImage(dir / "a.jpg")->stripeBytes, 0u);
  FixedSettings settings;
  const std::size_t alone = *EstimatedWorkingBytes(dir / "r.jpg", settings, 1);
  EXPECT_EQ(*EstimatedWorkingBytes(dir / "r.jpg", settings), alone);
  EXPECT_EQ(*EstimatedWorkingBytes(dir / "r.jpg", settings, 2), alone + 3 * probe->stripeBytes);
  EXPECT_EQ(*EstimatedWorkingBytes(dir / "r.jpg", settings, 4), alone + 5 * probe->stripeBytes);
  EXPECT_EQ(*EstimatedWorkingBytes(dir / "a.jpg", settings, 4),
            *EstimatedWorkingBytes(dir / "a.jpg", settings, 1));
}

}  // namespace
}  // namespace brevine
