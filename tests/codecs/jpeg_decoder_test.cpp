#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

#include "codecs.h"
#include "libjpeg_reference.h"
#include "test_images.h"

#include <jerror.h>

namespace brevine {
namespace {

using test::Bytes;

Bytes Rgb(const WorkBitmap& bitmap) {
  Bytes samples(bitmap.Data(), bitmap.Data() + bitmap.ByteCount());
  for (std::size_t i = 0; i < samples.size(); i += 3) std::swap(samples[i], samples[i + 2]);
  return samples;
}

test::LibjpegEncode ColourFile(const WorkBitmap& bitmap) {
  test::LibjpegEncode how;
  how.width = bitmap.Width();
  how.height = bitmap.Height();
  how.samples = Rgb(bitmap);
  return how;
}

test::LibjpegEncode GrayFile(int width, int height, std::uint8_t (*value)(int x, int y)) {
  test::LibjpegEncode how;
  how.width = width;
  how.height = height;
  how.components = 1;
  how.inSpace = JCS_GRAYSCALE;
  how.quality = 100;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) how.samples.push_back(value(x, y));
  return how;
}

WorkBitmap Decode(const Bytes& file) {
  WorkBitmap bitmap;
  DecodeJpeg(file.data(), file.size(), bitmap);
  return bitmap;
}

// The library's own RGB decode of the file, as a bitmap.
WorkBitmap Reference(const Bytes& file) {
  const test::LibjpegImage rgb = test::DecodeWithLibjpeg(file, JCS_RGB);
  WorkBitmap bitmap(rgb.width, rgb.height);
  Bytes bgr(rgb.Samples().begin(), rgb.Samples().end());
  for (std::size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  std::copy(bgr.begin(), bgr.end(), bitmap.Data());
  return bitmap;
}

std::set<int> GrayValues(const WorkBitmap& bitmap) {
  std::set<int> values;
  for (std::size_t i = 0; i < bitmap.ByteCount(); i += 3) {
    const std::uint8_t* p = bitmap.Data() + i;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
    values.insert(p[0]);
  }
  return values;
}

TEST(JpegDecoder, ColourIsTheLibrarysFullSizeOutput) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    test::LibjpegEncode how = ColourFile(test::MakePhotoLike(800, 600, 7));
    how.progressive = progressive;
    const Bytes file = test::EncodeWithLibjpeg(how);
    EXPECT_TRUE(test::SameBitmap(Reference(file), Decode(file)));
  }
  // Odd sizes exercise the partial MCUs and the row batches.
  const Bytes odd = test::EncodeWithLibjpeg(ColourFile(test::MakeNoise(33, 19, 2)));
  EXPECT_TRUE(test::SameBitmap(Reference(odd), Decode(odd)));
}

// The library gives a 4:2:0 file two rows a call; the sink still hears of whole requests
// (a helper thread takes each hand-over), and the last, shorter one, in order.
TEST(JpegDecoder, RowsReachTheSinkInWholeRequests) {
  const Bytes file = test::EncodeWithLibjpeg(ColourFile(test::MakePhotoLike(120, 70, 5)));
  struct Requests : RowSink {
    WorkBitmap rows;
    std::vector<int> counts;
    int next = 0;
    void Begin(int width, int height, int) override { rows.SetSize(width, height); }
    int MaxRows() const override { return 16; }
    Block Rows(int first, int, int) override {
      return {rows.Row(first), static_cast<std::ptrdiff_t>(rows.Stride())};
    }
    void Put(int first, int count, int) override {
      EXPECT_EQ(first, next);
      next = first + count;
      counts.push_back(count);
    }
    void TakePicture(WorkBitmap&, int) override { ADD_FAILURE(); }
  } sink;
  DecodeJpegRows(file.data(), file.size(), sink, nullptr, LoadRequest{});
  EXPECT_EQ(sink.counts, (std::vector<int>{16, 16, 16, 16, 6}));
  EXPECT_TRUE(test::SameBitmap(Reference(file), sink.rows));
}

TEST(JpegDecoder, RedLandsInTheRedByteForYcbcrAndRgbCoding) {
  for (J_COLOR_SPACE space : {JCS_YCbCr, JCS_RGB}) {
    SCOPED_TRACE(space);
    test::LibjpegEncode how = ColourFile(test::MakeSolid(16, 16, 0, 0, 255));
    how.fileSpace = space;
    const Bytes file = test::EncodeWithLibjpeg(how);
    const WorkBitmap b = Decode(file);
    EXPECT_LT(b.Row(8)[0], 10);
    EXPECT_LT(b.Row(8)[1], 10);
    EXPECT_GT(b.Row(8)[2], 245);
    EXPECT_TRUE(test::SameBitmap(Reference(file), b));
  }
}

TEST(JpegDecoder, UniformGrayGivesOnly127And128) {
  const Bytes file =
      test::EncodeWithLibjpeg(GrayFile(64, 64, [](int, int) -> std::uint8_t { return 128; }));
  EXPECT_EQ((std::set<int>{127, 128}), GrayValues(Decode(file)));
}

TEST(JpegDecoder, GrayRampGivesOnlyThe236Levels) {
  std::set<int> levels;
  for (int j = 0; j < 236; ++j) levels.insert((255 * j + 117) / 235);
  ASSERT_EQ(236u, levels.size());
  const Bytes file = test::EncodeWithLibjpeg(
      GrayFile(256, 8, [](int x, int) { return static_cast<std::uint8_t>(x); }));
  const std::set<int> values = GrayValues(Decode(file));
  EXPECT_TRUE(std::includes(levels.begin(), levels.end(), values.begin(), values.end()));
  EXPECT_GT(values.size(), 200u);
  EXPECT_TRUE(values.count(0) && values.count(255));
}

