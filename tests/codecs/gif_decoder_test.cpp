#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs.h"
#include "format_writers.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::Bytes;
using test::GifImageSpec;
using test::GifWriter;

const std::vector<std::uint32_t> kTable = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                           0xFFFFFF, 0x808080, 0x123456, 0xABCDEF};

GifImageSpec Pattern(int width, int height, int seed = 0, int colours = 8) {
  GifImageSpec image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.indices.push_back(static_cast<std::uint8_t>((x * 3 + y * 5 + seed) % colours));
    }
  }
  return image;
}

// The picture the indices should give through the table; indices beyond it are black.
WorkBitmap Expected(const GifImageSpec& image, const std::vector<std::uint32_t>& table) {
  WorkBitmap bitmap(image.width, image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t index = image.indices[static_cast<std::size_t>(y) * image.width + x];
      const std::uint32_t c = index < table.size() ? table[index] : 0;
      std::uint8_t* p = bitmap.Row(y) + 3 * x;
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
    }
  }
  return bitmap;
}

WorkBitmap Decode(const Bytes& file) {
  WorkBitmap bitmap;
  DecodeGif(file.data(), file.size(), bitmap);
  return bitmap;
}

TEST(GifDecoder, FirstFrameOfAnAnimationOnly) {
  GifWriter gif(kTable, 40, 30);
  gif.Extension(0xFF, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'});
  for (int frame = 0; frame < 10; ++frame) {
    gif.GraphicControl(-1, 5, frame % 4);
    gif.Image(Pattern(7, 5, frame));
  }
  EXPECT_TRUE(test::SameBitmap(Expected(Pattern(7, 5, 0), kTable), Decode(gif.Finish())));
}

TEST(GifDecoder, OffsetImageAtItsOwnSize) {
  GifImageSpec image = Pattern(100, 50);
  image.left = 20;
  image.top = 30;
  const WorkBitmap picture = Decode(GifWriter(kTable, 200, 200).Image(image).Finish());
  EXPECT_TRUE(test::SameBitmap(Expected(image, kTable), picture));
}

TEST(GifDecoder, TransparentIndexShowsItsTableColour) {
  GifImageSpec image = Pattern(4, 4);
  std::fill(image.indices.begin(), image.indices.end(), 4);  // white
  const Bytes file = GifWriter(kTable).GraphicControl(4).Image(image).Finish();
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(4, 4, 255, 255, 255), Decode(file)));
}

TEST(GifDecoder, InterlacedEqualsPlainForEveryHeight) {
  for (int height = 1; height <= 17; ++height) {
    GifImageSpec plain = Pattern(3, height, height);
    GifImageSpec interlaced = plain;
    interlaced.interlaced = true;
    const WorkBitmap a = Decode(GifWriter(kTable).Image(plain).Finish());
    const WorkBitmap b = Decode(GifWriter(kTable).Image(interlaced).Finish());
    EXPECT_TRUE(test::SameBitmap(Expected(plain, kTable), a)) << "height " << height;
    EXPECT_TRUE(test::SameBitmap(a, b)) << "height " << height;
  }
}

TEST(GifDecoder, ColourTableInForce) {
  const std::vector<std::uint32_t> local = {0x111111, 0x222222, 0x333333, 0x444444};
  GifImageSpec withLocal = Pattern(5, 3, 0, 4);
  withLocal.localTable = local;
  EXPECT_TRUE(test::SameBitmap(Expected(withLocal, local),
                               Decode(GifWriter(kTable).Image(withLocal).Finish())));
  // A GIF87a file with only a local table.
  EXPECT_TRUE(test::SameBitmap(
      Expected(withLocal, local),
      Decode(GifWriter(std::vector<std::uint32_t>{}, 5, 3, "GIF87a").Image(withLocal).Finish())));
  // No table at all: the one entry in force is black, every index beyond it too.
  const GifImageSpec bare = Pattern(5, 3);
  EXPECT_TRUE(
      test::SameBitmap(test::MakeSolid(5, 3, 0, 0, 0),
                       Decode(GifWriter(std::vector<std::uint32_t>{}).Image(bare).Finish())));
}

TEST(GifDecoder, IndicesBeyondTheTableAreBlack) {
  const std::vector<std::uint32_t> small = {0xFF0000, 0x00FF00};  // 2 entries
  GifImageSpec image = Pattern(6, 2, 0, 6);
  EXPECT_TRUE(
      test::SameBitmap(Expected(image, small), Decode(GifWriter(small).Image(image).Finish())));
}

TEST(GifDecoder, DataCutShortKeepsDecodedRowsAndFillsIndexZero) {
  const GifImageSpec image = Pattern(16, 16, 1, 7);
  const std::vector<std::uint32_t> table = {0x0000FF, 0xFF0000, 0x00FF00, 0x112233,
                                            0x445566, 0x778899, 0xAABBCC, 0xDDEEFF};
  Bytes file = GifWriter(table).Image(image).Finish();
  // Keep the header, the table, the descriptor and about half of the pixel data.
  const std::size_t dataStart = 13 + 3 * 8 + 10 + 1;
  file.resize(dataStart + 60);
  const WorkBitmap picture = Decode(file);
  ASSERT_EQ(picture.Width(), 16);
  ASSERT_EQ(picture.Height(), 16);
  const WorkBitmap full = Expected(image, table);
  EXPECT_EQ(0, std::memcmp(full.Row(0), picture.Row(0), full.Stride()));
  for (int y = 12; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t* p = picture.Row(y) + 3 * x;
      ASSERT_EQ(p[0], 0xFF);
      ASSERT_EQ(p[1], 0x00);
      ASSERT_EQ(p[2], 0x00);
    }
  }
  // Cut right after the descriptor (no code size): all entry 0, still a picture.
  file.resize(13 + 3 * 8 + 10);
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(16, 16, 0xFF, 0, 0), Decode(file)));
}

