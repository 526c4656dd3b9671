#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "codecs.h"
#include "format_writers.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::Bytes;
using test::PngChunk;
using test::PngSpec;

std::uint8_t Byte(std::uint32_t v) { return static_cast<std::uint8_t>(v); }

const std::vector<std::uint32_t> kPalette = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF,
                                             0xFFFFFF, 0x445566, 0x778899, 0xABCDEF};

PngSpec Random(std::uint32_t width, std::uint32_t height, int depth, int colourType,
               std::uint32_t seed, int maxPaletteIndex = 7) {
  PngSpec layout;
  layout.width = width;
  layout.height = height;
  layout.depth = depth;
  layout.colourType = colourType;
  std::mt19937 random(seed);
  const int limit =
      colourType == 3 ? std::min((1 << depth) - 1, maxPaletteIndex) : (1 << depth) - 1;
  layout.samples.resize(static_cast<std::size_t>(width) * height * test::PngChannels(colourType));
  for (auto& s : layout.samples) s = static_cast<std::uint16_t>(random() % (limit + 1));
  return layout;
}

// The picture by the conversion table of the format: high byte of 16-bit samples, low
// depths of grey widened by 255, 85 or 17, alpha dropped, palette looked up.
WorkBitmap Expected(const PngSpec& layout, const std::vector<std::uint32_t>& palette = kPalette) {
  const int channels = test::PngChannels(layout.colourType);
  WorkBitmap bitmap(static_cast<int>(layout.width), static_cast<int>(layout.height));
  auto eight = [&](std::uint16_t s) -> std::uint8_t {
    switch (layout.depth) {
      case 16:
        return static_cast<std::uint8_t>(s >> 8);
      case 1:
        return static_cast<std::uint8_t>(s * 255);
      case 2:
        return static_cast<std::uint8_t>(s * 85);
      case 4:
        return static_cast<std::uint8_t>(s * 17);
      default:
        return static_cast<std::uint8_t>(s);
    }
  };
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    for (std::uint32_t x = 0; x < layout.width; ++x) {
      const std::uint16_t* s =
          &layout.samples[(static_cast<std::size_t>(y) * layout.width + x) * channels];
      std::uint8_t* p = bitmap.Row(static_cast<int>(y)) + 3 * x;
      if (layout.colourType == 3) {
        const std::uint32_t c = s[0] < palette.size() ? palette[s[0]] : 0;
        p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = c >> 16;
      } else if (layout.colourType == 0 || layout.colourType == 4) {
        p[0] = p[1] = p[2] = eight(s[0]);
      } else {
        p[0] = eight(s[2]), p[1] = eight(s[1]), p[2] = eight(s[0]);
      }
    }
  }
  return bitmap;
}

WorkBitmap Decode(const Bytes& file) {
  WorkBitmap bitmap;
  DecodePng(file.data(), file.size(), bitmap);
  return bitmap;
}

bool Fails(const Bytes& file) {
  WorkBitmap bitmap;
  try {
    DecodePng(file.data(), file.size(), bitmap);
  } catch (const DecodeError&) {
    return true;
  }
  return false;
}

// A file put together chunk by chunk: signature, IHDR, then `middle`, IDAT, IEND.
Bytes Assemble(const PngSpec& layout, const Bytes& beforeData, bool goodCrc = true,
               bool withEnd = true) {
  Bytes out = test::PngSignature();
  test::Append(out, PngChunk("IHDR",
                             test::PngHeaderData(layout.width, layout.height, layout.depth,
                                                 layout.colourType, 0, 0, layout.interlaced),
                             goodCrc));
  test::Append(out, beforeData);
  test::Append(out, PngChunk("IDAT", test::PngImageData(layout), goodCrc));
  if (withEnd) test::Append(out, PngChunk("IEND", {}, goodCrc));
  return out;
}

struct TypeDepth {
  int colourType;
  int depth;
};
constexpr TypeDepth kAccepted[] = {{0, 1},  {0, 2},  {0, 4}, {0, 8},  {0, 16},
                                   {4, 8},  {4, 16}, {2, 8}, {2, 16}, {6, 8},
                                   {6, 16}, {3, 1},  {3, 2}, {3, 4},  {3, 8}};

