// JPEG XL decoding against djxl on files cjxl makes in this run: lossless and lossy
// pictures equal djxl's 8-bit PNG, a recompressed JPEG reduces as its rebuilt JPEG does,
// and damaged files are refused with their reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs.h"
#include "format_writers.h"
#include "loaded_file.h"
#include "test_images.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG of the picture; one grey channel, or RGB with an alpha channel that falls to the
// right, on request.
Bytes PngOf(const WorkBitmap& bitmap, bool gray = false, bool alpha = false) {
  test::PngSpec layout;
  layout.width = static_cast<std::uint32_t>(bitmap.Width());
  layout.height = static_cast<std::uint32_t>(bitmap.Height());
  layout.colourType = gray ? 0 : alpha ? 6 : 2;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      if (gray) {
        layout.samples.push_back(p[1]);
      } else {
        layout.samples.insert(layout.samples.end(), {p[2], p[1], p[0]});
        if (alpha) layout.samples.push_back(static_cast<std::uint16_t>(255 - 4 * x % 256));
      }
    }
  }
  return test::MakePng(layout);
}

using test::Load;
using test::Loaded;
using test::Shell;

TEST(JxlDecoder, PicturesAreDjxlsEightBitPng) {
  const test::TempFolder folder;
  const WorkBitmap photo = test::MakePhotoLike(300, 173, 5);
  struct Case {
    const char* name;
    const char* cjxl;
    bool gray, alpha;
  };
  for (const Case& c :
       {Case{"lossless", "-d 0", false, false}, Case{"lossy", "-q 80", false, false},
        Case{"lossy low", "-q 30 -e 3", false, false}, Case{"grey", "-q 90", true, false},
        Case{"alpha", "-d 0", false, true}}) {
    SCOPED_TRACE(c.name);
    test::WriteFile(folder / "in.png", PngOf(photo, c.gray, c.alpha));
    ASSERT_TRUE(Shell("cjxl " + std::string(c.cjxl) + " '" + (folder / "in.png") + "' '" +
                      (folder / "in.jxl") + "'"))
        << "install libjxl-tools";
    const Loaded loaded = Load(folder / "in.jxl");
    ASSERT_EQ(loaded.status, LoadStatus::kOk) << loaded.info.reason;
    ASSERT_EQ(loaded.bitmap.Width(), 300);
    ASSERT_EQ(loaded.bitmap.Height(), 173);
    // djxl refuses 8-bit PNG for some pictures with alpha; the library's output defines them.
    if (!Shell("djxl --bits_per_sample=8 '" + (folder / "in.jxl") + "' '" + (folder / "out.png") +
               "'")) {
      EXPECT_TRUE(c.alpha) << "djxl failed";
      continue;
    }
    const Loaded reference = Load(folder / "out.png");
    ASSERT_EQ(reference.status, LoadStatus::kOk);
    EXPECT_TRUE(test::SameBitmap(reference.bitmap, loaded.bitmap));
    if (c.alpha || std::string(c.name) == "lossless") {
      // Lossless colour is the source's, alpha dropped.
      EXPECT_TRUE(test::SameBitmap(c.gray ? reference.bitmap : photo, loaded.bitmap));
    }
    // The same from memory.
    const Bytes bytes = test::ReadFile(folder / "in.jxl");
    WorkBitmap fromMemory;
    DecodeJxl(bytes.data(), bytes.size(), fromMemory, nullptr);
    EXPECT_TRUE(test::SameBitmap(loaded.bitmap, fromMemory));
  }
}

TEST(JxlDecoder, ARecompressedJpegIsItsRebuiltJpeg) {
  const test::TempFolder folder;
  TJPEGImage jpeg;
  jpeg.SetQuality(85);
  // An EXIF block turning the picture a quarter: it must come back with the JPEG.
  const Bytes exif = {'E',  'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                      0x12, 1,   3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
  jpeg.SetMarkers({JpegMarker{0xE1, exif}});
  jpeg.EncodeBitmap(test::MakePhotoLike(211, 97, 3));
  test::WriteFile(folder / "in.jpg", jpeg.Data().bytes);
  ASSERT_TRUE(Shell("cjxl '" + (folder / "in.jpg") + "' '" + (folder / "in.jxl") + "'"));
  ASSERT_TRUE(Shell("djxl '" + (folder / "in.jxl") + "' '" + (folder / "rebuilt.jpg") + "'"));
  EXPECT_EQ(test::ReadFile(folder / "rebuilt.jpg"), jpeg.Data().bytes);

  const Loaded rebuilt = Load(folder / "rebuilt.jpg");
  const Loaded loaded = Load(folder / "in.jxl");
  ASSERT_EQ(loaded.status, LoadStatus::kOk) << loaded.info.reason;
  EXPECT_TRUE(test::SameBitmap(rebuilt.bitmap, loaded.bitmap));
  EXPECT_EQ(loaded.info.orientation, 6);
  EXPECT_EQ(loaded.info.exif, rebuilt.info.exif);
  EXPECT_FALSE(loaded.info.exif.empty());
}

TEST(JxlDecoder, DamagedFilesAreRefusedWithTheirReason) {
  const test::TempFolder folder;
  test::WriteFile(folder / "in.png", PngOf(test::MakePhotoLike(64, 48, 2)));
  ASSERT_TRUE(Shell("cjxl -q 80 '" + (folder / "in.png") + "' '" + (folder / "in.jxl") + "'"));
  const Bytes good = test::ReadFile(folder / "in.jxl");
  const auto refusal = [](const Bytes& bytes) -> std::string {
    WorkBitmap bitmap;
    try {
      DecodeJxl(bytes.data(), bytes.size(), bitmap, nullptr);
    } catch (const DecodeError& e) {
      return e.what();
    }
    return {};
  };
  EXPECT_EQ(refusal(good), "");
  EXPECT_NE(refusal({}), "");
  for (const std::size_t cut : {std::size_t{2}, std::size_t{12}, good.size() / 2, good.size() - 1})
    EXPECT_NE(refusal(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))), "")
        << cut;
  Bytes flipped = good;
  for (std::size_t i = 20; i < flipped.size(); i += 7) flipped[i] ^= 0x5A;
  refusal(flipped);  // whatever it gives, it gives cleanly

  // Through the loader, the reason reaches the caller.
  test::WriteFile(folder / "cut.jxl", Bytes(good.begin(), good.begin() + 12));
  const Loaded loaded = Load(folder / "cut.jxl");
  EXPECT_EQ(loaded.status, LoadStatus::kDecodeError);
  EXPECT_NE(loaded.info.reason.find("JPEG XL"), std::string::npos) << loaded.info.reason;
}

