#include "command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

// Sources with one output name: the last one's picture stays, and each one that replaced
// a result of this run says whose, on any number of workers.
TEST_F(CommandLine, ALaterSourceOfOneOutputNameSaysWhoseResultItReplaced) {
  test::WriteFile(dir_ / "pics/a.jpg", test::JpegOf(test::MakePhotoLike(30, 30, 3), 90));
  test::WriteFile(dir_ / "pics/c.bmp", {'B', 'M', 0});
  test::WriteFile(dir_ / "pics/c.jpg", test::JpegOf(test::MakePhotoLike(20, 30, 4), 90));
  ASSERT_EQ(::symlink("pics", (dir_ / "link").c_str()), 0);
  const std::vector<std::string> args = {"pics/a.bmp", "pics/a.jpg", "link/a.bmp",
                                         "pics/c.bmp", "pics/c.jpg", "pics/b.bmp"};
  std::string firstRun;
  for (const char* jobs : {"1", "3"}) {
    ::setenv("BREVINE_JOBS", jobs, 1);
    std::filesystem::remove_all(dir_ / "pics/Resized");
    EXPECT_EQ(Run(args), 1) << jobs;  // c.bmp fails; a replaced result is no failure
    ::unsetenv("BREVINE_JOBS");
    EXPECT_EQ(err_.str(),
              "brevine: pics/a.jpg: replaces the result of pics/a.bmp\n"
              "brevine: link/a.bmp: replaces the result of pics/a.jpg\n"
              "brevine: pics/c.bmp: cannot decode (BMP: truncated file header)\n")
        << jobs;
    const auto left = ReadFile(dir_ / "pics/Resized/a.jpg");
    if (firstRun.empty()) firstRun = test::Text(left);
    EXPECT_EQ(test::Text(left), firstRun) << jobs;
  }
  // A result from an earlier run is replaced without a word, as any existing file is.
  EXPECT_EQ(Run({"pics/b.bmp"}), 0);
  EXPECT_EQ(err_.str(), "");
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
