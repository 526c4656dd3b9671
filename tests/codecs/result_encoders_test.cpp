// WebP and AVIF results against the programs that define their bytes: cwebp and heif-enc
// (Debian packages webp and libheif-examples), run on a PNG of the same picture.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs.h"
#include "exif_blocks.h"
#include "format_writers.h"
#include "test_images.h"
#include "test_profiles.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG of the picture: RGB, or (gray) one channel of each pixel's gray value.
Bytes PngOf(const WorkBitmap& bitmap, bool gray) {
  test::PngSpec layout;
  layout.width = static_cast<std::uint32_t>(bitmap.Width());
  layout.height = static_cast<std::uint32_t>(bitmap.Height());
  layout.colourType = gray ? 0 : 2;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      if (gray) {
        layout.samples.push_back(JpegGrayValue(p[2], p[1], p[0]));
      } else {
        layout.samples.insert(layout.samples.end(), {p[2], p[1], p[0]});
      }
    }
  }
  return test::MakePng(layout);
}

// Runs a reference program on a PNG of the picture and returns what it wrote.
Bytes Reference(const std::string& command, const WorkBitmap& bitmap, bool grayPng) {
  const test::TempFolder folder;
  test::WriteFile(folder / "in.png", PngOf(bitmap, grayPng));
  const std::string line =
      command + " '" + (folder / "in.png") + "' -o '" + (folder / "out") + "' >/dev/null 2>&1";
  if (std::system(line.c_str()) != 0) {
    ADD_FAILURE() << "failed: " << line << " (install the packages webp and libheif-examples)";
    return {};
  }
  return test::ReadFile(folder / "out");
}

Bytes Cwebp(const WorkBitmap& bitmap, int quality, bool grayPng = false) {
  return Reference("cwebp -quiet -q " + std::to_string(quality), bitmap, grayPng);
}

// cjxl writes to its second argument, not after -o.
Bytes Cjxl(const WorkBitmap& bitmap, const std::string& options, bool grayPng = false) {
  const test::TempFolder folder;
  test::WriteFile(folder / "in.png", PngOf(bitmap, grayPng));
  const std::string line = "cjxl " + options + " '" + (folder / "in.png") + "' '" +
                           (folder / "out.jxl") + "' >/dev/null 2>&1";
  if (std::system(line.c_str()) != 0) {
    ADD_FAILURE() << "failed: " << line << " (install the package libjxl-tools)";
    return {};
  }
  return test::ReadFile(folder / "out.jxl");
}

Bytes HeifEnc(const WorkBitmap& bitmap, int quality, bool grayPng = false) {
  return Reference("heif-enc -A -q " + std::to_string(quality), bitmap, grayPng);
}

// Each pixel's gray value in all three channels.
WorkBitmap GrayTriples(const WorkBitmap& bitmap) {
  WorkBitmap out = bitmap;
  for (std::size_t i = 0; i < out.ByteCount(); i += 3) {
    std::uint8_t* p = out.Data() + i;
    p[0] = p[1] = p[2] = JpegGrayValue(p[2], p[1], p[0]);
  }
  return out;
}

std::string FourCC(const Bytes& file, std::size_t at) {
  return at + 4 <= file.size() ? std::string(file.begin() + at, file.begin() + at + 4) : "";
}

TEST(WebpEncoder, BytesAreCwebpsForAPngOfThePicture) {
  // Odd sides: the encoder pads its macroblocks and chroma as cwebp's import does.
  const WorkBitmap photo = test::MakePhotoLike(61, 37, 4);
  for (int quality : {1, 50, 80, 100}) {
    SCOPED_TRACE(quality);
    EXPECT_EQ(Cwebp(photo, quality), EncodeWebp(photo, quality, false));
  }
  const WorkBitmap one = test::MakeSolid(1, 1, 200, 100, 50);
  EXPECT_EQ(Cwebp(one, 92), EncodeWebp(one, 92, false));
}

TEST(WebpEncoder, GrayIsLibjpegsGrayInThreeEqualChannels) {
  const WorkBitmap photo = test::MakePhotoLike(40, 30, 9);
  const Bytes gray = EncodeWebp(photo, 75, true);
  EXPECT_EQ(Cwebp(GrayTriples(photo), 75), gray);
  // Pure red becomes libjpeg's 76, as in a gray JPEG.
  EXPECT_EQ(JpegGrayValue(255, 0, 0), 76);
  WorkBitmap decoded;
  DecodeWebp(gray.data(), gray.size(), decoded);
  for (std::size_t i = 0; i < decoded.ByteCount(); i += 3) {
    const std::uint8_t* p = decoded.Data() + i;
    ASSERT_LE(std::abs(p[0] - p[1]) + std::abs(p[1] - p[2]), 2) << "pixel " << i / 3;
  }
}

