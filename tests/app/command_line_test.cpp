#include "command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fixed_clock.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

using test::Listing;
using test::ReadFile;
using test::WriteBmp;

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() {
    std::filesystem::create_directory(dir_ / "pics");
    WriteBmp(dir_ / "pics/a.bmp", test::MakePhotoLike(40, 30, 1));
    WriteBmp(dir_ / "pics/b.bmp", test::MakePhotoLike(30, 40, 2));
  }
  int Run(const std::vector<std::string>& args) {
    err_.str("");
    return RunCommandLine(args, dir_ / "brevine", err_, dir_.Path());
  }

  test::TempFolder dir_;
  std::ostringstream err_;
};

TEST_F(CommandLine, RelativePathsWithTheSettingsFileOptions) {
  Options o;
  o.subFolder = false;
  o.textPosition = 1;
  o.addedText = "_t";
  o.sharpen = false;
  const std::string ini = FormatSettings(o) + "; kept as it is\n";
  test::WriteFile(dir_ / "brevine.ini", {ini.begin(), ini.end()});

  EXPECT_EQ(Run({"pics/a.bmp", "./pics/../pics/b.bmp"}), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(test::Text(ReadFile(dir_ / "brevine.ini")), ini);
  EXPECT_EQ(Listing(dir_.Path() + "/pics"),
            (std::set<std::string>{"a.bmp", "b.bmp", "a_t.jpg", "b_t.jpg"}));

  // The same options given in code give the same bytes.
  test::TempFolder other;
  WriteBmp(other / "a.bmp", test::MakePhotoLike(40, 30, 1));
  FixedSettings fixed(o);
  test::FixedClock clock;
  RunPaths({other / "a.bmp"}, fixed, clock);
  EXPECT_EQ(ReadFile(other / "a_t.jpg"), ReadFile(dir_ / "pics/a_t.jpg"));
}

TEST_F(CommandLine, MissingSettingsFileUsesDefaultsAndStoresNothing) {
  EXPECT_EQ(Run({dir_ / "pics/a.bmp"}), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/Resized/a.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "brevine.ini"));
}

TEST_F(CommandLine, AFolderNamedDotLeavesThePhotoBesideTheSourceAlone) {
  Options o;
  o.folderName = ".";
  const std::string ini = FormatSettings(o);
  test::WriteFile(dir_ / "brevine.ini", {ini.begin(), ini.end()});
  const auto other = test::JpegOf(test::MakePhotoLike(20, 20, 9), 80);
  test::WriteFile(dir_ / "pics/a.jpg", other);
  EXPECT_EQ(Run({"pics/a.bmp"}), 0);
  EXPECT_EQ(ReadFile(dir_ / "pics/a.jpg"), other);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/Resized/a.jpg"));
  EXPECT_EQ(test::Text(ReadFile(dir_ / "brevine.ini")), ini);
}

TEST_F(CommandLine, OneLinePerFailedArgumentAndExitStatus) {
  test::WriteFile(dir_ / "pics/bad.bmp", {'B', 'M', 0});
  EXPECT_EQ(Run({"/sc", "pics/missing.bmp", "pics/a.bmp", "notes.txt", "pics/bad.bmp", "/sc"}), 1);
  EXPECT_EQ(err_.str(),
            "brevine: pics/missing.bmp: cannot read\n"
            "brevine: notes.txt: not an image type\n"
            "brevine: pics/bad.bmp: cannot decode (BMP: truncated file header)\n"
            "brevine: /sc: not an image type\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/Resized/a.jpg"));

  EXPECT_EQ(Run({"/sc", "pics/b.bmp"}), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(Run({"/SC"}), 1);
  EXPECT_EQ(err_.str(), "brevine: /SC: not an image type\n");
}

TEST_F(CommandLine, ResultsComeBackInArgumentOrder) {
  FixedSettings s(test::PlainOptions());
  test::FixedClock clock;
  StageTimes times;
  const auto r =
      RunPaths({dir_ / "pics/a.bmp", dir_ / "nothing.png", dir_ / "pics/b.bmp"}, s, clock, &times);
  EXPECT_EQ(r, (std::vector<FileResult>{FileResult::kWritten, FileResult::kCannotRead,
                                        FileResult::kWritten}));
  EXPECT_EQ(times.files, 2);
}

}  // namespace
}  // namespace brevine
