#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "codecs.h"
#include "test_images.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// The fields of a BMP file, written byte by byte in the published layout.
struct BmpFile {
  unsigned infoSize = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  unsigned planes = 1;
  unsigned bitsPerPixel = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> masks;  // after a 40-byte header, or inside a larger one
  Bytes table;
  Bytes pixels;
  char signature[2] = {'B', 'M'};
  std::int64_t offset = -1;  // pixel-data offset field; -1 writes the true one

  Bytes Build() const {
    Bytes b;
    b.push_back(signature[0]);
    b.push_back(signature[1]);
    const std::size_t masksAfter = infoSize == 40 ? masks.size() * 4 : 0;
    const std::size_t start = 14 + infoSize + masksAfter + table.size();
    Put32(b, static_cast<std::uint32_t>(start + pixels.size()));
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(offset >= 0 ? offset : start));
    Put32(b, infoSize);
    if (infoSize == 12) {
      Put16(b, width);
      Put16(b, height);
      Put16(b, planes);
      Put16(b, bitsPerPixel);
    } else {
      Bytes info;
      Put32(info, width);
      Put32(info, height);
      Put16(info, planes);
      Put16(info, bitsPerPixel);
      Put32(info, compression);
      Put32(info, imageSize);
      Put32(info, 2835);
      Put32(info, 2835);
      Put32(info, colorsUsed);
      Put32(info, 0);
      if (infoSize > 40) {
        for (std::uint32_t m : masks) Put32(info, m);
      }
      info.resize(infoSize - 4, 0);
      b.insert(b.end(), info.begin(), info.end());
      if (infoSize == 40) {
        for (std::uint32_t m : masks) Put32(b, m);
      }
    }
    b.insert(b.end(), table.begin(), table.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
  }
};

// Packs rows of samples (top row first, `bits` each) into bottom-up rows padded to 4 bytes.
Bytes PackRows(const std::vector<std::vector<unsigned>>& rows, unsigned bits,
               bool topDown = false) {
  Bytes out;
  const std::size_t n = rows.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto& row = rows[topDown ? i : n - 1 - i];
    Bytes packed((row.size() * bits + 31) / 32 * 4, 0);
    for (std::size_t x = 0; x < row.size(); ++x) {
      if (bits >= 8) {
        for (unsigned k = 0; k < bits / 8; ++k)
          packed[x * bits / 8 + k] = (row[x] >> (8 * k)) & 0xFF;
      } else {
        const std::size_t bit = x * bits;
        packed[bit / 8] |= row[x] << (8 - bits - bit % 8);
      }
    }
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

// A table entry per index: blue = 3i, green = 255 - i, red = 7i (mod 256).
Bytes Table(unsigned entries, unsigned entrySize = 4) {
  Bytes t;
  for (unsigned i = 0; i < entries; ++i) {
    t.push_back((3 * i) & 0xFF);
    t.push_back((255 - i) & 0xFF);
    t.push_back((7 * i) & 0xFF);
    if (entrySize == 4) t.push_back(0);
  }
  return t;
}

WorkBitmap FromTable(const std::vector<std::vector<unsigned>>& rows, unsigned tableEntries) {
  WorkBitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const unsigned i = rows[y][x];
      std::uint8_t* p = b.Row(y) + 3 * x;
      const bool in = i < tableEntries;
      p[0] = in ? (3 * i) & 0xFF : 0;
      p[1] = in ? (255 - i) & 0xFF : 0;
      p[2] = in ? (7 * i) & 0xFF : 0;
    }
  }
  return b;
}

std::vector<std::vector<unsigned>> IndexRows(int width, int height, unsigned levels) {
  std::vector<std::vector<unsigned>> rows(height, std::vector<unsigned>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) rows[y][x] = (x * 5 + y * 3 + x * y) % levels;
  }
  return rows;
}

WorkBitmap Decode(const Bytes& file) {
  WorkBitmap b;
  DecodeBmp(file.data(), file.size(), b);
  return b;
}

TEST(BmpDecoder, PaletteDepthsGiveTheirTableColours) {
  for (unsigned bits : {1u, 4u, 8u}) {
    SCOPED_TRACE(bits);
    const auto rows = IndexRows(13, 5, 1u << bits);  // odd width: rows need padding
    BmpFile f;
    f.width = 13;
    f.height = 5;
    f.bitsPerPixel = bits;
    f.table = Table(1u << bits);
    f.pixels = PackRows(rows, bits);
    EXPECT_TRUE(test::SameBitmap(FromTable(rows, 1u << bits), Decode(f.Build())));
  }
}