TEST(PngDecoder, EveryColourTypeAndDepthBothLayouts) {
  for (const auto [colourType, depth] : kAccepted) {
    for (bool interlaced : {false, true}) {
      PngSpec layout = Random(13, 11, depth, colourType, colourType * 100 + depth);
      layout.interlaced = interlaced;
      const Bytes file =
          test::MakePng(layout, colourType == 3 ? kPalette : std::vector<std::uint32_t>{});
      EXPECT_TRUE(test::SameBitmap(Expected(layout), Decode(file)))
          << "type " << colourType << " depth " << depth << " interlaced " << interlaced;
    }
  }
}

TEST(PngDecoder, InterlacedEqualsPlainDownToOnePixel) {
  for (std::uint32_t w = 1; w <= 9; ++w) {
    for (std::uint32_t h = 1; h <= 9; ++h) {
      for (const auto [colourType, depth] : {TypeDepth{2, 8}, TypeDepth{0, 1}}) {
        PngSpec plain = Random(w, h, depth, colourType, w * 16 + h);
        PngSpec interlaced = plain;
        interlaced.interlaced = true;
        const WorkBitmap a = Decode(test::MakePng(plain));
        EXPECT_TRUE(test::SameBitmap(a, Decode(test::MakePng(interlaced))))
            << w << " x " << h << " type " << colourType;
        EXPECT_TRUE(test::SameBitmap(Expected(plain), a));
      }
    }
  }
}

TEST(PngDecoder, SixteenBitSamplesKeepTheirHighByte) {
  PngSpec layout = Random(3, 2, 16, 2, 1);
  std::fill(layout.samples.begin(), layout.samples.end(), 0x80FF);
  EXPECT_TRUE(
      test::SameBitmap(test::MakeSolid(3, 2, 0x80, 0x80, 0x80), Decode(test::MakePng(layout))));
}

TEST(PngDecoder, AlphaTransparencyGammaAndBackgroundChangeNothing) {
  // Fully transparent pure red stays pure red.
  PngSpec rgba = Random(4, 4, 8, 6, 1);
  for (std::size_t i = 0; i < rgba.samples.size(); i += 4) {
    rgba.samples[i] = 255, rgba.samples[i + 1] = 0, rgba.samples[i + 2] = 0,
    rgba.samples[i + 3] = 0;
  }
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(4, 4, 0, 0, 255), Decode(test::MakePng(rgba))));

  const PngSpec rgb = Random(6, 5, 8, 2, 2);
  Bytes ancillary = PngChunk("gAMA", {0, 0, 0xB1, 0x8F});
  test::Append(ancillary, PngChunk("bKGD", {0, 10, 0, 20, 0, 30}));
  test::Append(ancillary, PngChunk("tRNS", {0, Byte(rgb.samples[0]), 0, Byte(rgb.samples[1]), 0,
                                            Byte(rgb.samples[2])}));
  test::Append(ancillary, PngChunk("sBIT", {4, 4, 4}));
  EXPECT_TRUE(test::SameBitmap(Expected(rgb), Decode(Assemble(rgb, ancillary))));

  const PngSpec indexed = Random(6, 5, 4, 3, 3);
  Bytes plte;
  for (std::uint32_t c : kPalette) plte.insert(plte.end(), {Byte(c >> 16), Byte(c >> 8), Byte(c)});
  Bytes withTrns = PngChunk("PLTE", plte);
  test::Append(withTrns, PngChunk("tRNS", {0, 0, 0}));
  EXPECT_TRUE(test::SameBitmap(Expected(indexed), Decode(Assemble(indexed, withTrns))));
}

