#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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
      const Bytes j =
          Jpeg({kJfif, ExifSegment(Tiff({{0x010F, 2, 4, 0}, {0x0112, 3, 1, o}}, little))});
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
  for (const std::uint32_t offset :
       {0u, 7u, 0xFFFFFFF0u, 0xFFFFFFFFu, static_cast<std::uint32_t>(good.size())}) {
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

// Random damage to a valid header (byte changes, cuts, repeated segments): the answer
// is always an orientation, and under the sanitizer build no read leaves the buffer.
TEST(ReadExifOrientationTest, SurvivesRandomDamage) {
  // The Exif segment ends the buffer, so a read beyond the segment is a read beyond the
  // buffer.
  Bytes valid = {0xFF, 0xD8};
  valid.insert(valid.end(), kJfif.begin(), kJfif.end());
  const Bytes exif = ExifSegment(Tiff({{0x010F, 2, 4, 0}, {0x0112, 3, 1, 5}}, false));
  valid.insert(valid.end(), exif.begin(), exif.end());
  ASSERT_EQ(Read(valid), 5);
  std::uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  auto readExact = [](const Bytes& b) {
    // An exact-size heap copy, so that a read one past the end is caught.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[b.size()]);
    std::memcpy(exact.get(), b.data(), b.size());
    return ReadExifOrientation(exact.get(), b.size());
  };
  // Every IFD offset up to and past the end of the block, with small and large counts.
  const std::size_t tiffAt = valid.size() - (exif.size() - 10);
  for (std::uint32_t offset = 0; offset < exif.size(); ++offset) {
    for (const std::uint16_t count : {0, 1, 2, 5, 0xFFFF}) {
      Bytes b = valid;
      for (int i = 0; i < 4; ++i) {
        b[tiffAt + 4 + i] = static_cast<std::uint8_t>(offset >> (24 - 8 * i));  // MM order
      }
      if (offset + 2 <= exif.size() - 10) {
        b[tiffAt + offset] = static_cast<std::uint8_t>(count >> 8);
        b[tiffAt + offset + 1] = static_cast<std::uint8_t>(count);
      }
      const int o = readExact(b);
      ASSERT_TRUE(o >= 1 && o <= 8) << offset;
    }
  }
  for (int round = 0; round < 20000; ++round) {
    Bytes b = valid;
    const int changes = 1 + static_cast<int>(next() % 4);
    for (int c = 0; c < changes; ++c) {
      const std::size_t at = next() % b.size();
      switch (next() % 3) {
        case 0:
          b[at] = static_cast<std::uint8_t>(next());
          break;
        case 1:
          b.resize(at + 1);
          break;
        default:
          b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), 0xFF);
          break;
      }
    }
    const int o = readExact(b);
    ASSERT_GE(o, 1);
    ASSERT_LE(o, 8);
  }
}

}  // namespace
}  // namespace brevine
