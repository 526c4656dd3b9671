// WebP and AVIF results through the output stage: names, the HTML line, the target size,
// what is kept of the source, and the rules that protect sources and name results.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "batch_runner.h"
#include "command_line.h"
#include "exif_blocks.h"
#include "exif_metadata.h"
#include "fixed_clock.h"
#include "folder_walk.h"
#include "output_stage.h"
#include "pipeline.h"
#include "pipeline_support.h"
#include "settings_file.h"
#include "test_profiles.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadFile;
using test::WriteBmp;

Options WithFormat(const char* format, Options o = test::PlainOptions()) {
  o.format = format;
  return o;
}

TEST(ResultFormat, AnyOtherValueIsJpeg) {
  EXPECT_EQ(Options().format, "jpeg");
  EXPECT_EQ(FixedSettings().Format(), OutputFormat::kJpeg);
  const auto stored = [](const std::string& value) {
    return FixedSettings(ParseSettings("[option]\nformat=" + value + "\n")).Format();
  };
  EXPECT_EQ(stored("webp"), OutputFormat::kWebp);
  EXPECT_EQ(stored("AVIF"), OutputFormat::kAvif);  // letter case aside, as every choice
  EXPECT_EQ(stored("jxl"), OutputFormat::kJxl);
  for (const char* other : {"jpeg", "", "png", "webp2", "1"}) {
    EXPECT_EQ(stored(other), OutputFormat::kJpeg) << other;
  }
  // The key is written after keepinfo, followed by raw.
  Options o;
  o.format = "webp";
  const std::string text = FormatSettings(o);
  EXPECT_NE(text.find("keepinfo=0\nformat=webp\nraw=preview\nkeepdate=0\n"), std::string::npos)
      << text;
}

TEST(ResultFormat, NamesCarryTheFormatAndTheLinkStaysName) {
  test::FixedClock clock;
  for (const char* format : {"webp", "avif", "jxl"}) {
    SCOPED_TRACE(format);
    const std::string ext = std::string(".") + format;
    FixedSettings s(WithFormat(format));
    s.Values().subFolder = false;
    OutputTarget t = ChooseOutput(s, clock, "/Pics/cat.jpg");
    EXPECT_EQ(t.jpegPath, "/Pics/s-cat" + ext);
    EXPECT_EQ(t.htmlLine, "<a href=\"cat.jpg\"><img src=\"s-cat" + ext + "\" border=\"0\"></a>");
    s.Values().textPosition = 1;
    t = ChooseOutput(s, clock, "/Pics/cat.jpg");
    EXPECT_EQ(t.jpegPath, "/Pics/cats-" + ext);
    EXPECT_EQ(t.htmlLine, "<a href=\"cat.jpg\"><img src=\"cats-" + ext + "\" border=\"0\"></a>");
    s.Values().subFolder = true;
    t = ChooseOutput(s, clock, "/Pics/cat.jpg");
    EXPECT_EQ(t.jpegPath, "/Pics/Resized/cat" + ext);
    EXPECT_EQ(t.htmlLine, "<a href=\"../cat.jpg\"><img src=\"cat" + ext + "\" border=\"0\"></a>");
    EXPECT_EQ(t.indexPath, "/Pics/Resized/20240309.html");
  }
}

TEST(ResultFormat, ThePipelineWritesTheEncodersBytesAndTheLine) {
  test::TempFolder dir;
  const WorkBitmap photo = test::MakePhotoLike(40, 30, 3);
  WriteBmp(dir / "x.bmp", photo);
  test::FixedClock clock;

  WorkBitmap bitmap;
  FixedSettings webp(WithFormat("webp"));
  webp.Values().webpQuality = 70;  // each format reads its own quality
  webp.Values().quality = 30;
  EXPECT_EQ(FilePipeline(webp, clock).ProcessFile(dir / "x.bmp", bitmap), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir / "Resized/x.webp"), EncodeWebp(photo, 70, false));
  FixedSettings jxl(WithFormat("jxl"));
  jxl.Values().quality = 30;  // JPEG's: JPEG XL has its own, 75 unless set
  EXPECT_EQ(FilePipeline(jxl, clock).ProcessFile(dir / "x.bmp", bitmap), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir / "Resized/x.jxl"), EncodeJxl(photo, 75, false));

  FixedSettings avif(WithFormat("avif"));
  avif.Values().subFolder = false;
  avif.Values().html = true;
  avif.Values().grayscale = true;
  avif.Values().progressive = true;  // JPEG only: no effect here
  EXPECT_EQ(FilePipeline(avif, clock).ProcessFile(dir / "x.bmp", bitmap), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir / "s-x.avif"), EncodeAvif(photo, 60, true));  // AVIF's default
  EXPECT_EQ(test::Text(ReadFile(dir / "20240309.html")),
            "<a href=\"x.jpg\"><img src=\"s-x.avif\" border=\"0\"></a>\r\n");
  EXPECT_FALSE(fs::exists(dir / "s-x.jpg"));
}

