#include "pipeline.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "fixed_clock.h"
#include "imaging.h"
#include "output_stage.h"
#include "pipeline_support.h"
#include "test_webp.h"

namespace brevine {
namespace {

using test::JpegOf;
using test::Listing;
using test::ReadFile;
using test::Text;
using test::WriteBmp;

// ---- Pieces that need no codec ------------------------------------------------------

TEST(PipelineNames, ExtensionTestAndDestinationBase) {
  for (const char* ok : {"/p/a.jpg", "/p/HOLIDAY.JPG", "/p/b.JpEg", "/p/c.gif", "/p/d.PNG",
                         "/p/e.bmp", "/p.d/x.y.bmp", "/p/f.WebP"})
    EXPECT_TRUE(HasImageExtension(ok)) << ok;
  for (const char* no :
       {"/p/scan.psd", "/p/readme", "/p.jpg/readme", "/p/a.jpg.txt", "/sc", "/p/a.jpg/", "/p/a."})
    EXPECT_FALSE(HasImageExtension(no)) << no;
  EXPECT_EQ(DestinationBase("/Pics/HOLIDAY.JPG"), "/Pics/HOLIDAY.jpg");
  EXPECT_EQ(DestinationBase("/Pics/photo.jpeg"), "/Pics/photo.jpg");
  EXPECT_EQ(DestinationBase("/Pics/logo.gif"), "/Pics/logo.jpg");
  EXPECT_EQ(DestinationBase("/Pi.cs/a.b.png"), "/Pi.cs/a.b.jpg");
}

// The kinds' texts are the command line's English; the window translates the kinds itself.
TEST(PipelineNames, EveryKindHasAnEnglishTextAndAKnownCount) {
  std::set<std::string> texts;
  for (int k = 0; k <= static_cast<int>(FileResult::kSkipped); ++k) {
    const auto kind = static_cast<FileResult>(k);
    const std::string text = Describe(kind);
    EXPECT_TRUE(texts.insert(text).second) << text;
    EXPECT_NE(text, "failed");
    for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << text;
    EXPECT_EQ(IsFailure(kind), kind != FileResult::kWritten && kind != FileResult::kKept &&
                                   kind != FileResult::kSkipped)
        << text;
  }
  EXPECT_TRUE(WroteResult(FileResult::kIndexNotWritten));
  EXPECT_TRUE(IsFailure(FileResult::kIndexNotWritten));
  EXPECT_FALSE(WroteResult(FileResult::kSkipped));
}

TEST(PipelineNames, BoxTable) {
  FixedSettings s;
  const int sizes[] = {1280, 1024, 800, 640, 400, 320, 160};
  for (int i = 0; i < 7; ++i) {
    s.Values().boxPreset = i;
    EXPECT_EQ(SelectedBox(s).width, sizes[i]);
    EXPECT_EQ(SelectedBox(s).height, sizes[i]);
  }
  s.Values().boxPreset = 7;
  s.Values().boxWidth = 640;
  s.Values().boxHeight = 480;
  EXPECT_EQ(SelectedBox(s).width, 640);
  EXPECT_EQ(SelectedBox(s).height, 480);
  s.Values().boxHeight = -5;
  EXPECT_EQ(SelectedBox(s).height, -5);  // passed on as it stands
  EXPECT_EQ(s.FitBox(), (Box{640, -5}));
  s.Values().boxPreset = -1;
  EXPECT_EQ(s.FitBox(), std::nullopt);
  EXPECT_EQ(SelectedBox(s).width, 40000);
  EXPECT_EQ(SelectedBox(s).height, 40000);
}

TEST(OutputNames, BothModesAndTheirIndexLines) {
  test::FixedClock clock;  // 2024-03-09
  FixedSettings s;
  s.Values().subFolder = false;
  s.Values().addedText = "s-";
  OutputTarget t = ChooseOutput(s, clock, "/Pics/cat.jpg");
  EXPECT_EQ(t.jpegPath, "/Pics/s-cat.jpg");
  EXPECT_EQ(t.indexPath, "/Pics/20240309.html");
  EXPECT_EQ(t.htmlLine, "<a href=\"cat.jpg\"><img src=\"s-cat.jpg\" border=\"0\"></a>");
  s.Values().textPosition = 1;
  t = ChooseOutput(s, clock, "/Pics/cat.jpg");
  EXPECT_EQ(t.jpegPath, "/Pics/cats-.jpg");
  EXPECT_EQ(t.htmlLine, "<a href=\"cat.jpg\"><img src=\"cats-.jpg\" border=\"0\"></a>");
  s.Values().textPosition = -1;
  EXPECT_FALSE(ChooseOutput(s, clock, "/Pics/cat.jpg").valid);
  s.Values().addedText = "";
  s.Values().textPosition = 0;
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/cat.jpg").jpegPath, "/Pics/s-cat.jpg");
  EXPECT_EQ(s.Values().addedText, "s-");

  s.Values().subFolder = true;
  s.Values().folderName = "Resize";
  t = ChooseOutput(s, clock, "/Pics/cat.jpg");
  EXPECT_EQ(t.subFolderPath, "/Pics/Resize");
  EXPECT_EQ(t.jpegPath, "/Pics/Resize/cat.jpg");
  EXPECT_EQ(t.indexPath, "/Pics/Resize/20240309.html");
  EXPECT_EQ(t.htmlLine, "<a href=\"../cat.jpg\"><img src=\"cat.jpg\" border=\"0\"></a>");
  s.Values().folderName = "";
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/cat.jpg").jpegPath, "/Pics/Resized/cat.jpg");
  EXPECT_EQ(s.Values().folderName, "Resized");
}

TEST(OutputNames, IndexLinesEscapeWhatWouldBreakThem) {
  test::FixedClock clock;
  FixedSettings s;
  // Quotes and angle brackets would end the attribute or open a tag; "%", "#" and "?"
  // would send the link elsewhere.
  const std::string base = "/Pics/\"a\"<b>&c%d#e?f \xE7\xBC\xA9";
  const std::string name = "&quot;a&quot;&lt;b&gt;&amp;c%25d%23e%3Ff \xE7\xBC\xA9";
  OutputTarget t = ChooseOutput(s, clock, base + ".jpg");
  EXPECT_EQ(t.jpegPath, "/Pics/Resized/\"a\"<b>&c%d#e?f \xE7\xBC\xA9.jpg");
  EXPECT_EQ(t.htmlLine,
            "<a href=\"../" + name + ".jpg\"><img src=\"" + name + ".jpg\" border=\"0\"></a>");
  s.Values().subFolder = false;
  s.Values().addedText = "<&>";
  t = ChooseOutput(s, clock, base + ".jpg");
  EXPECT_EQ(t.htmlLine, "<a href=\"" + name + ".jpg\"><img src=\"&lt;&amp;&gt;" + name +
                            ".jpg\" border=\"0\"></a>");
  s.Values().textPosition = 1;
  t = ChooseOutput(s, clock, base + ".jpg");
  EXPECT_EQ(t.htmlLine, "<a href=\"" + name + ".jpg\"><img src=\"" + name +
                            "&lt;&amp;&gt;.jpg\" border=\"0\"></a>");
  // The characters the escapes are made of, when they stand alone in a name, are escaped
  // once, not twice over.
  s.Values().addedText = "s-";
  t = ChooseOutput(s, clock, "/Pics/%23&amp;.jpg");
  EXPECT_EQ(t.htmlLine,
            "<a href=\"%2523&amp;amp;.jpg\"><img src=\"%2523&amp;amp;s-.jpg\" border=\"0\"></a>");
}

// A name cannot make the index run script or break its lines.
TEST(OutputNames, IndexLinesNeverReadAsAUrlSchemeNorSplit) {
  test::FixedClock clock;
  FixedSettings s;
  s.Values().subFolder = false;
  s.Values().addedText = "s-";
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/javascript:alert(1).jpg").htmlLine,
            "<a href=\"./javascript:alert(1).jpg\"><img src=\"./s-javascript:alert(1).jpg\" "
            "border=\"0\"></a>");
  s.Values().textPosition = 1;
  s.Values().addedText = "x:";
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/a\nb\rc\td\\e.jpg").htmlLine,
            "<a href=\"a%0Ab%0Dc%09d%5Ce.jpg\"><img src=\"./a%0Ab%0Dc%09d%5Cex:.jpg\" "
            "border=\"0\"></a>");
  // Below a folder, or behind "../", a colon is part of a file name.
  s.Values().addedText = "-/y:";
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/a.jpg").htmlLine,
            "<a href=\"a.jpg\"><img src=\"a-/y:.jpg\" border=\"0\"></a>");
  s.Values().subFolder = true;
  EXPECT_EQ(ChooseOutput(s, clock, "/Pics/mailto:x.jpg").htmlLine,
            "<a href=\"../mailto:x.jpg\"><img src=\"./mailto:x.jpg\" border=\"0\"></a>");
}

