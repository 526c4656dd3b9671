// HEIF sources through the command line: the JPEG written is the encoding of what the
// decoder gives, reduced and sharpened; a damaged file is named with libheif's reason.
#include <gtest/gtest.h>

#include <sstream>

#include "command_line.h"
#include "heif_files.h"
#include "imaging.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

TEST(HeifEndToEnd, HeicAndAvifGiveJpegsAndADamagedFileItsReason) {
  test::TempFolder dir;
  Options o;
  o.boxPreset = 7;
  o.boxWidth = 40;
  o.boxHeight = 40;
  const std::string ini = FormatSettings(o);
  test::WriteFile(dir / "brevine.ini", {ini.begin(), ini.end()});

  // Stored 64 x 48 with a quarter turn in its boxes and an EXIF orientation of 6 beside
  // it: the picture is turned once, by the boxes, to 48 x 64.
  test::HeifOptions turned;
  turned.orientation = 6;
  turned.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3,
                 0,   0,   0, 1,  0, 6, 0, 0, 0, 0, 0,    0,    0, 0};
  const auto heic = test::EncodeHeif(test::Quadrants(64, 48), turned);
  test::HeifOptions av1;
  av1.av1 = true;
  const auto avif = test::EncodeHeif(test::Quadrants(64, 48), av1);
  test::WriteFile(dir / "t.heic", heic);
  test::WriteFile(dir / "a.avif", avif);
  test::WriteFile(dir / "bad.heic", {heic.begin(), heic.begin() + heic.size() / 2});

  std::ostringstream err;
  EXPECT_EQ(RunCommandLine({"t.heic", "a.avif", "bad.heic"}, dir / "brevine", err, dir.Path()), 1);
  const std::string prefix = "brevine: bad.heic: cannot decode: HEIF: ";
  EXPECT_EQ(err.str().rfind(prefix, 0), 0u) << err.str();
  EXPECT_EQ(err.str().back(), '\n');
  EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir / "Resized/bad.jpg"));

  for (const auto& [name, file] : {std::pair{"t", heic}, std::pair{"a", avif}}) {
    SCOPED_TRACE(name);
    WorkBitmap picture;
    SourceInfo info;
    DecodeHeif(file.data(), file.size(), picture, info);
    FitToBox(picture, picture, 40, 40);
    SharpenImage(picture, picture, 80);
    const auto written = test::ReadFile(dir / ("Resized/" + std::string(name) + ".jpg"));
    EXPECT_EQ(written, test::JpegOf(picture, 92));
    EXPECT_EQ(picture.Width(), name == std::string("t") ? 30 : 40);
  }
}

}  // namespace
}  // namespace brevine
