#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs.h"
#include "test_images.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v, bool little) {
  if (little) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
  } else {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
  }
}
void Put32(Bytes& b, std::uint32_t v, bool little) {
  Put16(b, little ? v & 0xFFFF : v >> 16, little);
  Put16(b, little ? v >> 16 : v & 0xFFFF, little);
}

// TIFF block with IFD0 at offset 8 holding the given (tag, type, count, value) entries.
struct Entry {
  unsigned tag, type;
  std::uint32_t count, value;
};
Bytes Tiff(const std::vector<Entry>& entries, bool little) {
  Bytes t = {static_cast<std::uint8_t>(little ? 'I' : 'M'),
             static_cast<std::uint8_t>(little ? 'I' : 'M')};
  Put16(t, 42, little);
  Put32(t, 8, little);
  Put16(t, static_cast<unsigned>(entries.size()), little);
  for (const Entry& e : entries) {
    Put16(t, e.tag, little);
    Put16(t, e.type, little);
    Put32(t, e.count, little);
    if (e.type == 3) {  // a SHORT sits in the first two bytes of the value field
      Put16(t, e.value, little);
      Put16(t, 0, little);
    } else {
      Put32(t, e.value, little);
    }
  }
  Put32(t, 0, little);  // no next IFD
  return t;
}

Bytes Segment(std::uint8_t marker, const Bytes& body) {
  Bytes s = {0xFF, marker};
  Put16(s, static_cast<unsigned>(body.size() + 2), false);
  s.insert(s.end(), body.begin(), body.end());
  return s;
}

Bytes ExifSegment(const Bytes& tiff) {
  Bytes body = {'E', 'x', 'i', 'f', 0, 0};
  body.insert(body.end(), tiff.begin(), tiff.end());
  return Segment(0xE1, body);
}

Bytes Jpeg(const std::vector<Bytes>& segments) {
  Bytes j = {0xFF, 0xD8};
  for (const Bytes& s : segments) j.insert(j.end(), s.begin(), s.end());
  const Bytes tail = {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9};
  j.insert(j.end(), tail.begin(), tail.end());
  return j;
}

int Read(const Bytes& b) { return ReadExifOrientation(b.data(), b.size()); }

const Bytes kJfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});

TEST(ReadExifOrientationTest, ReadsEveryOrientationInBothByteOrders) {
  for (const bool little : {true, false}) {
    for (unsigned o = 1; o <= 8; ++o) {
      const Bytes j = Jpeg({kJfif, ExifSegment(Tiff({{0x010F, 2, 4, 0}, {0x0112, 3, 1, o}},
                                                     little))});
      EXPECT_EQ(Read(j), static_cast<int>(o)) << (little ? "II " : "MM ") << o;
    }
  }
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x0112, 4, 1, 6}}, true))})), 6);  // LONG
}

TEST(ReadExifOrientationTest, AbsentOrUnusableTagGivesOne) {
  EXPECT_EQ(Read(Jpeg({kJfif})), 1);
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x010F, 2, 4, 0}}, true))})), 1);
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x0112, 3, 1, 0}}, true))})), 1);
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x0112, 3, 1, 9}}, true))})), 1);
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x0112, 3, 2, 6}}, true))})), 1);  // count 2
  EXPECT_EQ(Read(Jpeg({ExifSegment(Tiff({{0x0112, 7, 1, 6}}, true))})), 1);  // UNDEFINED
  // A tag behind the picture data is not looked for.
  Bytes late = Jpeg({});
  const Bytes exif = ExifSegment(Tiff({{0x0112, 3, 1, 6}}, true));
  late.insert(late.end() - 2, exif.begin(), exif.end());
  EXPECT_EQ(Read(late), 1);
  EXPECT_EQ(Read({}), 1);
  EXPECT_EQ(ReadExifOrientation(nullptr, 10), 1);
  EXPECT_EQ(Read({0x89, 'P', 'N', 'G'}), 1);
}

TEST(ReadExifOrientationTest, MalformedStructuresGiveOne) {
  auto withTiff = [](Bytes tiff) { return Jpeg({ExifSegment(tiff)}); };
  Bytes good = Tiff({{0x0112, 3, 1, 6}}, true);
  ASSERT_EQ(Read(withTiff(good)), 6);

  Bytes badOrder = good;
  badOrder[0] = 'X';
  EXPECT_EQ(Read(withTiff(badOrder)), 1);
  Bytes badMagic = good;
  badMagic[2] = 43;
  EXPECT_EQ(Read(withTiff(badMagic)), 1);
  for (const std::uint32_t offset : {0u, 7u, 0xFFFFFFF0u, 0xFFFFFFFFu,
                                     static_cast<std::uint32_t>(good.size())}) {
    Bytes t = good;
    std::memcpy(t.data() + 4, &offset, 4);  // little-endian host, II block
    EXPECT_EQ(Read(withTiff(t)), 1) << "IFD offset " << offset;
  }
  Bytes hugeCount = good;
  hugeCount[8] = 0xFF;
  hugeCount[9] = 0xFF;
  EXPECT_EQ(Read(withTiff(hugeCount)), 1);
  // IFD0 pointing at itself as the next IFD: only IFD0 is read, so this ends.
  Bytes loop = Tiff({{0x010F, 2, 4, 0}}, true);
  const std::uint32_t self = 8;
  std::memcpy(loop.data() + loop.size() - 4, &self, 4);
  EXPECT_EQ(Read(withTiff(loop)), 1);
  // Entry cut off by the end of the segment.
  Bytes cut = good;
  cut.resize(8 + 2 + 9);
  EXPECT_EQ(Read(withTiff(cut)), 1);
}

TEST(ReadExifOrientationTest, BrokenMarkerStructureGivesOne) {
  const Bytes j = Jpeg({kJfif, ExifSegment(Tiff({{0x0112, 3, 1, 3}}, false))});
  ASSERT_EQ(Read(j), 3);
  // Every truncation either still holds the whole tag or gives 1; none reads past the end
  // (the sanitizer build checks the reads themselves).
  for (std::size_t n = 0; n < j.size(); ++n) {
    const Bytes head(j.begin(), j.begin() + static_cast<std::ptrdiff_t>(n));
    const int o = ReadExifOrientation(head.data(), head.size());
    EXPECT_TRUE(o == 1 || o == 3) << n;
    if (n < 2 + kJfif.size() + 4 + 6 + 8 + 2 + 12) {
      EXPECT_EQ(o, 1) << n;
    }
  }
  Bytes longSegment = j;
  longSegment[2 + kJfif.size() + 2] = 0xFF;  // APP1 length beyond the data
  EXPECT_EQ(Read(longSegment), 1);
  Bytes shortLength = j;
  shortLength[2 + 2] = 0x00;
  shortLength[2 + 3] = 0x01;  // APP0 length 1
  EXPECT_EQ(Read(shortLength), 1);
  Bytes noMarker = j;
  noMarker[2] = 0x00;
  EXPECT_EQ(Read(noMarker), 1);
}

TEST(ReadExifOrientationTest, ReadsTheHeadOfAFile) {
  test::TempFolder folder;
  const Bytes j = Jpeg({ExifSegment(Tiff({{0x0112, 3, 1, 8}}, true))});
  test::WriteFile(folder / "a.jpg", j);
  EXPECT_EQ(ReadJpegFileOrientation(folder / "a.jpg"), 8);
  EXPECT_EQ(ReadJpegFileOrientation(folder / "missing.jpg"), 1);
  EXPECT_EQ(ReadJpegFileOrientation(folder.Path()), 1);
}

}  // namespace
}  // namespace brevine