TEST(OutputNames, AFolderNameMeaningTheSourcesOwnFolderIsResized) {
  test::TempFolder dir;
  std::filesystem::create_directories(dir / "pics/sub");
  ASSERT_EQ(::symlink(".", (dir / "pics/here").c_str()), 0);
  test::FixedClock clock;
  const std::string source = dir / "pics/X.jpg";
  // Names leading out of the folder (".." or absolute) take the default too.
  for (const char* own :
       {".", "./", "./.", "../pics", ".//", "sub/..", "here", "here/", "/", "..", "../other"}) {
    FixedSettings s;
    s.Values().folderName = own;
    const OutputTarget t = ChooseOutput(s, clock, source);
    EXPECT_EQ(t.jpegPath, dir / "pics/Resized/X.jpg") << own;
    EXPECT_EQ(s.Values().folderName, "Resized") << own;
  }
  for (const char* other : {"sub", "./sub", "pics"}) {
    FixedSettings s;
    s.Values().folderName = other;
    EXPECT_EQ(ChooseOutput(s, clock, source).jpegPath, dir / "pics/" + other + "/X.jpg") << other;
    EXPECT_EQ(s.Values().folderName, other);
  }
}

// ---- End to end ---------------------------------------------------------------------

class PipelineRun : public ::testing::Test {
 protected:
  PipelineRun() : settings_(test::PlainOptions()), picture_(test::MakePhotoLike(64, 48)) {
    WriteBmp(dir_ / "cat.bmp", picture_);
  }
  FileResult Run(const std::string& name) {
    FilePipeline pipeline(settings_, clock_);
    return pipeline.ProcessFile(dir_ / name, bitmap_);
  }
  Options& O() { return settings_.Values(); }

