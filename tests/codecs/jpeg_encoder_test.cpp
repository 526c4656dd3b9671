#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>

#include "codecs.h"
#include "libjpeg_reference.h"
#include "test_images.h"

#include <jerror.h>

namespace brevine {
namespace {

using test::Bytes;
using test::CountMarker;
using test::Segments;

constexpr std::uint8_t kSof0 = 0xC0, kSof2 = 0xC2, kDht = 0xC4, kSos = 0xDA, kDqt = 0xDB,
                       kApp0 = 0xE0, kApp14 = 0xEE;

Bytes Encode(const WorkBitmap& bitmap, int quality, bool gray = false, bool progressive = false) {
  TJPEGImage jpeg;
  jpeg.SetGrayOutput(gray);
  jpeg.SetProgressive(progressive);
  jpeg.TakeBitmap(bitmap);
  jpeg.SetQuality(quality);
  jpeg.EncodeJpeg();
  return jpeg.Data().bytes;
}

const test::Segment& Find(const std::vector<test::Segment>& segments, std::uint8_t marker) {
  static const test::Segment none{0, {}};
  for (const auto& s : segments)
    if (s.marker == marker) return s;
  return none;
}

TEST(JpegEncoder, BaselineColourLayout) {
  const Bytes file = Encode(test::MakeSolid(1, 1, 10, 20, 30), 75);
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(0xFF, file[0]);
  EXPECT_EQ(0xD8, file[1]);
  const auto segments = Segments(file);
  // JFIF 1.01, density unit 0, 1 x 1, no thumbnail; no Adobe marker.
  EXPECT_EQ((Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}),
            Find(segments, kApp0).payload);
  EXPECT_EQ(0, CountMarker(file, kApp14));
  const Bytes& sof = Find(segments, kSof0).payload;
  ASSERT_EQ(6u + 3 * 3, sof.size());
  EXPECT_EQ(8, sof[0]);                // precision
  EXPECT_EQ(1, sof[1] << 8 | sof[2]);  // height
  EXPECT_EQ(1, sof[3] << 8 | sof[4]);  // width
  EXPECT_EQ(3, sof[5]);                // components
  EXPECT_EQ(0x22, sof[7]);             // luminance sampled 2 x 2
  EXPECT_EQ(0x11, sof[10]);
  EXPECT_EQ(0x11, sof[13]);
  EXPECT_EQ(2, CountMarker(file, kDqt));
  EXPECT_EQ(4, CountMarker(file, kDht));
  EXPECT_EQ(1, CountMarker(file, kSos));
  EXPECT_EQ(0xD9, segments.back().marker);
}

TEST(JpegEncoder, QualityEndsGiveFlatTables) {
  const WorkBitmap photo = test::MakePhotoLike(40, 30);
  for (auto [quality, entry] : {std::pair{1, 255}, std::pair{100, 1}}) {
    SCOPED_TRACE(quality);
    const Bytes file = Encode(photo, quality);
    int tables = 0;
    for (const auto& s : Segments(file)) {
      if (s.marker != kDqt) continue;
      ASSERT_EQ(65u, s.payload.size());
      EXPECT_EQ(0, s.payload[0] >> 4);  // 8-bit entries: forced baseline
      EXPECT_TRUE(std::all_of(s.payload.begin() + 1, s.payload.end(),
                              [&](std::uint8_t v) { return v == entry; }));
      ++tables;
    }
    EXPECT_EQ(2, tables);
  }
}

TEST(JpegEncoder, GrayOutputIsOneComponentWithLibraryLuminance) {
  const Bytes file = Encode(test::MakeSolid(16, 16, 0, 0, 255), 100, true);
  const auto segments = Segments(file);
  const Bytes& sof = Find(segments, kSof0).payload;
  ASSERT_GE(sof.size(), 6u);
  EXPECT_EQ(1, sof[5]);
  EXPECT_EQ(1, CountMarker(file, kDqt));
  EXPECT_EQ(2, CountMarker(file, kDht));
  const test::LibjpegImage gray = test::DecodeWithLibjpeg(file, JCS_GRAYSCALE);
  ASSERT_EQ(1, gray.components);
  for (std::uint8_t v : gray.Samples()) EXPECT_NEAR(76, v, 1);
}

TEST(JpegEncoder, ProgressiveScanCounts) {
  const WorkBitmap photo = test::MakePhotoLike(33, 17);
  const Bytes colour = Encode(photo, 80, false, true);
  EXPECT_EQ(1, CountMarker(colour, kSof2));
  EXPECT_EQ(0, CountMarker(colour, kSof0));
  EXPECT_EQ(10, CountMarker(colour, kSos));
  const Bytes gray = Encode(photo, 80, true, true);
  EXPECT_EQ(1, CountMarker(gray, kSof2));
  EXPECT_EQ(6, CountMarker(gray, kSos));
}

// The bitmap goes in as blue-green-red; the bytes must be those of the library fed the
// same picture as red-green-blue.
TEST(JpegEncoder, SameBytesAsLibraryWithRgbRows) {
  const WorkBitmap photo = test::MakePhotoLike(37, 23, 5);
  test::LibjpegEncode how;
  how.width = photo.Width();
  how.height = photo.Height();
  how.samples.assign(photo.Data(), photo.Data() + photo.ByteCount());
  for (std::size_t i = 0; i < how.samples.size(); i += 3)
    std::swap(how.samples[i], how.samples[i + 2]);
  for (bool gray : {false, true}) {
    for (bool progressive : {false, true}) {
      for (int quality : {1, 50, 90, 100}) {
        SCOPED_TRACE(testing::Message() << gray << progressive << quality);
        how.fileSpace = gray ? JCS_GRAYSCALE : JCS_UNKNOWN;
        how.progressive = progressive;
        how.quality = quality;
        EXPECT_EQ(test::EncodeWithLibjpeg(how), Encode(photo, quality, gray, progressive));
      }
    }
  }
}

TEST(JpegEncoder, ChannelOrderSurvivesLibjpegDecode) {
  WorkBitmap picture = test::MakeSolid(32, 16, 0, 0, 255);  // red
  for (int y = 0; y < 16; ++y) {
    for (int x = 16; x < 32; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = 255;  // blue
      p[2] = 0;
    }
  }
  const test::LibjpegImage rgb = test::DecodeWithLibjpeg(Encode(picture, 95), JCS_RGB);
  ASSERT_EQ(32, rgb.width);
  const std::uint8_t* left = &rgb.Samples()[(8 * 32 + 4) * 3];
  const std::uint8_t* right = &rgb.Samples()[(8 * 32 + 28) * 3];
  EXPECT_GT(left[0], 240);
  EXPECT_LT(left[2], 20);
  EXPECT_LT(right[0], 20);
  EXPECT_GT(right[2], 240);
}

TEST(JpegEncoder, EmptyPicturesGiveZeroBytes) {
  for (auto [w, h] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 5}}) {
    TJPEGImage jpeg;
    jpeg.TakeBitmap(WorkBitmap(w, h));
    jpeg.EncodeJpeg();
    EXPECT_TRUE(jpeg.HasData());
    EXPECT_TRUE(jpeg.Data().bytes.empty());
  }
  TJPEGImage noSource;
  noSource.EncodeJpeg();
  EXPECT_TRUE(noSource.Data().bytes.empty());

  test::TempFolder folder;
  test::WriteFile(folder / "old.jpg", Bytes(100, 7));
  noSource.WriteJpegFile(folder / "old.jpg");
  EXPECT_TRUE(test::ReadFile(folder / "old.jpg").empty());
}