TEST(BmpDecoder, OneBitBlackAndWhite) {
  BmpFile f;
  f.width = 3;
  f.height = 1;
  f.bitsPerPixel = 1;
  f.table = {0, 0, 0, 0, 255, 255, 255, 0};
  f.pixels = PackRows({{1, 0, 1}}, 1);
  WorkBitmap expected = test::MakeSolid(3, 1, 255, 255, 255);
  std::fill_n(expected.Row(0) + 3, 3, 0);
  EXPECT_TRUE(test::SameBitmap(expected, Decode(f.Build())));
}

TEST(BmpDecoder, DeepPixelsAndChannelWidening) {
  const WorkBitmap photo = test::MakeNoise(7, 4, 3);
  // 24 bits: the support library's own writer.
  EXPECT_TRUE(test::SameBitmap(photo, Decode(test::EncodeBmp24(photo))));

  // 32 bits, fourth byte zero: colours intact.
  std::vector<std::vector<unsigned>> rows(4, std::vector<unsigned>(7));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      const std::uint8_t* p = photo.Row(y) + 3 * x;
      rows[y][x] = p[0] | p[1] << 8 | p[2] << 16;
    }
  BmpFile f32;
  f32.width = 7;
  f32.height = 4;
  f32.bitsPerPixel = 32;
  f32.pixels = PackRows(rows, 32);
  EXPECT_TRUE(test::SameBitmap(photo, Decode(f32.Build())));

  // 16 bits 5-5-5, bit 15 ignored: 31 -> 255, 16 -> 132, 1 -> 8, 0 -> 0.
  BmpFile f16;
  f16.width = 4;
  f16.height = 1;
  f16.bitsPerPixel = 16;
  f16.pixels = PackRows({{0x8000 | 31 << 10 | 16 << 5 | 1, 0x7FFF, 0, 16}}, 16);
  const WorkBitmap b = Decode(f16.Build());
  const std::uint8_t* p = b.Row(0);
  EXPECT_EQ((Bytes{8, 132, 255, 255, 255, 255, 0, 0, 0, 132, 0, 0}), Bytes(p, p + 12));
}

TEST(BmpDecoder, BitFieldsInEveryHeaderForm) {
  // 5-6-5 at 16 bits: 63 in six bits widens to 255, 32 to 130.
  for (unsigned infoSize : {40u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(infoSize);
    BmpFile f;
    f.infoSize = infoSize;
    f.width = 2;
    f.height = 1;
    f.bitsPerPixel = 16;
    f.compression = 3;
    f.masks = {0xF800, 0x07E0, 0x001F};
    f.pixels = PackRows({{31u << 11 | 32u << 5 | 2, 63u << 5}}, 16);
    const WorkBitmap b = Decode(f.Build());
    const std::uint8_t* p = b.Row(0);
    EXPECT_EQ((Bytes{16, 130, 255, 0, 255, 0}), Bytes(p, p + 6));
  }
  // 32 bits with the channels in unusual places and a 10-bit red.
  BmpFile f;
  f.width = 1;
  f.height = 1;
  f.bitsPerPixel = 32;
  f.compression = 3;
  f.masks = {0x3FF00000, 0x000000FF, 0x0000FF00};
  f.pixels = PackRows({{0x2AB00000u | 0x12 | 0x3400}}, 32);
  const WorkBitmap b = Decode(f.Build());
  const std::uint8_t* p = b.Row(0);
  EXPECT_EQ((Bytes{0x34, 0x12, 0x2AB >> 2}), Bytes(p, p + 3));
}

TEST(BmpDecoder, TopDownEqualsBottomUp) {
  const auto rows = IndexRows(6, 4, 256);
  BmpFile up;
  up.width = 6;
  up.height = 4;
  up.bitsPerPixel = 8;
  up.table = Table(256);
  up.pixels = PackRows(rows, 8);
  BmpFile down = up;
  down.height = -4;
  down.pixels = PackRows(rows, 8, true);
  EXPECT_TRUE(test::SameBitmap(Decode(up.Build()), Decode(down.Build())));
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 256), Decode(down.Build())));
}