TEST(JpegDecoder, TruncatedFileLoadsAtFullSize) {
  const Bytes whole = test::EncodeWithLibjpeg(ColourFile(test::MakeNoise(64, 48, 9)));
  const Bytes half(whole.begin(), whole.begin() + whole.size() / 2);
  const WorkBitmap b = Decode(half);
  EXPECT_EQ(64, b.Width());
  EXPECT_EQ(48, b.Height());
  EXPECT_TRUE(test::SameBitmap(Reference(half), b));
}

TEST(JpegDecoder, FourComponentFilesBecomeColour) {
  // A red half and a blue half, in ink amounts (0 = no ink).
  auto inks = [](bool inverted) {
    test::LibjpegEncode how;
    how.width = 16;
    how.height = 8;
    how.components = 4;
    how.inSpace = JCS_CMYK;
    how.quality = 100;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 16; ++x) {
        const std::uint8_t ink[4] = {static_cast<std::uint8_t>(x < 8 ? 0 : 255), 255,
                                     static_cast<std::uint8_t>(x < 8 ? 255 : 0), 40};
        for (std::uint8_t v : ink) how.samples.push_back(inverted ? 255 - v : v);
      }
    }
    return how;
  };
  // Adobe's inverted form (the marker is written), the same through YCCK, and plain CMYK
  // without the marker.
  test::LibjpegEncode adobe = inks(true);
  test::LibjpegEncode ycck = inks(true);
  ycck.fileSpace = JCS_YCCK;
  test::LibjpegEncode plain = inks(false);
  plain.adobeMarker = false;
  const int dark = (255 * 215 + 127) / 255;  // 40 of black leaves 215 of 255
  for (const auto* how : {&adobe, &ycck, &plain}) {
    const WorkBitmap b = Decode(test::EncodeWithLibjpeg(*how));
    ASSERT_EQ(16, b.Width());
    const std::uint8_t* red = b.Row(4) + 3 * 2;
    const std::uint8_t* blue = b.Row(4) + 3 * 13;
    EXPECT_NEAR(dark, red[2], 3);
    EXPECT_NEAR(0, red[1], 3);
    EXPECT_NEAR(0, red[0], 3);
    EXPECT_NEAR(dark, blue[0], 3);
    EXPECT_NEAR(0, blue[2], 3);
  }
}

TEST(JpegDecoder, OneByOneAndObjectInterface) {
  const Bytes file = test::EncodeWithLibjpeg(ColourFile(test::MakeSolid(1, 1, 200, 100, 50)));
  test::TempFolder folder;
  test::WriteFile(folder / "one.jpg", file);
  TJPEGImage jpeg;
  jpeg.ReadJpegFile(folder / "one.jpg");
  EXPECT_EQ(file, jpeg.Data().bytes);
  EXPECT_EQ(1, jpeg.Data().width);
  EXPECT_FALSE(jpeg.Data().gray);
  jpeg.DecodeJpeg();
  EXPECT_TRUE(test::SameBitmap(Reference(file), jpeg.Picture()));

  WorkBitmap bitmap(5, 5);
  LoadJpegImage(folder / "one.jpg", bitmap);
  EXPECT_TRUE(test::SameBitmap(Reference(file), bitmap));

  const Bytes gray =
      test::EncodeWithLibjpeg(GrayFile(3, 2, [](int, int) -> std::uint8_t { return 9; }));
  jpeg.ReadJpegBytes(gray);
  EXPECT_TRUE(jpeg.Data().gray);
  EXPECT_EQ(3, jpeg.Data().width);
  EXPECT_EQ(2, jpeg.Data().height);
}

TEST(JpegDecoder, RejectsWhatIsNotAJpegItCanShow) {
  EXPECT_THROW(Decode(Bytes{}), EJPEG);
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  EXPECT_THROW(Decode(png), EJPEG);
  TJPEGImage jpeg;
  EXPECT_THROW(jpeg.ReadJpegBytes(png), EJPEG);
  jpeg.ReadJpegBytes({});  // an empty file is stored unchecked; decoding it fails
  EXPECT_THROW(jpeg.DecodeJpeg(), EJPEG);

  // Two components: libjpeg writes it, nothing can show it.
  test::LibjpegEncode two;
  two.width = 8;
  two.height = 8;
  two.components = 2;
  two.inSpace = JCS_UNKNOWN;
  two.samples.assign(8 * 8 * 2, 100);
  try {
    Decode(test::EncodeWithLibjpeg(two));
    FAIL() << "decoded";
  } catch (const EJPEG&) {
    FAIL() << "should be refused by the decoder, not the library";
  } catch (const DecodeError&) {
  }
}

// Rewrites the frame size in a file's SOF segment.
Bytes WithSize(Bytes file, int width, int height) {
  for (std::size_t i = 2; i + 8 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 5] = height >> 8;
      file[i + 6] = height & 0xFF;
      file[i + 7] = width >> 8;
      file[i + 8] = width & 0xFF;
      break;
    }
  }
  return file;
}

TEST(JpegDecoder, HugeAnnouncedPictureInASmallFileFailsBeforeAllocating) {
  const Bytes small = test::EncodeWithLibjpeg(ColourFile(test::MakeNoise(16, 16, 1)));
  EXPECT_THROW(Decode(WithSize(small, 20000, 20000)), DecodeError);  // 400 MP in < 1 KB
  EXPECT_THROW(Decode(WithSize(small, 65500, 65500)), std::length_error);
  // Below the bound a short file still decodes at its announced size.
  const WorkBitmap b = Decode(WithSize(small, 300, 200));
  EXPECT_EQ(300, b.Width());
  EXPECT_EQ(200, b.Height());
}

}  // namespace
}  // namespace brevine