TEST(JpegEncoder, WritesExactBytesOverLargerFilesAndEncodesWhenNeeded) {
  test::TempFolder folder;
  TJPEGImage jpeg;
  jpeg.TakeBitmap(test::MakePhotoLike(20, 20));
  EXPECT_FALSE(jpeg.HasData());
  test::WriteFile(folder / "a.jpg", Bytes(1 << 20, 1));
  jpeg.WriteJpegFile(folder / "a.jpg");  // encodes first
  ASSERT_TRUE(jpeg.HasData());
  jpeg.WriteJpegFile(folder / "b.jpg");
  EXPECT_EQ(jpeg.Data().bytes, test::ReadFile(folder / "a.jpg"));
  EXPECT_EQ(jpeg.Data().bytes, test::ReadFile(folder / "b.jpg"));
  EXPECT_THROW(jpeg.WriteJpegFile(folder / "missing/c.jpg"), std::system_error);
}

TEST(JpegEncoder, SettingsActAtTheNextEncodeOnTheCopiedPicture) {
  WorkBitmap picture = test::MakePhotoLike(24, 24);
  TJPEGImage jpeg;
  EXPECT_EQ(90, jpeg.Quality());
  jpeg.SetQuality(256 + 100);  // the low 8 bits
  EXPECT_EQ(100, jpeg.Quality());
  jpeg.TakeBitmap(picture);
  const WorkBitmap original = picture;
  picture = test::MakeSolid(24, 24, 0, 0, 0);  // the copy is the object's own
  jpeg.EncodeJpeg();
  const Bytes first = jpeg.Data().bytes;
  EXPECT_EQ(Encode(original, 100), first);
  jpeg.SetGrayOutput(true);
  EXPECT_EQ(first, jpeg.Data().bytes);
  jpeg.EncodeJpeg();
  EXPECT_TRUE(jpeg.Data().gray);
  EXPECT_EQ(24, jpeg.Data().width);
  EXPECT_EQ(1, CountMarker(jpeg.Data().bytes, kDqt));
}