TEST(BmpDecoder, Rle8EqualsUncompressed) {
  // 5 x 3, bottom row first: a run, an absolute run of odd length (padded), line ends,
  // a delta over a pixel, and the end of the bitmap before the last pixels.
  const std::vector<std::vector<unsigned>> rows = {
      {9, 9, 0, 0, 0},   // top: two by a run, then the end of the bitmap
      {7, 0, 8, 8, 8},   // delta skips x = 1
      {1, 2, 3, 4, 4}};  // bottom: absolute 1 2 3, then a run of two 4s
  BmpFile f;
  f.width = 5;
  f.height = 3;
  f.bitsPerPixel = 8;
  f.compression = 1;
  f.table = Table(256);
  f.pixels = {0, 3, 1, 2, 3, 0,  // absolute run of 3, padded
              2, 4, 0, 0,        // run, end of line
              1, 7, 0, 2, 1, 0, 3, 8, 0, 0, 2, 9, 0, 1};
  f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 256), Decode(f.Build())));
}

TEST(BmpDecoder, Rle4EqualsUncompressed) {
  const std::vector<std::vector<unsigned>> rows = {
      {5, 6, 5, 6, 5, 0, 0},   // top: a run alternating two nibbles
      {1, 2, 3, 4, 5, 0, 0}};  // bottom: absolute run of 5 (3 bytes, padded to 4)
  BmpFile f;
  f.width = 7;
  f.height = 2;
  f.bitsPerPixel = 4;
  f.compression = 2;
  f.table = Table(16);
  f.pixels = {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 5, 0x56, 0, 1};
  f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 16), Decode(f.Build())));
}

TEST(BmpDecoder, RleRunsPastTheEdgeAreClipped) {
  BmpFile f;
  f.width = 3;
  f.height = 2;
  f.bitsPerPixel = 8;
  f.compression = 1;
  f.table = Table(256);
  // A 255-pixel run, an absolute run longer than the row and a delta far outside must
  // not write outside the bitmap.
  f.pixels = {255, 4, 0, 0, 0, 5, 5, 5, 5, 1, 2, 0, 0, 2, 200, 200, 3, 7};
  f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
  const std::vector<std::vector<unsigned>> rows = {{5, 5, 5}, {4, 4, 4}};
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 256), Decode(f.Build())));
}

TEST(BmpDecoder, ShortDataAndWrongOffsetStillLoad) {
  const auto rows = IndexRows(4, 3, 256);
  BmpFile f;
  f.width = 4;
  f.height = 3;
  f.bitsPerPixel = 8;
  f.table = Table(256);
  f.pixels = PackRows(rows, 8);
  f.offset = 9999;  // the offset field is not used: the pixels follow the table
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 256), Decode(f.Build())));

  // Bottom-up, so the cut removes the top row and half of the middle one.
  f.pixels.resize(6);
  auto expectedRows = rows;
  expectedRows[0] = {0, 0, 0, 0};
  expectedRows[1][2] = expectedRows[1][3] = 0;
  EXPECT_TRUE(test::SameBitmap(FromTable(expectedRows, 256), Decode(f.Build())));
}

TEST(BmpDecoder, ColourTableLimits) {
  // Two entries declared for 8 bits: index 5 is beyond the table and gives black.
  BmpFile small;
  small.width = 2;
  small.height = 1;
  small.bitsPerPixel = 8;
  small.colorsUsed = 2;
  small.table = Table(2);
  small.pixels = PackRows({{1, 5}}, 8);
  EXPECT_TRUE(test::SameBitmap(FromTable({{1, 5}}, 2), Decode(small.Build())));

  // 300 entries declared: all are stored and skipped, the first 256 are used.
  BmpFile large = small;
  large.colorsUsed = 300;
  large.table = Table(300);
  large.pixels = PackRows({{255, 5}}, 8);
  EXPECT_TRUE(test::SameBitmap(FromTable({{255, 5}}, 256), Decode(large.Build())));

  // A deep image with a declared table reads past it.
  const WorkBitmap one = test::MakeSolid(1, 1, 10, 20, 30);
  BmpFile deep;
  deep.width = 1;
  deep.height = 1;
  deep.colorsUsed = 3;
  deep.table = Table(3);
  deep.pixels = {10, 20, 30, 0};
  EXPECT_TRUE(test::SameBitmap(one, Decode(deep.Build())));
}