// libjxl renders floats; every 8-bit level comes back as itself (rounded, not truncated),
// and lossy overshoot past black and white is clamped as djxl clamps it.
TEST(JxlDecoder, EveryLevelAndTheEndsOfTheRange) {
  const test::TempFolder folder;
  WorkBitmap levels(256, 48);
  for (int y = 0; y < levels.Height(); ++y) {
    std::uint8_t* p = levels.Row(y);
    for (int x = 0; x < 256; ++x, p += 3) {
      // Each channel runs through every level, in a different order per band of rows.
      const int band = y / 16;
      p[0] = static_cast<std::uint8_t>(band == 0 ? x : 255 - x);
      p[1] = static_cast<std::uint8_t>(band == 1 ? x : (x * 7) % 256);
      p[2] = static_cast<std::uint8_t>(band == 2 ? x : (x * 13 + 5) % 256);
    }
  }
  test::WriteFile(folder / "levels.png", PngOf(levels));
  ASSERT_TRUE(
      Shell("cjxl -d 0 '" + (folder / "levels.png") + "' '" + (folder / "levels.jxl") + "'"));
  EXPECT_TRUE(test::SameBitmap(levels, Load(folder / "levels.jxl").bitmap));
  test::WriteFile(folder / "grey.png", PngOf(levels, true));
  ASSERT_TRUE(Shell("cjxl -d 0 '" + (folder / "grey.png") + "' '" + (folder / "grey.jxl") + "'"));
  const WorkBitmap grey = Load(folder / "grey.jxl").bitmap;
  ASSERT_EQ(grey.Width(), 256);
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < 256; ++x)
      for (int c = 0; c < 3; ++c) ASSERT_EQ(grey.Row(y)[3 * x + c], levels.Row(y)[3 * x + 1]);

  // Saturated blocks with hard edges: a lossy decode rings past 0 and 1 at every edge.
  WorkBitmap blocks(160, 96);
  for (int y = 0; y < blocks.Height(); ++y) {
    std::uint8_t* p = blocks.Row(y);
    for (int x = 0; x < blocks.Width(); ++x, p += 3) {
      const int k = (x / 8 + y / 8) % 4;
      p[0] = k == 0 || k == 3 ? 255 : 0;
      p[1] = k == 1 || k == 3 ? 255 : 0;
      p[2] = k == 2 || k == 3 ? 255 : 0;
    }
  }
  test::WriteFile(folder / "blocks.png", PngOf(blocks));
  for (const char* quality : {"-q 20", "-q 60"}) {
    SCOPED_TRACE(quality);
    ASSERT_TRUE(Shell("cjxl " + std::string(quality) + " '" + (folder / "blocks.png") + "' '" +
                      (folder / "blocks.jxl") + "'"));
    ASSERT_TRUE(Shell("djxl --bits_per_sample=8 '" + (folder / "blocks.jxl") + "' '" +
                      (folder / "blocks-out.png") + "'"));
    EXPECT_TRUE(test::SameBitmap(Load(folder / "blocks-out.png").bitmap,
                                 Load(folder / "blocks.jxl").bitmap));
  }
}

TEST(JxlDecoder, RowsStreamIntoTheSink) {
  const test::TempFolder folder;
  test::WriteFile(folder / "in.png", PngOf(test::MakePhotoLike(600, 300, 9)));
  ASSERT_TRUE(Shell("cjxl -q 75 '" + (folder / "in.png") + "' '" + (folder / "a.JXL") + "'"));
  EXPECT_TRUE(HasDecoderFor(folder / "a.JXL"));
  struct Collector : RowSink {
    WorkBitmap rows;
    bool whole = false;
    int next = 0;
    bool inOrder = true;
    void Begin(int width, int height, int) override { rows.SetSize(width, height); }
    int MaxRows() const override { return 16; }
    Block Rows(int first, int, int) override {
      inOrder = inOrder && first == next;
      return {rows.Row(first), static_cast<std::ptrdiff_t>(rows.Stride())};
    }
    void Put(int first, int count, int) override { next = first + count; }
    void TakePicture(WorkBitmap&, int) override { whole = true; }
  } sink;
  SourceInfo info;
  ASSERT_EQ(LoadImage(folder / "a.JXL", sink, &info), LoadStatus::kOk) << info.reason;
  EXPECT_FALSE(sink.whole);
  EXPECT_TRUE(sink.inOrder);
  EXPECT_EQ(sink.next, 300);
  EXPECT_TRUE(test::SameBitmap(Load(folder / "a.JXL").bitmap, sink.rows));
}

}  // namespace
}  // namespace brevine
