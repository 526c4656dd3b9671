// What the JPEG and PNG decoders hand back beside the pixels: the EXIF orientation and
// block, and the colour profile, all from the one decode.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "codecs.h"
#include "format_writers.h"
#include "libjpeg_reference.h"
#include "test_images.h"
#include "test_profiles.h"

namespace brevine {
namespace {

using test::Bytes;
using Segments = std::vector<std::pair<int, Bytes>>;

Bytes PlainJpeg() {
  test::LibjpegEncode how;
  how.width = 24;
  how.height = 16;
  const WorkBitmap b = test::MakeGradient(24, 16);
  how.samples.assign(b.Data(), b.Data() + b.ByteCount());
  return test::EncodeWithLibjpeg(how);
}

// Decodes and checks that the pixels are those of the file without its extra segments.
SourceInfo InfoOf(const Segments& segments) {
  const Bytes plain = PlainJpeg();
  WorkBitmap expected;
  DecodeJpeg(plain.data(), plain.size(), expected);
  const Bytes file = test::WithSegments(plain, segments);
  WorkBitmap bitmap;
  SourceInfo info;
  info.orientation = 99;
  DecodeJpeg(file.data(), file.size(), bitmap, &info);
  EXPECT_TRUE(test::SameBitmap(expected, bitmap));
  return info;
}

Segments App2(const std::vector<Bytes>& bodies) {
  Segments s;
  for (const Bytes& b : bodies) s.emplace_back(0xE2, b);
  return s;
}

Bytes ExifBody(int orientation, bool bigEndian = false) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes little = {'I',
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
                        static_cast<std::uint8_t>(orientation),
                        0,
                        0,
                        0,
                        0,
                        0};
  const Bytes big = {'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                     0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, static_cast<std::uint8_t>(orientation),
                     0,    0,    0, 0};
  const Bytes& tiff = bigEndian ? big : little;
  b.insert(b.end(), tiff.begin(), tiff.end());
  return b;
}

TEST(JpegSourceInfo, ProfileInOneTwoOrThreeSegmentsInAnyOrder) {
  EXPECT_TRUE(InfoOf({}).icc.empty());
  // One segment holds at most 65,519 bytes of profile.
  for (const std::size_t size : {40'000, 100'000, 150'000}) {
    const Bytes profile = test::MakeProfile(size);
    const int count = static_cast<int>((size + 65'518) / 65'519);
    SCOPED_TRACE(count);
    std::vector<Bytes> segments = test::IccSegments(profile, count);
    EXPECT_EQ(InfoOf(App2(segments)).icc, profile);
    std::reverse(segments.begin(), segments.end());
    EXPECT_EQ(InfoOf(App2(segments)).icc, profile);
  }
  const Bytes profile = test::MakeProfile(150'000);
  // Other APP2 segments in between change nothing.
  std::vector<Bytes> segments = test::IccSegments(profile, 3);
  segments.insert(segments.begin() + 1, Bytes{'M', 'P', 'F', 0, 1, 2, 3});
  EXPECT_EQ(InfoOf(App2(segments)).icc, profile);
}

TEST(JpegSourceInfo, BadlyNumberedOrForeignProfilesAreDropped) {
  const Bytes profile = test::MakeProfile(150'000);
  const std::vector<Bytes> three = test::IccSegments(profile, 3);
  const Bytes whole = test::MakeProfile(5000);
  const std::uint8_t* p = whole.data();
  const std::vector<std::vector<Bytes>> bad = {
      {three[0], three[2]},                                           // a gap
      {three[0], three[1]},                                           // the last one missing
      {three[0], three[1], three[1]},                                 // a duplicate
      {three[0], three[1], three[2], test::IccSegment(4, 3, p, 10)},  // beyond the count
      {three[0], three[1], test::IccSegment(3, 4, p, 10)},            // counts disagree
      {test::IccSegment(0, 1, p, 5000)},                              // numbered from 0
      {test::IccSegment(1, 0, p, 5000)},                              // a count of 0
  };
  for (std::size_t i = 0; i < bad.size(); ++i) {
    EXPECT_TRUE(InfoOf(App2(bad[i])).icc.empty()) << i;
  }
  // Well numbered but not a well-formed RGB profile.
  EXPECT_TRUE(InfoOf(App2(test::IccSegments(test::MakeProfile(5000, "CMYK"), 1))).icc.empty());
  Bytes shortened = test::MakeProfile(5000);
  shortened.pop_back();
  EXPECT_TRUE(InfoOf(App2(test::IccSegments(shortened, 2))).icc.empty());
  // A segment too short for its sequence bytes is not part of the profile.
  std::vector<Bytes> withStub = test::IccSegments(test::MakeProfile(5000), 1);
  withStub.push_back(Bytes{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 2});
  EXPECT_EQ(InfoOf(App2(withStub)).icc, test::MakeProfile(5000));
}

TEST(JpegSourceInfo, OrientationAndExifFromTheFirstExifSegment) {
  const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0, '<', 'x', '/', '>'};
  SourceInfo info = InfoOf({{0xE1, xmp}, {0xE1, ExifBody(6)}, {0xE1, ExifBody(3)}});
  EXPECT_EQ(info.orientation, 6);
  const Bytes six = ExifBody(6);
  EXPECT_EQ(info.exif, Bytes(six.begin() + 6, six.end()));
  info = InfoOf({{0xE1, ExifBody(8, true)}});
  EXPECT_EQ(info.orientation, 8);
  EXPECT_EQ(info.exif.size(), ExifBody(8).size() - 6);
  // No EXIF at all; an "Exif" segment whose block is no TIFF structure.
  info = InfoOf({{0xE1, xmp}});
  EXPECT_EQ(info.orientation, 1);
  EXPECT_TRUE(info.exif.empty());
  info = InfoOf({{0xE1, Bytes{'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 1, 2, 3, 4, 5, 6}}});
  EXPECT_EQ(info.orientation, 1);
  EXPECT_TRUE(info.exif.empty());
}

TEST(JpegSourceInfo, LoaderHandsItBackAndClearsItOnFailure) {
  test::TempFolder folder;
  const Bytes file = test::WithSegments(
      PlainJpeg(), {{0xE1, ExifBody(8)}, {0xE2, test::IccSegments(test::MakeProfile(800), 1)[0]}});
  test::WriteFile(folder / "a.JPG", file);
  WorkBitmap bitmap;
  SourceInfo info;
  ASSERT_EQ(LoadImage(folder / "a.JPG", bitmap, &info), LoadStatus::kOk);
  EXPECT_EQ(info.orientation, 8);
  EXPECT_EQ(info.icc, test::MakeProfile(800));
  EXPECT_EQ(LoadImage(folder / "missing.jpg", bitmap, &info), LoadStatus::kNotFound);
  EXPECT_EQ(info.orientation, 1);
  // The same segments in front of a picture that cannot be decoded tell nothing.
  const std::size_t segments = 2 + 4 + ExifBody(8).size() + 4 + 14 + 800;
  test::WriteFile(folder / "c.jpg", Bytes(file.begin(), file.begin() + segments + 10));
  EXPECT_NE(LoadImage(folder / "c.jpg", bitmap, &info), LoadStatus::kOk);
  EXPECT_EQ(info.orientation, 1);
  EXPECT_TRUE(info.icc.empty());
  EXPECT_TRUE(info.exif.empty());
}

// ---- PNG iCCP -------------------------------------------------------------------------

Bytes Deflate(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), data.size(), 9), Z_OK);
  out.resize(size);
  return out;
}

Bytes IccpChunk(const Bytes& name, int method, const Bytes& compressed) {
  Bytes body = name;
  body.push_back(0);
  body.push_back(static_cast<std::uint8_t>(method));
  body.insert(body.end(), compressed.begin(), compressed.end());
  return test::PngChunk("iCCP", body);
}

// A small RGB PNG with the chunk right after IHDR.
Bytes PngWith(const Bytes& chunk) {
  test::PngSpec layout;
  layout.width = 5;
  layout.height = 3;
  for (int i = 0; i < 5 * 3 * 3; ++i) layout.samples.push_back(static_cast<std::uint16_t>(i * 5));
  Bytes png = test::MakePng(layout);
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());
  return png;
}

TEST(PngSourceInfo, ProfileFromIccpWhenWellFormed) {
  const Bytes profile = test::MakeProfile(70'000);
  const Bytes plain = PngWith({});
  WorkBitmap expected;
  DecodePng(plain.data(), plain.size(), expected);
  const Bytes name = {'s', 'R', 'G', 'B'};
  const Bytes good = PngWith(IccpChunk(name, 0, Deflate(profile)));
  WorkBitmap bitmap;
  SourceInfo info;
  DecodePng(good.data(), good.size(), bitmap, &info);
  EXPECT_EQ(info.icc, profile);
  EXPECT_TRUE(test::SameBitmap(expected, bitmap));

  Bytes cutStream = Deflate(profile);
  cutStream.resize(cutStream.size() / 2);
  Bytes flipped = Deflate(profile);
  flipped[flipped.size() / 2] ^= 0xFF;
  const Bytes huge(20u << 20, 0);  // inflates past any real profile
  Bytes bigHeader = test::MakeProfile(200);
  bigHeader.resize(20u << 20);
  const std::vector<Bytes> damaged = {
      IccpChunk(name, 1, Deflate(profile)),                         // unknown method
      IccpChunk({}, 0, Deflate(profile)),                           // no name
      IccpChunk(Bytes(80, 'n'), 0, Deflate(profile)),               // name too long
      IccpChunk(name, 0, cutStream),                                // stream cut short
      IccpChunk(name, 0, flipped),                                  // stream corrupted
      IccpChunk(name, 0, Deflate(test::MakeProfile(900, "GRAY"))),  // not RGB
      IccpChunk(name, 0, Deflate(huge)),                            // a bomb
      Bytes{0, 0, 0, 2, 'i', 'C', 'C', 'P', 'a', 0, 0, 0, 0, 0},    // chunk too short
  };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const Bytes file = PngWith(damaged[i]);
    WorkBitmap b;
    SourceInfo found;
    found.icc = {1};
    ASSERT_NO_THROW(DecodePng(file.data(), file.size(), b, &found)) << i;
    EXPECT_TRUE(found.icc.empty()) << i;
    EXPECT_TRUE(test::SameBitmap(expected, b)) << i;
  }
}

}  // namespace
}  // namespace brevine
