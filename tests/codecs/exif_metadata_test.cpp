#include "exif_metadata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codecs.h"
#include "exif_blocks.h"
#include "test_images.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::CameraBlock;
using test::KeptTags;
using test::ReadBack;
using test::SourceBlock;
using test::Tag;
using test::Written;

bool Contains(const Bytes& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

Bytes Filter(const Bytes& tiff) { return SharedExifSegment(tiff.data(), tiff.size()); }

TEST(SharedExif, KeepsTheDateAndCameraTagsByteForByteInEitherByteOrder) {
  for (ExifByteOrder order : {EXIF_BYTE_ORDER_INTEL, EXIF_BYTE_ORDER_MOTOROLA}) {
    SCOPED_TRACE(order == EXIF_BYTE_ORDER_INTEL ? "II" : "MM");
    const SourceBlock source = CameraBlock(order);
    const Bytes segment = Filter(source.Tiff());
    ASSERT_GT(segment.size(), 6u);
    EXPECT_EQ(Bytes(segment.begin(), segment.begin() + 6), (Bytes{'E', 'x', 'i', 'f', 0, 0}));

    Written expected;
    expected.order = order;
    expected.tags = KeptTags(source);
    Bytes upright(2);
    exif_set_short(upright.data(), order, 1);
    expected.tags.push_back({EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1, upright});
    std::sort(expected.tags.begin(), expected.tags.end(), [](const Tag& a, const Tag& b) {
      return std::tie(a.ifd, a.tag) < std::tie(b.ifd, b.tag);
    });
    ASSERT_EQ(expected.tags.size(), 14u);  // 13 kept and Orientation

    const Written written = ReadBack(segment);
    EXPECT_EQ(written.order, order);
    EXPECT_EQ(written.tags, expected.tags);
    EXPECT_EQ(written.thumbnailBytes, 0u);
    // Not a byte of what was dropped is anywhere in the segment, under any tag.
    EXPECT_FALSE(Contains(segment, "SECRET"));
    EXPECT_FALSE(Contains(segment, std::string(8, 0x47)));
    EXPECT_FALSE(Contains(segment, "R98"));
    // The filter's output is a fixed point: filtering it again changes nothing.
    EXPECT_EQ(Filter(Bytes(segment.begin() + 6, segment.end())), segment);
  }
}

TEST(SharedExif, NoSegmentWithoutAKeptTag) {
  SourceBlock private_(EXIF_BYTE_ORDER_INTEL);
  private_.Short(EXIF_IFD_0, EXIF_TAG_ORIENTATION, 8)
      .Text(EXIF_IFD_0, EXIF_TAG_ARTIST, "someone")
      .Text(EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE_REF, "S")
      .Thumbnail();
  EXPECT_TRUE(Filter(private_.Tiff()).empty());
  EXPECT_TRUE(Filter({}).empty());
  EXPECT_TRUE(SharedExifSegment(nullptr, 10).empty());
}

TEST(SharedExif, TagsOfAnotherTypeOrOverlongAreLeftOutAlone) {
  SourceBlock b(EXIF_BYTE_ORDER_MOTOROLA);
  b.Text(EXIF_IFD_0, EXIF_TAG_DATE_TIME, "2020:01:02 03:04:05")
      .Short(EXIF_IFD_0, EXIF_TAG_MAKE, 7)  // a number where a text belongs
      .Text(EXIF_IFD_0, EXIF_TAG_MODEL, std::string(400, 'M'))
      .Add(EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, EXIF_FORMAT_RATIONAL, 2, Bytes(16, 1))
      // In the wrong directory: IFD0 holds no DateTimeOriginal.
      .Text(EXIF_IFD_0, EXIF_TAG_DATE_TIME_ORIGINAL, "1999:01:01 00:00:00");
  const Written w = ReadBack(Filter(b.Tiff()));
  ASSERT_EQ(w.tags.size(), 2u);
  EXPECT_EQ(w.tags[0].tag, EXIF_TAG_ORIENTATION);
  EXPECT_EQ(w.tags[1].tag, EXIF_TAG_DATE_TIME);
  EXPECT_EQ(w.tags[1].value, b.Tags()[0].value);
}

// Offsets into a block made by the library (which writes IFD0 at 8).
struct Layout {
  bool little;
  const Bytes& b;
  std::uint32_t U16(std::size_t at) const {
    return little ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
  }
  std::uint32_t U32(std::size_t at) const {
    return little ? U16(at) | U16(at + 2) << 16 : U16(at) << 16 | U16(at + 2);
  }
  // Byte offset of the entry for `tag` in the directory at `ifd`.
  std::size_t Entry(std::size_t ifd, int tag) const {
    for (std::size_t i = 0, n = U16(ifd); i < n; ++i)
      if (static_cast<int>(U16(ifd + 2 + 12 * i)) == tag) return ifd + 2 + 12 * i;
    ADD_FAILURE() << "no tag " << tag;
    return 0;
  }
};

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(SharedExif, DamagedStructureGivesNoSegment) {
  const Bytes good = CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff();
  ASSERT_FALSE(Filter(good).empty());
  const Layout at{true, good};
  const std::size_t exifPointer = at.Entry(8, EXIF_TAG_EXIF_IFD_POINTER);
  const std::size_t exifIfd = at.U32(exifPointer + 8);
  const std::size_t dateOriginal = at.Entry(exifIfd, EXIF_TAG_DATE_TIME_ORIGINAL);
  const std::size_t model = at.Entry(8, EXIF_TAG_MODEL);

  struct Damage {
    const char* what;
    Bytes block;
  };
  std::vector<Damage> damages;
  auto damaged = [&](const char* what, auto change) {
    Bytes b = good;
    change(b);
    damages.push_back({what, std::move(b)});
  };
  damaged("bad byte order", [](Bytes& b) { b[0] = 'X'; });
  damaged("bad magic", [](Bytes& b) { b[2] = 43; });
  damaged("IFD0 past the end", [&](Bytes& b) { Put32(b, 4, 0xFFFF0); });
  damaged("IFD0 inside the header", [&](Bytes& b) { Put32(b, 4, 2); });
  damaged("IFD0 count past the end", [&](Bytes& b) { b[8] = b[9] = 0xFF; });
  damaged("Exif IFD pointing back at IFD0", [&](Bytes& b) { Put32(b, exifPointer + 8, 8); });
  damaged("Exif IFD past the end", [&](Bytes& b) { Put32(b, exifPointer + 8, 0x7FFFFFF0); });
  damaged("Exif IFD pointer of no pointer type", [&](Bytes& b) { b[exifPointer + 2] = 2; });
  damaged("value past the end", [&](Bytes& b) { Put32(b, model + 8, 0xFFFFFF00); });
  damaged("value lying in a directory", [&](Bytes& b) { Put32(b, model + 8, 8); });
  damaged("value offset wrapping", [&](Bytes& b) { Put32(b, dateOriginal + 8, 0xFFFFFFFF); });
  damaged("truncated in IFD0", [&](Bytes& b) { b.resize(20); });
  damaged("truncated in the Exif IFD", [&](Bytes& b) { b.resize(exifIfd + 30); });
  damaged("truncated in a kept value", [&](Bytes& b) { b.resize(at.U32(dateOriginal + 8) + 5); });
  for (const Damage& d : damages) EXPECT_TRUE(Filter(d.block).empty()) << d.what;

  // A count that the check holds small is left out alone; the rest stays.
  Bytes counted = good;
  Put32(counted, model + 4, 0x40000001);
  const Written w = ReadBack(Filter(counted));
  EXPECT_EQ(w.tags.size(), 13u);

  // Every cut of the block: never more than the whole block gives, always well formed.
  for (std::size_t size = 0; size < good.size(); ++size) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const Bytes segment = Filter(cut);
    if (segment.empty()) continue;
    EXPECT_LE(ReadBack(segment).tags.size(), 14u);
    EXPECT_EQ(Filter(Bytes(segment.begin() + 6, segment.end())), segment) << size;
  }
}