// Encoding a bitmap where it lies gives the bytes of a copy's encode, and drops any copy
// taken before: a later EncodeJpeg has nothing to encode.
TEST(JpegEncoder, EncodeBitmapEqualsACopysEncodeAndKeepsNoCopy) {
  const WorkBitmap picture = test::MakePhotoLike(37, 21);
  TJPEGImage jpeg;
  jpeg.TakeBitmap(test::MakeSolid(8, 8, 10, 20, 30));
  jpeg.SetQuality(83);
  jpeg.SetProgressive(true);
  jpeg.EncodeBitmap(picture);
  EXPECT_EQ(Encode(picture, 83, false, true), jpeg.Data().bytes);
  EXPECT_EQ(37, jpeg.Data().width);
  const Bytes encoded = jpeg.Data().bytes;
  EXPECT_EQ(encoded, jpeg.TakeBytes());  // moved out, nothing kept
  EXPECT_FALSE(jpeg.HasData());
  jpeg.EncodeJpeg();
  EXPECT_TRUE(jpeg.HasData());
  EXPECT_TRUE(jpeg.Data().bytes.empty());
}

TEST(JpegEncoder, LibraryErrorsRaiseEjpegAndKeepNoData) {
  TJPEGImage jpeg;
  jpeg.TakeBitmap(WorkBitmap(70000, 1));  // wider than the library's 65500
  try {
    jpeg.EncodeJpeg();
    FAIL() << "no error";
  } catch (const EJPEG& e) {
    EXPECT_EQ(JERR_IMAGE_TOO_BIG, e.Code());
    EXPECT_EQ("JPEG错误#" + std::to_string(JERR_IMAGE_TOO_BIG), std::string(e.what()));
  }
  EXPECT_FALSE(jpeg.HasData());
}

}  // namespace
}  // namespace brevine