TEST(WebpEncoder, MetadataGoesIntoIccpAndExifChunks) {
  const WorkBitmap photo = test::MakePhotoLike(32, 24, 2);
  ResultMetadata metadata;
  metadata.icc = test::MakeProfile(3000);
  metadata.exif = test::CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff();
  const Bytes plain = EncodeWebp(photo, 80, false);
  const Bytes kept = EncodeWebp(photo, 80, false, metadata);
  EXPECT_EQ(FourCC(kept, 12), "VP8X");
  EXPECT_EQ(kept[20] & 0x28, 0x28);  // ICC and EXIF flags
  SourceInfo info;
  WorkBitmap a, b;
  DecodeWebp(kept.data(), kept.size(), a, &info);
  DecodeWebp(plain.data(), plain.size(), b);
  EXPECT_TRUE(test::SameBitmap(b, a));
  EXPECT_EQ(info.icc, metadata.icc);
  EXPECT_EQ(info.exif, metadata.exif);
  // Either part alone.
  EXPECT_NE(EncodeWebp(photo, 80, false, {metadata.icc, {}}), kept);
  EXPECT_EQ(FourCC(EncodeWebp(photo, 80, false, {{}, metadata.exif}), 12), "VP8X");
}

TEST(WebpEncoder, RefusesWhatWebpCannotHold) {
  EXPECT_THROW(EncodeWebp(WorkBitmap(), 80, false), EncodeError);
  EXPECT_THROW(EncodeWebp(WorkBitmap(16384, 1), 80, false), EncodeError);
  EXPECT_NO_THROW(EncodeWebp(test::MakeSolid(16383, 1, 1, 2, 3), 80, false));
}

// AVIF pictures stay small: libaom takes its time even on these.
TEST(AvifEncoder, BytesAreHeifEncsForAPngOfThePicture) {
  const WorkBitmap photo = test::MakePhotoLike(33, 19, 6);
  for (int quality : {1, 60, 100}) {
    SCOPED_TRACE(quality);
    EXPECT_EQ(HeifEnc(photo, quality), EncodeAvif(photo, quality, false));
  }
}

TEST(AvifEncoder, GrayIsAMonochromeImageOfLibjpegsGray) {
  const WorkBitmap photo = test::MakePhotoLike(24, 16, 3);
  const Bytes gray = EncodeAvif(photo, 60, true);
  EXPECT_EQ(HeifEnc(photo, 60, true), gray);
  EXPECT_NE(EncodeAvif(GrayTriples(photo), 60, false), gray);
}

TEST(AvifEncoder, MetadataGoesIntoAProfBoxAndAnExifItem) {
  const WorkBitmap photo = test::MakePhotoLike(20, 14, 8);
  ResultMetadata metadata;
  metadata.icc = test::MakeProfile(3000);
  metadata.exif = test::CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff();
  const Bytes kept = EncodeAvif(photo, 50, false, metadata);
  SourceInfo info;
  WorkBitmap decoded;
  DecodeHeif(kept.data(), kept.size(), decoded, info);
  EXPECT_EQ(info.icc, metadata.icc);
  EXPECT_EQ(info.exif, metadata.exif);
  EXPECT_EQ(decoded.Width(), 20);
  EXPECT_NE(std::string(kept.begin(), kept.end()).find("prof"), std::string::npos);
}

TEST(JxlEncoder, BytesAreCjxlsForAPngOfThePicture) {
  const WorkBitmap photo = test::MakePhotoLike(61, 37, 4);
  for (int quality : {5, 29, 30, 75, 90, 100}) {
    SCOPED_TRACE(quality);
    EXPECT_EQ(Cjxl(photo, "-q " + std::to_string(quality)), EncodeJxl(photo, quality, false));
  }
  // cjxl refuses qualities below 5, whose distance passes libjxl's largest: they stay there.
  EXPECT_EQ(Cjxl(photo, "-d 25"), EncodeJxl(photo, 1, false));
  EXPECT_EQ(JxlDistanceForQuality(4), 25.0f);
  const WorkBitmap one = test::MakeSolid(1, 1, 200, 100, 50);
  EXPECT_EQ(Cjxl(one, "-q 92"), EncodeJxl(one, 92, false));
  // Gray: cjxl's picture of a grey PNG of libjpeg's gray values.
  EXPECT_EQ(Cjxl(photo, "-q 75", true), EncodeJxl(photo, 75, true));
  EXPECT_THROW(EncodeJxl(WorkBitmap(), 75, false), EncodeError);
}