  test::TempFolder dir_;
  test::FixedClock clock_;
  FixedSettings settings_;
  WorkBitmap picture_;
  WorkBitmap bitmap_;
};

TEST_F(PipelineRun, SubFolderModeWithIndexTwice) {
  O().html = true;
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "Resized/cat.jpg"), JpegOf(picture_, 92));
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  const std::string line = "<a href=\"../cat.jpg\"><img src=\"cat.jpg\" border=\"0\"></a>\r\n";
  EXPECT_EQ(Text(ReadFile(dir_ / "Resized/20240309.html")), line + line);
  EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"cat.bmp", "Resized/", "Resized/cat.jpg",
                                                         "Resized/20240309.html"}));
}

TEST_F(PipelineRun, AddTextBeforeAndAfter) {
  O().subFolder = false;
  O().html = true;
  O().addedText = "";  // becomes "s-"
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(O().addedText, "s-");
  EXPECT_EQ(ReadFile(dir_ / "s-cat.jpg"), JpegOf(picture_, 92));
  O().textPosition = 1;
  clock_.Set({2024, 3, 10, 0, 0, 1, 5});  // after midnight: the next day's index
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "cats-.jpg"), JpegOf(picture_, 92));
  EXPECT_EQ(Text(ReadFile(dir_ / "20240309.html")),
            "<a href=\"cat.jpg\"><img src=\"s-cat.jpg\" border=\"0\"></a>\r\n");
  EXPECT_EQ(Text(ReadFile(dir_ / "20240310.html")),
            "<a href=\"cat.jpg\"><img src=\"cats-.jpg\" border=\"0\"></a>\r\n");
}