TEST(BmpDecoder, CoreAndOs2Headers) {
  const auto rows = IndexRows(5, 2, 16);
  BmpFile core;
  core.infoSize = 12;
  core.width = 5;
  core.height = 2;
  core.bitsPerPixel = 4;
  core.table = Table(16, 3);
  core.pixels = PackRows(rows, 4);
  EXPECT_TRUE(test::SameBitmap(FromTable(rows, 16), Decode(core.Build())));

  for (unsigned infoSize : {16u, 64u}) {
    BmpFile os2 = core;
    os2.infoSize = infoSize;
    os2.table = Table(16);
    EXPECT_TRUE(test::SameBitmap(FromTable(rows, 16), Decode(os2.Build()))) << infoSize;
  }
}

TEST(BmpDecoder, RejectsWhatItCannotRead) {
  BmpFile good;
  good.width = 1;
  good.height = 1;
  good.pixels = {1, 2, 3, 0};
  ASSERT_NO_THROW(Decode(good.Build()));

  auto rejects = [](const BmpFile& f) { EXPECT_THROW(Decode(f.Build()), DecodeError); };
  BmpFile f = good;
  f.signature[1] = 'A';
  rejects(f);
  f = good;
  f.planes = 2;
  rejects(f);
  f = good;
  f.bitsPerPixel = 2;
  rejects(f);
  f = good;
  f.compression = 4;  // JPEG inside a BMP
  rejects(f);
  f = good;
  f.compression = 1;  // RLE8 needs 8 bits
  rejects(f);
  f = good;
  f.compression = 3;  // bit fields at 24 bits
  rejects(f);
  f = good;
  f.infoSize = 80;
  rejects(f);
  f = good;
  f.width = 0;
  rejects(f);
  f = good;
  f.width = -1;
  rejects(f);

  EXPECT_THROW(Decode(Bytes{}), DecodeError);
  Bytes truncated = good.Build();
  truncated.resize(30);  // inside the info header
  EXPECT_THROW(Decode(truncated), DecodeError);
}

TEST(BmpDecoder, HugeAnnouncedPictureWithoutDataFailsBeforeAllocating) {
  BmpFile f;
  f.width = 20000;
  f.height = 20000;  // 1.2 GB of bitmap from a 60-byte file
  f.pixels = {0, 0, 0, 0};
  EXPECT_THROW(Decode(f.Build()), DecodeError);
  f.bitsPerPixel = 8;
  f.compression = 1;
  f.table = Table(256);
  f.pixels = {0, 1};
  EXPECT_THROW(Decode(f.Build()), DecodeError);
  f.width = 65536;
  f.height = 65536;  // beyond what a bitmap may hold at all
  EXPECT_ANY_THROW(Decode(f.Build()));
}

// A file on disk is streamed in blocks of rows; it must give what the same bytes give in
// memory, across block boundaries, for both row orders and for data cut short.
TEST(BmpDecoder, StreamedFileEqualsBytesInMemory) {
  test::TempFolder dir;
  const WorkBitmap picture = test::MakeNoise(701, 900, 5);  // rows of 2104 bytes, 1.9 MB
  Bytes full = test::EncodeBmp24(picture);
  Bytes topDown = full;
  // Turn the bottom-up file into a top-down one: negative height, rows reversed.
  const std::size_t rowBytes = 2104;
  const std::int32_t negative = -900;
  for (int i = 0; i < 4; ++i)
    topDown[22 + i] = (static_cast<std::uint32_t>(negative) >> (8 * i)) & 0xFF;
  for (int y = 0; y < 900; ++y) {
    std::copy_n(full.begin() + 54 + rowBytes * (899 - y), rowBytes,
                topDown.begin() + 54 + rowBytes * y);
  }
  Bytes cut(full.begin(), full.begin() + 54 + rowBytes * 500 + 77);
  for (const Bytes* bytes : std::vector<const Bytes*>{&full, &topDown, &cut}) {
    const std::string path = dir / "p.bmp";
    test::WriteFile(path, *bytes);
    WorkBitmap fromFile, fromMemory;
    LoadBmpImage(path, fromFile);
    DecodeBmp(bytes->data(), bytes->size(), fromMemory);
    EXPECT_TRUE(test::SameBitmap(fromMemory, fromFile));
  }
  WorkBitmap whole;
  DecodeBmp(topDown.data(), topDown.size(), whole);
  EXPECT_TRUE(test::SameBitmap(picture, whole));
}

}  // namespace
}  // namespace brevine