TEST(SharedExif, TargetSizeCountsTheSegment) {
  const WorkBitmap picture = test::MakePhotoLike(96, 64, 3);
  const Bytes segment = Filter(CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff());
  ASSERT_FALSE(segment.empty());
  const std::vector<JpegMarker> markers = {{0xE1, segment}};
  // The plain loop's answer with the segment, for targets where it decides the quality.
  TJPEGImage probe;
  probe.TakeBitmap(picture);
  probe.SetQuality(80);
  probe.EncodeJpeg();
  // Quality 80 fits this one without the segment, not with it.
  const auto decided = static_cast<std::int64_t>(probe.Data().bytes.size() + segment.size() / 2);
  probe.SetMarkers(markers);
  for (std::int64_t target : {decided, std::int64_t{1500}, std::int64_t{4000}}) {
    int expected = 100;
    for (;; --expected) {
      probe.TakeBitmap(picture);
      probe.SetQuality(expected);
      probe.EncodeJpeg();
      if (static_cast<std::int64_t>(probe.Data().bytes.size()) <= target || expected == 1) break;
    }
    TJPEGImage jpeg;
    jpeg.SetMarkers(markers);
    EXPECT_EQ(EncodeToTargetSize(jpeg, picture, target), expected) << target;
    EXPECT_EQ(jpeg.Data().bytes, probe.Data().bytes) << target;
    if (target == decided) {
      EXPECT_LT(expected, 80);
    }
  }
}

}  // namespace
}  // namespace brevine