TEST_F(PipelineRun, NoTextPositionWritesNothing) {
  O().subFolder = false;
  O().html = true;
  O().textPosition = -1;
  EXPECT_EQ(Run("cat.bmp"), FileResult::kCannotWrite);
  EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{"cat.bmp"});
}

TEST_F(PipelineRun, TargetSizeAtBothEnds) {
  O().fixedQuality = false;
  O().targetSize = 50;
  const auto best = JpegOf(picture_, 100);
  ASSERT_LE(best.size(), 50u * 1024);
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "Resized/cat.jpg"), best);

  // Noise never fits in one kilobyte: quality 1, larger than the target.
  const WorkBitmap noise = test::MakeNoise(256, 192, 7);
  WriteBmp(dir_ / "noise.bmp", noise);
  O().targetSize = 1;
  ASSERT_EQ(Run("noise.bmp"), FileResult::kWritten);
  const auto written = ReadFile(dir_ / "Resized/noise.jpg");
  EXPECT_EQ(written, JpegOf(noise, 1));
  EXPECT_GT(written.size(), 1024u);
  // Only the outputs: no temporary file anywhere.
  EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"cat.bmp", "noise.bmp", "Resized/",
                                                         "Resized/cat.jpg", "Resized/noise.jpg"}));
}

TEST_F(PipelineRun, TargetSizeTakesHighestQualityThatFits) {
  O().fixedQuality = false;
  const WorkBitmap noise = test::MakeNoise(128, 96, 3);
  WriteBmp(dir_ / "n.bmp", noise);
  // A target just below the quality-100 size must step down to a smaller quality, and the
  // one above it must be too large.
  const auto q100 = JpegOf(noise, 100);
  const std::size_t kb = q100.size() / 1024;  // floor: q100 does not fit
  ASSERT_GT(kb, 1u);
  O().targetSize = kb;
  ASSERT_EQ(Run("n.bmp"), FileResult::kWritten);
  const auto written = ReadFile(dir_ / "Resized/n.jpg");
  EXPECT_LE(written.size(), kb * 1024);
  int q = 100;
  while (JpegOf(noise, q).size() > kb * 1024) --q;
  EXPECT_EQ(written, JpegOf(noise, q));
  EXPECT_GT(JpegOf(noise, q + 1).size(), kb * 1024);
}

TEST_F(PipelineRun, GrayAndProgressiveInBothStrategies) {
  O().grayscale = true;
  O().progressive = true;
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "Resized/cat.jpg"), JpegOf(picture_, 92, true, true));
  O().fixedQuality = false;
  O().targetSize = 100;
  ASSERT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "Resized/cat.jpg"), JpegOf(picture_, 100, true, true));
}

TEST_F(PipelineRun, StepsRunInOrderWithTheirOptions) {
  const WorkBitmap big = test::MakePhotoLike(300, 200, 5);
  WriteBmp(dir_ / "big.bmp", big);
  O().saturation = true;
  O().sharpen = true;
  O().sharpenStrength = 120;
  O().boxPreset = 7;
  O().boxWidth = 90;
  O().boxHeight = 90;
  ASSERT_EQ(Run("big.bmp"), FileResult::kWritten);
  WorkBitmap expected = big;
  BoostSaturation(expected, expected, 140);
  FitToBox(expected, expected, 90, 90, 1);
  SharpenImage(expected, expected, 120);
  EXPECT_EQ(expected.Width(), 90);
  EXPECT_EQ(expected.Height(), 60);
  EXPECT_EQ(ReadFile(dir_ / "Resized/big.jpg"), JpegOf(expected, 92));
}