TEST(JxlEncoder, MetadataGoesIntoTheColourEncodingAndAnExifBox) {
  const WorkBitmap photo = test::MakePhotoLike(20, 14, 8);
  ResultMetadata metadata;
  metadata.icc = test::MakeProfile(3000);
  metadata.exif = test::CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff();
  const Bytes kept = EncodeJxl(photo, 80, false, metadata);
  SourceInfo info;
  WorkBitmap decoded;
  DecodeJxl(kept.data(), kept.size(), decoded, &info);
  EXPECT_EQ(info.exif, metadata.exif);
  EXPECT_EQ(decoded.Width(), 20);
  EXPECT_NE(std::string(kept.begin(), kept.end()).find("Exif"), std::string::npos);
  // That profile is no profile libjxl can read: the picture is left sRGB. A real one is kept.
  EXPECT_TRUE(info.icc.empty() || IsWellFormedRgbProfile(info.icc.data(), info.icc.size()));
  const Bytes withProfile = EncodeJxl(photo, 80, false, metadata);
  EXPECT_EQ(EncodeJxl(photo, 80, false, ResultMetadata{{}, metadata.exif}), withProfile);
}

TEST(AvifEncoder, RefusesAnEmptyPicture) {
  EXPECT_THROW(EncodeAvif(WorkBitmap(), 60, false), EncodeError);
}

// Lengths by quality: 100 bytes up to 60, 200 above, and a bump of 300 at 51.
std::vector<std::uint8_t> Bumpy(int quality) {
  const std::size_t length = quality == 51 ? 300 : quality <= 60 ? 100 : 200;
  return std::vector<std::uint8_t>(length, static_cast<std::uint8_t>(quality));
}

TEST(TargetSizeBisection, FollowsTheBisectionNotTheHighestFit) {
  std::vector<int> tried;
  const EncodeAtQuality encode = [&](int q) {
    tried.push_back(q);
    return Bumpy(q);
  };
  TargetSizeStats stats;
  // The bump at 51 sends the search below it, although 52..60 fit as well.
  QualityResult r = BisectTargetSize(encode, 150, &stats);
  EXPECT_EQ(r.quality, 50);
  EXPECT_EQ(r.bytes, Bumpy(50));
  EXPECT_EQ(tried, (std::vector<int>{51, 26, 38, 44, 47, 49, 50}));
  EXPECT_EQ(stats.encodes, 7);  // 50 was the last to fit: held, not encoded again

  tried.clear();
  r = BisectTargetSize(encode, 300, &stats);
  EXPECT_EQ(r.quality, 100);
  EXPECT_EQ(tried, (std::vector<int>{51, 76, 88, 94, 97, 99, 100}));
  EXPECT_EQ(stats.encodes, 7);

  // Nothing fits: quality 1, larger than the target, encoded once more at the end.
  tried.clear();
  r = BisectTargetSize(encode, 99, &stats);
  EXPECT_EQ(r.quality, 1);
  EXPECT_EQ(r.bytes, Bumpy(1));
  EXPECT_EQ(tried, (std::vector<int>{51, 26, 13, 7, 4, 2, 1}));
  EXPECT_EQ(stats.encodes, 7);
}

TEST(TargetSizeBisection, TheFinalEncodeComesOnlyWhenLoIsNotHeld) {
  // Only 1..3 fit: the search ends on lo = 3 after 4 failed, so 3 is held.
  const EncodeAtQuality small = [](int q) { return Bytes(q <= 3 ? 10 : 20); };
  TargetSizeStats stats;
  QualityResult r = BisectTargetSize(small, 10, &stats);
  EXPECT_EQ(r.quality, 3);
  EXPECT_LE(stats.encodes, 8);
  // Every quality tried once at most, and at most 8 encodes, for every threshold.
  for (int fits = 0; fits <= 100; ++fits) {
    std::vector<int> seen(101, 0);
    const EncodeAtQuality step = [&](int q) {
      ++seen[q];
      return Bytes(q <= fits ? 1 : 2);
    };
    r = BisectTargetSize(step, 1, &stats);
    EXPECT_EQ(r.quality, std::max(fits, 1));
    EXPECT_LE(stats.encodes, 8);
    for (int q = 1; q <= 100; ++q) EXPECT_LE(seen[q], 1) << "quality " << q;
  }
}

}  // namespace
}  // namespace brevine