TEST(PngDecoder, LenientReading) {
  const PngSpec layout = Random(9, 7, 8, 2, 4);
  const WorkBitmap expected = Expected(layout);
  // Every CRC wrong.
  EXPECT_TRUE(test::SameBitmap(expected, Decode(Assemble(layout, {}, false))));
  // Unknown chunks, a critical one among them, skipped.
  Bytes unknown = PngChunk("ABCD", {1, 2, 3});
  test::Append(unknown, PngChunk("zzZz", Bytes(100, 7)));
  EXPECT_TRUE(test::SameBitmap(expected, Decode(Assemble(layout, unknown))));
  // No IEND, and nothing at all after the image data.
  EXPECT_TRUE(test::SameBitmap(expected, Decode(Assemble(layout, {}, true, false))));
  // Image data cut right after the last row: without the zlib checksum and chunk CRC.
  Bytes cut = Assemble(layout, {}, true, false);
  cut.resize(cut.size() - 4 - 4);
  EXPECT_TRUE(test::SameBitmap(expected, Decode(cut)));
  // A wrong zlib checksum.
  Bytes badAdler = Assemble(layout, {}, true, false);
  badAdler[badAdler.size() - 5] ^= 0x55;
  EXPECT_TRUE(test::SameBitmap(expected, Decode(badAdler)));
  // Image data split over several IDAT chunks, and later IDATs passed over.
  const Bytes data = test::PngImageData(layout);
  Bytes split = test::PngSignature();
  test::Append(split, PngChunk("IHDR", test::PngHeaderData(9, 7, 8, 2)));
  for (std::size_t at = 0; at < data.size(); at += 10) {
    test::Append(split, PngChunk("IDAT", Bytes(data.begin() + at,
                                               data.begin() + std::min(at + 10, data.size()))));
  }
  test::Append(split, PngChunk("tEXt", {'a', 0, 'b'}));
  test::Append(split, PngChunk("IDAT", {1, 2, 3}));
  EXPECT_TRUE(test::SameBitmap(expected, Decode(split)));
}

TEST(PngDecoder, MacBinaryPrefix) {
  const PngSpec layout = Random(5, 4, 8, 0, 5);
  Bytes file(128, 0x41);
  file[0] = 0;
  file[74] = 0;
  test::Append(file, test::MakePng(layout));
  EXPECT_TRUE(test::SameBitmap(Expected(layout), Decode(file)));
  file[74] = 1;
  EXPECT_TRUE(Fails(file));
}

TEST(PngDecoder, RejectedFiles) {
  auto header = [](int depth, int colourType, int compression = 0, int filter = 0,
                   int interlace = 0) {
    PngSpec layout = Random(4, 4, std::min(depth, 16), colourType == 3 ? 3 : 0, 1);
    Bytes file = test::PngSignature();
    test::Append(file, PngChunk("IHDR", test::PngHeaderData(4, 4, depth, colourType, compression,
                                                            filter, interlace)));
    test::Append(file, PngChunk("IDAT", test::PngImageData(layout)));
    return file;
  };
  EXPECT_TRUE(Fails(header(4, 4)));   // grey with alpha, 4 bits
  EXPECT_TRUE(Fails(header(4, 2)));   // RGB, 4 bits
  EXPECT_TRUE(Fails(header(16, 3)));  // palette, 16 bits
  EXPECT_TRUE(Fails(header(3, 0)));
  for (int colourType : {1, 5, 7, 8, 11}) EXPECT_TRUE(Fails(header(8, colourType)));
  EXPECT_TRUE(Fails(header(8, 0, 1)));
  EXPECT_TRUE(Fails(header(8, 0, 0, 1)));
  EXPECT_TRUE(Fails(header(8, 0, 0, 0, 2)));
  EXPECT_FALSE(Fails(header(8, 0)));

  const PngSpec layout = Random(6, 6, 8, 2, 6);
  EXPECT_TRUE(Fails(Assemble(layout, PngChunk("IHDR", test::PngHeaderData(6, 6, 8, 2)))));
  Bytes noData = test::PngSignature();
  test::Append(noData, PngChunk("IHDR", test::PngHeaderData(6, 6, 8, 2)));
  test::Append(noData, PngChunk("IEND", {}));
  EXPECT_TRUE(Fails(noData));
  Bytes dataFirst = test::PngSignature();
  test::Append(dataFirst, PngChunk("IDAT", test::PngImageData(layout)));
  test::Append(dataFirst, PngChunk("IHDR", test::PngHeaderData(6, 6, 8, 2)));
  EXPECT_TRUE(Fails(dataFirst));
  EXPECT_TRUE(Fails(Bytes{137, 80, 78, 71}));
  EXPECT_TRUE(Fails({}));

  // Cut inside the image data, and a foreign chunk inside the IDAT run.
  Bytes cut = Assemble(layout, {}, true, false);
  cut.resize(cut.size() - 30);
  EXPECT_TRUE(Fails(cut));
  const Bytes data = test::PngImageData(layout);
  Bytes broken = test::PngSignature();
  test::Append(broken, PngChunk("IHDR", test::PngHeaderData(6, 6, 8, 2)));
  test::Append(broken, PngChunk("IDAT", Bytes(data.begin(), data.begin() + 20)));
  test::Append(broken, PngChunk("tEXt", {'a', 0, 'b'}));
  test::Append(broken, PngChunk("IDAT", Bytes(data.begin() + 20, data.end())));
  EXPECT_TRUE(Fails(broken));
  // A row filter type above 4.
  Bytes rows;
  for (int y = 0; y < 6; ++y) {
    rows.push_back(y == 3 ? 5 : 0);
    rows.insert(rows.end(), 18, static_cast<std::uint8_t>(y));
  }
  uLongf packedSize = compressBound(rows.size());
  Bytes packed(packedSize);
  ASSERT_EQ(compress2(packed.data(), &packedSize, rows.data(), rows.size(), 6), Z_OK);
  packed.resize(packedSize);
  Bytes badFilter = test::PngSignature();
  test::Append(badFilter, PngChunk("IHDR", test::PngHeaderData(6, 6, 8, 2)));
  test::Append(badFilter, PngChunk("IDAT", packed));
  EXPECT_TRUE(Fails(badFilter));
  // Zero width.
  Bytes empty = test::PngSignature();
  test::Append(empty, PngChunk("IHDR", test::PngHeaderData(0, 6, 8, 2)));
  test::Append(empty, PngChunk("IDAT", data));
  EXPECT_TRUE(Fails(empty));
}