TEST_F(PipelineRun, FailuresLeaveNoOutputAndDoNotStopTheNext) {
  std::filesystem::create_directory(dir_ / "album.jpg");
  test::WriteFile(dir_ / "empty.bmp", {});
  test::WriteFile(dir_ / "text.bmp", {'h', 'e', 'l', 'l', 'o', '\n'});
  test::WriteFile(dir_ / "scan.psd", {1, 2, 3});
  test::WriteFile(dir_ / "readme", {1, 2, 3});
  const auto before = Listing(dir_.Path());
  O().html = true;
  EXPECT_EQ(Run("scan.psd"), FileResult::kNotAnImage);
  EXPECT_EQ(Run("readme"), FileResult::kNotAnImage);
  EXPECT_EQ(Run("no-such-name"), FileResult::kNotFound);  // missing says so, whatever its name
  EXPECT_EQ(Run("album.jpg"), FileResult::kCannotRead);
  EXPECT_EQ(Run("missing.bmp"), FileResult::kNotFound);
  EXPECT_EQ(Run("empty.bmp"), FileResult::kCannotDecode);
  EXPECT_EQ(Run("text.bmp"), FileResult::kCannotDecode);
  EXPECT_EQ(Listing(dir_.Path()), before);
  // A box of zero width fails in the reduction.
  O().boxPreset = 7;
  O().boxWidth = 0;
  EXPECT_EQ(Run("cat.bmp"), FileResult::kCannotProcess);
  EXPECT_EQ(Listing(dir_.Path()), before);
  O().boxPreset = 0;
  O().quality = 92;
  EXPECT_EQ(Run("cat.bmp"), FileResult::kWritten);
  EXPECT_EQ(ReadFile(dir_ / "Resized/cat.jpg"), JpegOf(picture_, 92));
}

TEST_F(PipelineRun, NeverWritesThroughALinkToItsSource) {
  std::filesystem::create_directory(dir_ / "Resized");
  ASSERT_EQ(::symlink("../cat.bmp", (dir_ / "Resized/cat.jpg").c_str()), 0);
  const auto source = ReadFile(dir_ / "cat.bmp");
  EXPECT_EQ(Run("cat.bmp"), FileResult::kCannotWrite);
  EXPECT_EQ(ReadFile(dir_ / "cat.bmp"), source);
}

TEST_F(PipelineRun, NeverReplacesItsOwnSourceNorAPhotoBesideIt) {
  const auto source = JpegOf(picture_, 95);
  test::WriteFile(dir_ / "photo.jpg", source);
  test::WriteFile(dir_ / "cat.jpg", source);  // another photo, which cat.bmp would name
  // The source's own folder, by name or through a link, and an empty name all fall back
  // to "Resized".
  ASSERT_EQ(::symlink(".", (dir_ / "same").c_str()), 0);
  for (const char* own : {".", "same", ""}) {
    std::filesystem::remove_all(dir_ / "Resized");
    O().folderName = own;
    EXPECT_EQ(Run("photo.jpg"), FileResult::kWritten) << own;
    EXPECT_EQ(Run("cat.bmp"), FileResult::kWritten) << own;
    EXPECT_EQ(O().folderName, "Resized");
    EXPECT_EQ(ReadFile(dir_ / "photo.jpg"), source) << own;
    EXPECT_EQ(ReadFile(dir_ / "cat.jpg"), source) << own;
    EXPECT_EQ(Listing(dir_ / "Resized"), (std::set<std::string>{"cat.jpg", "photo.jpg"}));
  }
}

TEST_F(PipelineRun, WriteFailuresAreReported) {
  // The sub-folder cannot be made: its parent is missing.
  O().folderName = "no/such";
  O().html = true;
  EXPECT_EQ(Run("cat.bmp"), FileResult::kCannotWrite);
  EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{"cat.bmp"});
  // A folder where the JPEG should go.
  std::filesystem::create_directories(dir_ / "Resized/cat.jpg");
  O().folderName = "Resized";
  EXPECT_EQ(Run("cat.bmp"), FileResult::kCannotWrite);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Resized/20240309.html"));
  // The index cannot be written: the JPEG stays, and the file says its line is missing.
  std::filesystem::remove(dir_ / "Resized/cat.jpg");
  std::filesystem::create_directories(dir_ / "Resized/20240309.html");
  EXPECT_EQ(Run("cat.bmp"), FileResult::kIndexNotWritten);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "Resized/cat.jpg"));
}