namespace brevine {
namespace {

std::vector<std::uint8_t> MakeProfile(std::size_t size) {
  std::vector<std::uint8_t> p(size);
  for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<std::uint8_t>(i * 31 + 7);
  p[0] = static_cast<std::uint8_t>(size >> 24);
  p[1] = static_cast<std::uint8_t>(size >> 16);
  p[2] = static_cast<std::uint8_t>(size >> 8);
  p[3] = static_cast<std::uint8_t>(size);
  std::memcpy(p.data() + 16, "RGB ", 4);
  std::memcpy(p.data() + 36, "acsp", 4);
  if (size >= 132) std::memset(p.data() + 128, 0, 4);  // no tags
  return p;
}

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A profile of `size` bytes whose table lists tags at these offsets and sizes.
std::vector<std::uint8_t> WithTags(
    std::size_t size, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tags) {
  auto p = MakeProfile(size);
  PutBe32(p.data() + 128, static_cast<std::uint32_t>(tags.size()));
  for (std::size_t i = 0; i < tags.size() && 144 + 12 * i <= size; ++i) {
    std::memcpy(p.data() + 132 + 12 * i, "desc", 4);
    PutBe32(p.data() + 136 + 12 * i, tags[i].first);
    PutBe32(p.data() + 140 + 12 * i, tags[i].second);
  }
  return p;
}

TEST(IccProfileTest, EveryTagLiesWithinTheProfile) {
  // Two tags: the table ends at 156.
  EXPECT_TRUE(IsWellFormedRgbProfile(WithTags(600, {{156, 100}, {256, 344}}).data(), 600));
  EXPECT_FALSE(IsWellFormedRgbProfile(WithTags(600, {{156, 100}, {256, 345}}).data(), 600));
  EXPECT_FALSE(IsWellFormedRgbProfile(WithTags(600, {{155, 100}, {256, 344}}).data(), 600));
  // Offset and size that wrap around 32 bits.
  EXPECT_FALSE(IsWellFormedRgbProfile(WithTags(600, {{200, 0xFFFFFFF0u}}).data(), 600));
  EXPECT_FALSE(IsWellFormedRgbProfile(WithTags(600, {{0xFFFFFFF0u, 0x20}}).data(), 600));
  // A count whose table would not fit, even one that overflows 32 bits when multiplied.
  auto counted = MakeProfile(600);
  PutBe32(counted.data() + 128, (600 - 132) / 12 + 1);
  EXPECT_FALSE(IsWellFormedRgbProfile(counted.data(), counted.size()));
  PutBe32(counted.data() + 128, 0x40000000u);
  EXPECT_FALSE(IsWellFormedRgbProfile(counted.data(), counted.size()));
  // A table that fills the profile exactly, with empty tags at its end.
  const std::size_t full = 132 + 12 * 3;
  EXPECT_TRUE(IsWellFormedRgbProfile(WithTags(full, {{168, 0}, {168, 0}, {168, 0}}).data(), full));
}

TEST(IccProfileTest, WellFormedRgbProfilesOnly) {
  const auto good = MakeProfile(600);
  EXPECT_TRUE(IsWellFormedRgbProfile(good.data(), good.size()));
  EXPECT_FALSE(IsWellFormedRgbProfile(good.data(), good.size() - 1));  // size disagrees
  auto gray = good;
  std::memcpy(gray.data() + 16, "GRAY", 4);
  EXPECT_FALSE(IsWellFormedRgbProfile(gray.data(), gray.size()));
  auto unsigned_ = good;
  unsigned_[36] = 'x';
  EXPECT_FALSE(IsWellFormedRgbProfile(unsigned_.data(), unsigned_.size()));
  const auto tiny = MakeProfile(100);
  EXPECT_FALSE(IsWellFormedRgbProfile(tiny.data(), tiny.size()));
  EXPECT_FALSE(IsWellFormedRgbProfile(nullptr, 0));
}

TEST(IccProfileTest, SplitIntoNumberedSegmentsOf65519Bytes) {
  EXPECT_TRUE(IccProfileMarkers({}).empty());
  for (const std::size_t size :
       {std::size_t{600}, std::size_t{65519}, std::size_t{65520}, std::size_t{3 * 65519 + 5}}) {
    const auto profile = MakeProfile(size);
    const auto markers = IccProfileMarkers(profile);
    ASSERT_EQ(markers.size(), (size + 65518) / 65519) << size;
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < markers.size(); ++i) {
      const auto& d = markers[i].data;
      EXPECT_EQ(markers[i].code, 0xE2);
      ASSERT_GE(d.size(), 15u);
      EXPECT_LE(d.size(), 65533u);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data()), 12),
                std::string("ICC_PROFILE\0", 12));
      EXPECT_EQ(d[12], i + 1);
      EXPECT_EQ(d[13], markers.size());
      joined.insert(joined.end(), d.begin() + 14, d.end());
    }
    EXPECT_EQ(joined, profile);
  }
  EXPECT_TRUE(IccProfileMarkers(std::vector<std::uint8_t>(256 * 65519)).empty());
}

}  // namespace
}  // namespace brevine