TEST(PngDecoder, PaletteGaps) {
  // Indices beyond the palette are black; so is everything without a PLTE, and a PLTE
  // after the image data is not taken.
  const PngSpec layout = Random(8, 3, 4, 3, 7, 15);
  const std::vector<std::uint32_t> short3(kPalette.begin(), kPalette.begin() + 3);
  EXPECT_TRUE(test::SameBitmap(Expected(layout, short3), Decode(test::MakePng(layout, short3))));
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(8, 3, 0, 0, 0), Decode(Assemble(layout, {}))));
  Bytes late = Assemble(layout, {}, true, false);
  test::Append(late, PngChunk("PLTE", {255, 255, 255}));
  EXPECT_TRUE(test::SameBitmap(test::MakeSolid(8, 3, 0, 0, 0), Decode(late)));
}

TEST(PngDecoder, HugeAnnouncedPictureWithLittleDataFailsEarly) {
  // 20000 x 20000 RGB would take 1.2 GB; the few bytes of data cannot fill it.
  Bytes file = test::PngSignature();
  test::Append(file, PngChunk("IHDR", test::PngHeaderData(20000, 20000, 8, 2)));
  test::Append(file, PngChunk("IDAT", Bytes(200, 0)));
  WorkBitmap bitmap;
  EXPECT_THROW(DecodePng(file.data(), file.size(), bitmap), DecodeError);
  EXPECT_TRUE(bitmap.Empty());
  Bytes huge = test::PngSignature();
  test::Append(huge, PngChunk("IHDR", test::PngHeaderData(100000, 100000, 8, 2)));
  test::Append(huge, PngChunk("IDAT", Bytes(200, 0)));
  EXPECT_ANY_THROW(DecodePng(huge.data(), huge.size(), bitmap));
  EXPECT_TRUE(bitmap.Empty());
}

TEST(PngDecoder, TwoDecodesAtOnceOnTwoThreads) {
  // No decoder may keep state outside the call: a PNG and a GIF decoded side by side, over
  // and over, must each give the picture they give alone.
  PngSpec layout = Random(40, 30, 8, 2, 9);
  layout.interlaced = true;
  const Bytes png = test::MakePng(layout);
  test::GifImageSpec image;
  image.width = 40;
  image.height = 30;
  image.interlaced = true;
  for (int i = 0; i < 1200; ++i) image.indices.push_back(static_cast<std::uint8_t>(i % 7));
  const Bytes gif = test::GifWriter(kPalette).Image(image).Finish();
  WorkBitmap gifAlone;
  DecodeGif(gif.data(), gif.size(), gifAlone);
  const WorkBitmap pngAlone = Decode(png);
  int pngMismatches = 0;
  int gifMismatches = 0;
  std::thread other([&] {
    for (int i = 0; i < 200; ++i) {
      WorkBitmap bitmap;
      DecodeGif(gif.data(), gif.size(), bitmap);
      gifMismatches += !test::SameBitmap(gifAlone, bitmap);
    }
  });
  for (int i = 0; i < 200; ++i) pngMismatches += !test::SameBitmap(pngAlone, Decode(png));
  other.join();
  EXPECT_EQ(pngMismatches, 0);
  EXPECT_EQ(gifMismatches, 0);
}

}  // namespace
}  // namespace brevine