// A JPEG whose EXIF note says "turn 90 degrees clockwise to view".
std::vector<std::uint8_t> WithOrientation(std::vector<std::uint8_t> jpeg, std::uint8_t value) {
  const std::vector<std::uint8_t> app1 = {
      0xFF, 0xE1, 0,    34,   'E', 'x', 'i', 'f', 0, 0,                  // marker, length, name
      'I',  'I',  42,   0,    8,   0,   0,   0,                          // TIFF header, IFD0 at 8
      1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, value, 0, 0, 0,  // one entry: Orientation
      0,    0,    0,    0};                                              // no next IFD
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

TEST_F(PipelineRun, TurnsExifRotatedPhotosUprightWhenAsked) {
  test::WriteFile(dir_ / "side.jpg", WithOrientation(JpegOf(test::MakePhotoLike(60, 20), 95), 6));
  // A WebP's EXIF chunk says the same as a JPEG's segment.
  const std::vector<std::uint8_t> head = WithOrientation({0xFF, 0xD8}, 6);
  const std::vector<std::uint8_t> tiff(head.begin() + 12, head.end());
  test::WriteFile(
      dir_ / "side.webp",
      test::WithWebpChunks(test::EncodeWebp(test::MakePhotoLike(60, 20), true), {}, tiff));
  PipelineHooks hooks;
  int width = 0, height = 0;
  hooks.preview = [&](const WorkBitmap& b) {
    width = b.Width();
    height = b.Height();
  };
  FilePipeline pipeline(settings_, clock_, hooks);
  for (const char* name : {"side.jpg", "side.webp"}) {
    SCOPED_TRACE(name);
    O().autoRotate = true;
    EXPECT_EQ(pipeline.ProcessFile(dir_ / name, bitmap_), FileResult::kWritten);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 60);
    O().autoRotate = false;
    EXPECT_EQ(pipeline.ProcessFile(dir_ / name, bitmap_), FileResult::kWritten);
    EXPECT_EQ(width, 60);
    EXPECT_EQ(height, 20);
  }
}

TEST_F(PipelineRun, WildcardTakesFirstMatch) {
  WriteBmp(dir_ / "b.bmp", test::MakeSolid(8, 8, 1, 2, 3));
  WriteBmp(dir_ / "a.bmp", test::MakeSolid(8, 8, 1, 2, 3));
  EXPECT_EQ(Run("*.bmp"), FileResult::kWritten);
  EXPECT_EQ(Listing(dir_.Path() + "/Resized"), std::set<std::string>{"a.jpg"});
}

TEST_F(PipelineRun, PrepareWritesNothingCommitWritesAll) {
  O().html = true;
  PipelineHooks hooks;
  int previews = 0, done = 0;
  StageTimes times;
  hooks.preview = [&](const WorkBitmap& b) {
    ++previews;
    EXPECT_TRUE(test::SameBitmap(picture_, b));
  };
  hooks.previewDone = [&] { ++done; };
  hooks.times = &times;
  FilePipeline pipeline(settings_, clock_, hooks);
  PreparedFile p = pipeline.Prepare(dir_ / "cat.bmp", bitmap_);
  EXPECT_EQ(p.result, FileResult::kWritten);
  EXPECT_EQ(p.destinationBase, dir_ / "cat.jpg");
  EXPECT_EQ(p.jpeg, JpegOf(picture_, 92));
  EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{"cat.bmp"});
  EXPECT_EQ(done, 0);
  EXPECT_EQ(pipeline.Commit(p), FileResult::kWritten);
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(times.files, 1);
  EXPECT_GT(times.load, 0.0);
  EXPECT_GT(times.encoding, 0.0);
  EXPECT_GT(times.writing, 0.0);
  EXPECT_EQ(Listing(dir_.Path()).size(), 4u);
}

}  // namespace
}  // namespace brevine