TEST(ResultFormat, TargetSizeIsTheBisectionInMemory) {
  const WorkBitmap photo = test::MakePhotoLike(96, 64, 7);
  for (const char* format : {"webp", "avif", "jxl"}) {
    SCOPED_TRACE(format);
    Options o = WithFormat(format);
    o.fixedQuality = false;
    o.targetSize = 1;
    o.grayscale = true;
    const EncodeAtQuality encode = [&](int q) {
      if (format == std::string("jxl")) return EncodeJxl(photo, q, true);
      return format == std::string("webp") ? EncodeWebp(photo, q, true)
                                           : EncodeAvif(photo, q, true);
    };
    TargetSizeStats stats;
    const Bytes bytes = EncodeResult(FixedSettings(o), photo, SourceInfo{}, nullptr, &stats);
    const QualityResult expected = BisectTargetSize(encode, 1024);
    EXPECT_EQ(bytes, expected.bytes);
    EXPECT_LE(stats.encodes, 8);
    // It fits, and the quality above it was tried and did not.
    EXPECT_LE(bytes.size(), 1024u);
    ASSERT_GT(expected.quality, 1);
    ASSERT_LT(expected.quality, 100);
    EXPECT_GT(encode(expected.quality + 1).size(), 1024u);
  }

  // Nothing fits a target this far off: quality 1, larger than the target.
  Options o = WithFormat("webp");
  o.fixedQuality = false;
  o.targetSize = 1;
  const WorkBitmap noise = test::MakeNoise(160, 120, 2);
  TargetSizeStats stats;
  const Bytes webp = EncodeResult(FixedSettings(o), noise, SourceInfo{}, nullptr, &stats);
  EXPECT_EQ(webp, EncodeWebp(noise, 1, false));
  EXPECT_GT(webp.size(), 1024u);
  EXPECT_EQ(stats.encodes, 7);

  // JPEG keeps its own search: the same bytes as before the formats existed.
  o.format = "jpeg";
  o.targetSize = 2;
  FixedSettings jpeg(o);
  EXPECT_EQ(EncodeResult(jpeg, photo, SourceInfo{}), EncodeResult(jpeg, photo));
}

TEST(ResultFormat, KeptProfileAndExifGoWithTheFileOnlyWhenAsked) {
  const WorkBitmap photo = test::MakePhotoLike(24, 16, 1);
  SourceInfo source;
  source.icc = test::MakeProfile(600);
  source.exif = test::CameraBlock(EXIF_BYTE_ORDER_MOTOROLA).Tiff();
  Options o = WithFormat("webp");
  o.keepIcc = false;
  EXPECT_EQ(EncodeResult(FixedSettings(o), photo, source), EncodeWebp(photo, 80, false));

  o.keepIcc = true;
  o.keepInfo = true;
  const ResultMetadata kept = OutputMetadata(FixedSettings(o), source);
  EXPECT_EQ(kept.icc, source.icc);
  const Bytes segment = SharedExifSegment(source.exif.data(), source.exif.size());
  EXPECT_EQ(kept.exif, Bytes(segment.begin() + 6, segment.end()));
  const Bytes file = EncodeResult(FixedSettings(o), photo, source);
  SourceInfo back;
  WorkBitmap decoded;
  DecodeWebp(file.data(), file.size(), decoded, &back);
  EXPECT_EQ(back.icc, source.icc);
  EXPECT_EQ(back.exif, kept.exif);

  // A gray result has no use for the RGB profile, as in JPEG.
  o.grayscale = true;
  EXPECT_TRUE(OutputMetadata(FixedSettings(o), source).icc.empty());
  EXPECT_FALSE(OutputMetadata(FixedSettings(o), source).exif.empty());
}

