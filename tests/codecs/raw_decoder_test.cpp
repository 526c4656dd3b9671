// Camera raws against LibRaw's own programs on DNGs written here with libtiff: a Bayer
// mosaic with a JPEG preview in a second directory. The develop is dcraw_emu -w -o 1 -q 3's
// (with -h where half size covers the box), the preview simple_dcraw -e's JPEG; the
// choice between them follows the box and the raw key; damaged raws are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs.h"
#include "dng_files.h"
#include "exif_metadata.h"
#include "loaded_file.h"
#include "test_images.h"

namespace brevine {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::Shell;

// A DNG of a width x height mosaic with, when `previewWidth` is given, a JPEG preview of
// that width in the next directory.
void WriteDng(const std::string& path, int width, int height, int previewWidth,
              int orientation = 1) {
  Bytes preview;
  const int previewHeight = previewWidth > 0 ? previewWidth * height / width : 0;
  if (previewWidth > 0) {
    WorkBitmap picture(previewWidth, previewHeight);
    for (int y = 0; y < previewHeight; ++y) {
      for (int x = 0; x < previewWidth; ++x) {
        std::uint8_t* p = picture.Row(y) + 3 * x;
        p[0] = 90;
        p[1] = static_cast<std::uint8_t>(255 * y / previewHeight);
        p[2] = static_cast<std::uint8_t>(255 * x / previewWidth);
      }
    }
    TJPEGImage jpeg;
    jpeg.SetQuality(90);
    jpeg.EncodeBitmap(picture);
    preview = jpeg.TakeBytes();
  }
  ASSERT_TRUE(
      test::WriteDng(path, width, height, preview, previewWidth, previewHeight, orientation));
}

// A PPM (P6, 8 bits) as a bitmap.
WorkBitmap ReadPpm(const std::string& path) {
  const Bytes bytes = test::ReadFile(path);
  int width = 0, height = 0, top = 0, used = 0;
  if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %d %d %d%n", &width, &height,
                  &top, &used) != 3 ||
      top != 255)
    return {};
  WorkBitmap bitmap(width, height);
  const std::uint8_t* p = bytes.data() + used + 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, p += 3) {
      std::uint8_t* out = bitmap.Row(y) + 3 * x;
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
    }
  return bitmap;
}

struct Decoded {
  std::string refusal;
  WorkBitmap bitmap;
  SourceInfo info;
};

Decoded Decode(const std::string& path, int box, bool develop) {
  const Bytes bytes = test::ReadFile(path);
  LoadRequest request;
  request.boxWidth = box;
  request.boxHeight = box;
  request.rawDevelop = develop;
  Decoded out;
  BitmapSink sink;
  try {
    DecodeRawRows(bytes.data(), bytes.size(), sink, out.info, request);
    out.bitmap.Swap(sink.Picture());
  } catch (const DecodeError& e) {
    out.refusal = e.what();
  }
  return out;
}

TEST(RawDecoder, TheDevelopIsDcrawEmus) {
  const test::TempFolder folder;
  const std::string dng = folder / "a.dng";
  WriteDng(dng, 160, 120, 0);
  ASSERT_TRUE(Shell("dcraw_emu -w -o 1 -q 3 '" + dng + "'")) << "install libraw-bin";
  const WorkBitmap full = ReadPpm(dng + ".ppm");
  ASSERT_EQ(full.Width(), 160);
  // No box the half size covers: the whole develop, whatever the key says.
  for (const bool develop : {false, true}) {
    const Decoded decoded = Decode(dng, 150, develop);
    ASSERT_EQ(decoded.refusal, "");
    EXPECT_TRUE(test::SameBitmap(full, decoded.bitmap));
    EXPECT_EQ(decoded.info.orientation, 1);
  }
  // A box the half size still covers: dcraw_emu -h.
  ASSERT_TRUE(Shell("dcraw_emu -w -o 1 -q 3 -h '" + dng + "'"));
  const Decoded half = Decode(dng, 64, true);
  ASSERT_EQ(half.refusal, "");
  EXPECT_TRUE(test::SameBitmap(ReadPpm(dng + ".ppm"), half.bitmap));

  // The date and camera, for keepinfo.
  const Bytes shared = SharedExifSegment(half.info.exif.data(), half.info.exif.size());
  const std::string text(shared.begin(), shared.end());
  EXPECT_NE(text.find("Testmaker"), std::string::npos);
  EXPECT_NE(text.find("Mosaic One"), std::string::npos);
}

TEST(RawDecoder, APreviewThatCoversTheBoxIsTheJpegTurnedByTheRaw) {
  const test::TempFolder folder;
  const std::string dng = folder / "p.dng";
  WriteDng(dng, 160, 120, 96, 6);
  ASSERT_TRUE(Shell("cd '" + folder.Path() + "' && simple_dcraw -e p.dng"));
  BitmapSink jpegSink;
  SourceInfo jpegInfo;
  const Bytes jpeg = test::ReadFile(dng + ".thumb.jpg");
  DecodeJpegRows(jpeg.data(), jpeg.size(), jpegSink, &jpegInfo);
  ASSERT_EQ(jpegSink.Picture().Width(), 96);

  // 160 x 120 on its side is 120 x 160; in a 64 box it becomes 48 x 64, which the 72 x 96
  // preview (on its side) covers.
  const Decoded preview = Decode(dng, 64, false);
  ASSERT_EQ(preview.refusal, "");
  EXPECT_TRUE(test::SameBitmap(jpegSink.Picture(), preview.bitmap));
  EXPECT_EQ(preview.info.orientation, 6);
  // develop, or a box the preview does not cover: the develop, upright.
  for (const auto& [box, develop] : {std::pair{64, true}, std::pair{150, false}}) {
    const Decoded developed = Decode(dng, box, develop);
    ASSERT_EQ(developed.refusal, "");
    EXPECT_EQ(developed.info.orientation, 1);
    EXPECT_EQ(developed.bitmap.Height(), box == 64 ? 80 : 160);
  }
}

TEST(RawDecoder, DamagedRawsAreRefusedWithTheirReason) {
  const test::TempFolder folder;
  const std::string dng = folder / "d.dng";
  WriteDng(dng, 64, 48, 0);
  const Bytes good = test::ReadFile(dng);
  const auto refusal = [](const Bytes& bytes) {
    BitmapSink sink;
    SourceInfo info;
    try {
      DecodeRawRows(bytes.data(), bytes.size(), sink, info, LoadRequest{});
    } catch (const DecodeError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(refusal(good), "");
  EXPECT_NE(refusal({}), "");
  EXPECT_NE(refusal(Bytes(good.begin(), good.begin() + 100)), "");
  Bytes text(4000, 'x');
  EXPECT_NE(refusal(text), "");
  // Through the loader, by extension, with the reason.
  test::WriteFile(folder / "cut.nef", Bytes(good.begin(), good.begin() + 100));
  WorkBitmap bitmap;
  SourceInfo info;
  EXPECT_EQ(LoadImage(folder / "cut.nef", bitmap, &info), LoadStatus::kDecodeError);
  EXPECT_NE(info.reason.find("RAW"), std::string::npos) << info.reason;
  for (const char* name : {"a.CR2", "a.cr3", "a.arw", "a.rw2", "a.raf", "a.3fr", "a.x3f"})
    EXPECT_TRUE(HasDecoderFor(name)) << name;
}

}  // namespace
}  // namespace brevine
