// Every source format through the command line: each JPEG written is the encoding of what
// its decoder gives, reduced to the box and sharpened, with the options of the settings file.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <vector>

#include "command_line.h"
#include "format_writers.h"
#include "imaging.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

constexpr std::uint32_t kColours[4] = {0xD02010, 0x10A040, 0x2040E0, 0xF0F0F0};

// 64 x 48 in four colours, so that GIF stores it exactly.
std::vector<std::uint8_t> Indices() {
  std::vector<std::uint8_t> indices(64 * 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      indices[y * 64 + x] = static_cast<std::uint8_t>((x / 8 + y / 12) % 4);
  return indices;
}

WorkBitmap Picture() {
  const auto indices = Indices();
  WorkBitmap picture(64, 48);
  for (int i = 0; i < 64 * 48; ++i) {
    std::uint8_t* p = picture.Data() + 3 * i;
    p[0] = kColours[indices[i]] & 0xFF;
    p[1] = (kColours[indices[i]] >> 8) & 0xFF;
    p[2] = (kColours[indices[i]] >> 16) & 0xFF;
  }
  return picture;
}

std::vector<std::uint8_t> Expected(WorkBitmap decoded) {
  FitToBox(decoded, decoded, 40, 40);
  SharpenImage(decoded, decoded, 80);
  return test::JpegOf(decoded, 92);
}

TEST(FormatsEndToEnd, JpegGifAndPngThroughTheCommandLine) {
  test::TempFolder dir;
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 40;
  o.boxHeight = 40;
  test::WriteFile(dir / "brevine.ini", [&] {
    const std::string text = FormatSettings(o);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  }());

  const WorkBitmap picture = Picture();
  const auto gif = test::GifWriter({kColours[0], kColours[1], kColours[2], kColours[3]}, 64, 48)
                       .Image({0, 0, 64, 48, false, {}, Indices()})
                       .Finish();
  test::PngSpec layout;
  layout.width = 64;
  layout.height = 48;
  for (int i = 0; i < 64 * 48; ++i) {
    const std::uint8_t* p = picture.Data() + 3 * i;
    layout.samples.insert(layout.samples.end(), {p[2], p[1], p[0]});
  }
  const auto png = test::MakePng(layout);
  const auto jpg = test::JpegOf(picture, 95);
  test::WriteFile(dir / "g.gif", gif);
  test::WriteFile(dir / "n.png", png);
  test::WriteFile(dir / "j.jpg", jpg);

  std::ostringstream err;
  EXPECT_EQ(RunCommandLine({"g.gif", "n.png", "j.jpg"}, dir / "brevine", err, dir.Path()), 0)
      << err.str();
  EXPECT_EQ(err.str(), "");

  // The lossless sources decode to the picture itself; the JPEG source to libjpeg's pixels.
  WorkBitmap decoded;
  DecodeGif(gif.data(), gif.size(), decoded);
  EXPECT_TRUE(test::SameBitmap(picture, decoded));
  DecodePng(png.data(), png.size(), decoded);
  EXPECT_TRUE(test::SameBitmap(picture, decoded));
  const auto fromPicture = Expected(picture);
  EXPECT_EQ(test::ReadFile(dir / "Resized/g.jpg"), fromPicture);
  EXPECT_EQ(test::ReadFile(dir / "Resized/n.jpg"), fromPicture);
  DecodeJpeg(jpg.data(), jpg.size(), decoded);
  EXPECT_EQ(test::ReadFile(dir / "Resized/j.jpg"), Expected(decoded));
  // 64 x 48 in a 40 x 40 box.
  WorkBitmap written;
  const auto bytes = test::ReadFile(dir / "Resized/j.jpg");
  DecodeJpeg(bytes.data(), bytes.size(), written);
  EXPECT_EQ(written.Width(), 40);
  EXPECT_EQ(written.Height(), 30);
}

}  // namespace
}  // namespace brevine