TEST(ResultFormat, AWebpSourceIsNeverReplacedByItsResult) {
  test::TempFolder dir;
  const WorkBitmap photo = test::MakePhotoLike(30, 20, 4);
  const Bytes source = EncodeWebp(photo, 70, false);
  test::WriteFile(dir / "x.webp", source);
  test::FixedClock clock;
  WorkBitmap bitmap;

  // Sub-folder ".": mended to "Resized".
  FixedSettings here(WithFormat("webp"));
  here.Values().folderName = ".";
  EXPECT_EQ(FilePipeline(here, clock).ProcessFile(dir / "x.webp", bitmap), FileResult::kWritten);
  EXPECT_TRUE(fs::exists(dir / "Resized/x.webp"));
  EXPECT_EQ(ReadFile(dir / "x.webp"), source);

  // The added-text name is the source itself, through a hard link.
  fs::create_hard_link(dir / "x.webp", dir / "s-x.webp");
  FixedSettings added(WithFormat("webp"));
  added.Values().subFolder = false;
  EXPECT_EQ(FilePipeline(added, clock).ProcessFile(dir / "x.webp", bitmap),
            FileResult::kCannotWrite);
  EXPECT_EQ(ReadFile(dir / "x.webp"), source);
}

TEST(ResultFormat, TheFolderWalkLeavesOutResultsOfEveryFormat) {
  test::TempFolder dir;
  WriteBmp(dir / "x.bmp", test::MakePhotoLike(8, 8, 1));
  const Bytes small = EncodeWebp(test::MakePhotoLike(8, 8, 2), 50, false);
  for (const char* name : {"s-x.webp", "s-x.avif", "s-x.jxl", "y.webp"})
    test::WriteFile(dir / name, small);
  test::WriteFile(dir / "s-x.jpg", test::JpegOf(test::MakePhotoLike(8, 8, 3), 50));
  for (const char* format : {"jpeg", "webp", "avif", "jxl"}) {
    Options o = WithFormat(format);
    o.folders = true;
    o.subFolder = false;
    const std::vector<std::string> found = ExpandFolderPaths({dir.Path()}, FixedSettings(o));
    EXPECT_EQ(found, (std::vector<std::string>{dir / "x.bmp", dir / "y.webp"})) << format;
  }
}

TEST(ResultFormat, SharedOutputsAreReportedAndWaitedFor) {
  for (int jobs : {1, 2}) {
    SCOPED_TRACE(jobs);
    test::TempFolder dir;
    WriteBmp(dir / "a.bmp", test::MakePhotoLike(20, 16, 1));
    const WorkBitmap later = test::MakePhotoLike(16, 20, 2);
    test::WriteFile(dir / "a.webp", EncodeWebp(later, 90, false));
    Options o = WithFormat("webp");
    o.subFolder = false;
    FixedSettings s(o);
    test::FixedClock clock;
    std::vector<CommittedFile> reports;
    const std::vector<std::string> paths = {dir / "a.bmp", dir / "a.webp", dir / "s-a.webp"};
    EXPECT_EQ(CommitBarriers(paths, o, clock), (std::vector<std::size_t>{0, 0, 2}));
    RunBatch(paths, s, clock, jobs, nullptr, [&](const CommittedFile& c) { reports.push_back(c); });
    ASSERT_EQ(reports.size(), 3u);
    for (const CommittedFile& c : reports)
      EXPECT_EQ(c.result, FileResult::kWritten) << c.index << " " << c.detail;
    EXPECT_EQ(reports[1].replaced, std::optional<std::size_t>(0));
    // The third source is the second's result, read after it was written.
    const auto resultOf = [](const Bytes& webp) {
      WorkBitmap decoded;
      DecodeWebp(webp.data(), webp.size(), decoded);
      return EncodeWebp(decoded, 80, false);
    };
    const Bytes second = resultOf(EncodeWebp(later, 90, false));
    EXPECT_EQ(ReadFile(dir / "s-s-a.webp"), resultOf(second));
  }
}

TEST(ResultFormat, TheCommandLineFlagChoosesItForTheRun) {
  test::TempFolder dir;
  const WorkBitmap photo = test::MakePhotoLike(30, 20, 5);
  WriteBmp(dir / "a.bmp", photo);
  std::ostringstream out, err;
  EXPECT_EQ(RunCommandLine({"-f", "webp", "--no-sharpen", "-q", "70", "-v", "a.bmp"},
                           dir / "brevine", out, err, dir.Path()),
            0)
      << err.str();
  EXPECT_EQ(ReadFile(dir / "Resized/a.webp"), EncodeWebp(photo, 70, false));
  EXPECT_NE(out.str().find("a.webp"), std::string::npos) << out.str();
  EXPECT_FALSE(fs::exists(dir / "brevine.ini"));  // never stored

  err.str("");
  EXPECT_EQ(RunCommandLine({"--format=gif", "a.bmp"}, dir / "brevine", out, err, dir.Path()), 2);
  EXPECT_NE(err.str().find("--format: 'gif' is not one of jpeg, webp, avif, jxl"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(dir / "Resized/a.jpg"));
}

}  // namespace
}  // namespace brevine