TEST(GifDecoder, SizeLimits) {
  GifImageSpec widest = Pattern(16384, 1);
  EXPECT_EQ(Decode(GifWriter(kTable).Image(widest).Finish()).Width(), 16384);
  GifImageSpec tooWide = Pattern(16385, 1);
  const Bytes tooWideFile = GifWriter(kTable).Image(tooWide).Finish();
  WorkBitmap bitmap;
  EXPECT_THROW(DecodeGif(tooWideFile.data(), tooWideFile.size(), bitmap), DecodeError);
  // A later image that is too large ends the walk; the first stays.
  const Bytes later =
      GifWriter(kTable).Image(Pattern(3, 2)).Raw({',', 0, 0, 0, 0, 1, 0, 0x20, 0x4E, 0}).Finish();
  EXPECT_TRUE(test::SameBitmap(Expected(Pattern(3, 2), kTable), Decode(later)));
}

// Above 2^24 pixels a file must hold at least one byte per 4,096 pixels of its first image
// (more than LZW can ever pack) or it is refused before the picture is allocated; only the
// file's length counts, not where its data ends.
TEST(GifDecoder, HugePictureNeedsAByteOfFilePer4096Pixels) {
  auto gif = [](int width, int height, std::size_t pixelsGiven) {
    GifImageSpec image = Pattern(width, 1);
    image.height = height;
    image.indices.resize(pixelsGiven);
    return GifWriter(kTable).Image(image).Finish();
  };
  auto paddedTo = [](Bytes file, std::size_t size) {
    EXPECT_LE(file.size(), size);
    file.resize(size, 0);
    return file;
  };
  WorkBitmap bitmap;
  Bytes truncated = gif(16384, 16384, 16384);
  ASSERT_GT(truncated.size(), 3282u);
  truncated.resize(3282);  // 65,536 bytes would be needed
  EXPECT_THROW(DecodeGif(truncated.data(), truncated.size(), bitmap), DecodeError);
  EXPECT_TRUE(bitmap.Empty());

  // 16384 x 1025 = 4,100 x 4,096 pixels.
  const Bytes shortByOne = paddedTo(gif(16384, 1025, 100), 4099);
  EXPECT_THROW(DecodeGif(shortByOne.data(), shortByOne.size(), bitmap), DecodeError);
  const Bytes enough = paddedTo(gif(16384, 1025, 100), 4100);
  DecodeGif(enough.data(), enough.size(), bitmap);
  EXPECT_EQ(bitmap.Width(), 16384);
  EXPECT_EQ(bitmap.Height(), 1025);

  // 2^24 pixels exactly is not above the bound: a short file still loads.
  const Bytes atTheBound = gif(4096, 4096, 100);
  ASSERT_LT(atTheBound.size() * 4096, std::size_t{4096} * 4096);
  DecodeGif(atTheBound.data(), atTheBound.size(), bitmap);
  EXPECT_EQ(bitmap.Height(), 4096);
}

TEST(GifDecoder, ZeroSizedImageAmongThoseReadFailsTheFile) {
  GifImageSpec empty;
  empty.width = 4;
  empty.height = 0;
  const Bytes file =
      GifWriter(kTable).Image(Pattern(3, 2)).Image(Pattern(3, 2, 1)).Image(empty).Finish();
  WorkBitmap bitmap;
  EXPECT_THROW(DecodeGif(file.data(), file.size(), bitmap), DecodeError);
}

TEST(GifDecoder, SignatureAndStructure) {
  WorkBitmap bitmap;
  auto fails = [&](const Bytes& file) {
    try {
      DecodeGif(file.data(), file.size(), bitmap);
    } catch (const DecodeError&) {
      return true;
    }
    return false;
  };
  const Bytes good = GifWriter(kTable).Image(Pattern(2, 2)).Finish();
  Bytes lower = good;
  lower[0] = 'g', lower[1] = 'i', lower[2] = 'f';
  EXPECT_TRUE(fails(lower));
  Bytes oddVersion = good;
  oddVersion[3] = 'x', oddVersion[4] = '?', oddVersion[5] = '!';
  EXPECT_FALSE(fails(oddVersion));
  EXPECT_TRUE(fails({}));
  EXPECT_TRUE(fails(GifWriter(kTable).Finish()));                   // header and trailer, no image
  EXPECT_TRUE(fails(Bytes(good.begin(), good.begin() + 13 + 20)));  // global table cut off
  EXPECT_TRUE(fails(Bytes(good.begin(), good.begin() + 13 + 24 + 6)));  // descriptor cut off
  // A stray byte or a cut descriptor after the first image ends the walk, nothing more.
  const WorkBitmap first = Expected(Pattern(2, 2), kTable);
  for (const Bytes& tail : {Bytes{'x', ',', 0, 0}, Bytes{',', 0, 0, 0}, Bytes{'!', 0xFE, 5}}) {
    Bytes file = GifWriter(kTable).Image(Pattern(2, 2)).Finish(false);
    test::Append(file, tail);
    ASSERT_FALSE(fails(file));
    EXPECT_TRUE(test::SameBitmap(first, bitmap));
  }
}

TEST(GifDecoder, LaterImagesBeyondTheLimitAreNotRead) {
  // 256 images are read; a zero-sized 257th is never looked at.
  GifWriter gif(kTable);
  for (int i = 0; i < 256; ++i) gif.Image(Pattern(2, 1, i));
  gif.Raw({',', 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(test::SameBitmap(Expected(Pattern(2, 1, 0), kTable), Decode(gif.Finish())));
}

}  // namespace
}  // namespace brevine
