#include "command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "brevine_version.h"
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
            "brevine: pics/missing.bmp: no such file\n"
            "brevine: notes.txt: no such file\n"
            "brevine: pics/bad.bmp: cannot decode: BMP: truncated file header\n"
            "brevine: /sc: no such file\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/Resized/a.jpg"));

  EXPECT_EQ(Run({"/sc", "pics/b.bmp"}), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(Run({"/SC"}), 1);
  EXPECT_EQ(err_.str(), "brevine: /SC: no such file\n");
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
              "brevine: pics/c.bmp: cannot decode: BMP: truncated file header\n")
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
  EXPECT_EQ(r, (std::vector<FileResult>{FileResult::kWritten, FileResult::kNotFound,
                                        FileResult::kWritten}));
  EXPECT_EQ(times.files, 2);
}

// ---- Flags -----------------------------------------------------------------------------

class Flags : public CommandLine {
 protected:
  int RunOut(const std::vector<std::string>& args, bool progress = false) {
    err_.str("");
    out_.str("");
    return RunCommandLine(args, dir_ / "brevine", out_, err_, dir_.Path(), progress);
  }
  std::ostringstream out_;
};

TEST_F(Flags, SetOptionsForTheRunOverTheSettingsFileAndAreNeverStored) {
  Options stored;
  stored.quality = 30;
  stored.grayscale = true;
  const std::string ini = FormatSettings(stored);
  test::WriteFile(dir_ / "brevine.ini", {ini.begin(), ini.end()});
  EXPECT_EQ(
      RunOut({"-q", "75", "--no-gray", "--suffix=_s", "-s", "20x10", "--no-sharpen", "pics/a.bmp"}),
      0);
  EXPECT_EQ(test::Text(ReadFile(dir_ / "brevine.ini")), ini);

  // The same bytes as those options given in code.
  Options expected = stored;
  expected.quality = 75;
  expected.grayscale = false;
  expected.subFolder = false;
  expected.textPosition = 1;
  expected.addedText = "_s";
  expected.boxPreset = 7;
  expected.boxWidth = 20;
  expected.boxHeight = 10;
  expected.sharpen = false;
  test::TempFolder other;
  WriteBmp(other / "a.bmp", test::MakePhotoLike(40, 30, 1));
  FixedSettings fixed(expected);
  test::FixedClock clock;
  RunPaths({other / "a.bmp"}, fixed, clock);
  EXPECT_EQ(ReadFile(other / "a_s.jpg"), ReadFile(dir_ / "pics/a_s.jpg"));

  // Flags apply in their order; the settings named by --settings stand in for the file.
  test::WriteFile(dir_ / "other.ini", {'[', 'o', 'p', 't', 'i', 'o', 'n', ']', '\n', 'j', 'p', 'e',
                                       'g', '=', '0', '\n'});
  const Arguments a = ParseArguments({"-t", "20", "--quality=60", "--sharpen", "x"});
  const Options applied = ApplyFlags(a, Options{});
  EXPECT_TRUE(applied.fixedQuality);
  EXPECT_EQ(applied.quality, 60);
  EXPECT_EQ(applied.targetSize, 20);
  EXPECT_TRUE(applied.sharpen);
  EXPECT_EQ(applied.sharpenStrength, 80);
  EXPECT_EQ(ApplyFlags(ParseArguments({"--no-sharpen", "--sharpen=5"}), {}).sharpenStrength, 5);
  // -q is the quality of whichever format the run writes, before or after -f; a stored
  // quality of another format is left to that format.
  Options webpAt33;
  webpAt33.webpQuality = 33;
  for (const auto& args : {std::vector<std::string>{"-q", "45", "-f", "avif"},
                           std::vector<std::string>{"-f", "webp", "-q", "45"},
                           std::vector<std::string>{"-f", "jxl", "-q", "45"},
                           std::vector<std::string>{"--quality=45"}}) {
    const Options o = ApplyFlags(ParseArguments(args), webpAt33);
    EXPECT_EQ(o.FormatQuality(), 45) << args.front();
    EXPECT_TRUE(o.fixedQuality);
  }
  EXPECT_EQ(ApplyFlags(ParseArguments({"-f", "webp"}), webpAt33).FormatQuality(), 33);
  EXPECT_EQ(ApplyFlags(ParseArguments({"-f", "avif"}), webpAt33).FormatQuality(), 60);
  EXPECT_EQ(ApplyFlags(ParseArguments({"-f", "jxl"}), webpAt33).FormatQuality(), 75);
  const Options jxlAt45 = ApplyFlags(ParseArguments({"-q", "45", "-f", "jxl"}), webpAt33);
  EXPECT_EQ(jxlAt45.jxlQuality, 45);
  EXPECT_EQ(jxlAt45.quality, 45);  // every format's quality takes N
  EXPECT_EQ(RunOut({"--settings", "other.ini", "--folder=out", "pics/b.bmp"}), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/out/b.jpg"));
}

TEST_F(Flags, UsageErrorsReadAndWriteNothing) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--bogus", "pics/a.bmp"}, "--bogus: unknown option"},
      {{"pics/a.bmp", "-x"}, "-x: unknown option"},
      {{"-q"}, "-q: needs a value"},
      {{"pics/a.bmp", "--quality"}, "--quality: needs a value"},
      {{"-q", "0", "pics/a.bmp"}, "-q: 0 is out of range 1..100"},
      {{"--quality=101", "pics/a.bmp"}, "--quality: 101 is out of range 1..100"},
      {{"-q", "high", "pics/a.bmp"}, "-q: 'high' is not an integer"},
      {{"--size=0", "pics/a.bmp"}, "--size: a size of 0 is out of range"},
      {{"-s", "10x", "pics/a.bmp"}, "-s: '10x' is not WxH, N or none"},
      {{"--target-size=-5", "pics/a.bmp"}, "--target-size: -5 is less than 1"},
      {{"--html=1", "pics/a.bmp"}, "--html: takes no value"},
      {{"--sharpen=151", "pics/a.bmp"}, "--sharpen: 151 is out of range 0..150"},
      {{"-j", "0", "pics/a.bmp"}, "-j: '0' is not a count of 1..1024"},
      {{"-j", "100000", "pics/a.bmp"}, "-j: '100000' is not a count of 1..1024"},
      {{"--jobs=+3", "pics/a.bmp"}, "--jobs: '+3' is not a count of 1..1024"},
      {{"--settings=none.ini", "pics/a.bmp"}, "--settings: cannot read none.ini"},
      {{"/sc", "--nope"}, "--nope: unknown option"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(RunOut(args), 2) << message;
    EXPECT_EQ(err_.str(), "brevine: " + message + "\nTry 'brevine --help' for more information.\n");
    EXPECT_EQ(out_.str(), "");
  }
  EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"pics/", "pics/a.bmp", "pics/b.bmp"}));
}

// Only a regular file of at most 1 MB is read as settings, and never with a wait.
TEST_F(Flags, SettingsComeOnlyFromASmallRegularFile) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.ini").c_str(), 0600), 0);
  test::WriteFile(dir_ / "big.ini", std::vector<std::uint8_t>((1 << 20) + 1, '\n'));
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/zero", "/dev/zero: not a regular file"},
      {"pipe.ini", "pipe.ini: not a regular file"},
      {"big.ini", "big.ini: larger than 1048576 bytes"},
  };
  for (const auto& [file, reason] : cases) {
    EXPECT_EQ(RunOut({"--settings=" + file, "pics/a.bmp"}), 2) << file;
    EXPECT_EQ(err_.str(), "brevine: --settings: cannot read " + reason +
                              "\nTry 'brevine --help' for more information.\n");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "pics/Resized"));
  // The usual file in such a shape is passed over with a word, and the run goes on.
  ASSERT_EQ(::mkfifo((dir_ / "brevine.ini").c_str(), 0600), 0);
  EXPECT_EQ(RunOut({"pics/a.bmp"}), 0);
  EXPECT_EQ(err_.str(), "brevine: " + (dir_ / "brevine.ini") +
                            ": warning: not a regular file: not read, the defaults are used\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "pics/Resized/a.jpg"));
}

TEST_F(Flags, DashesNameFilesOnlyAfterTheEndOfOptionsOrWithAFolder) {
  WriteBmp(dir_ / "-n.bmp", test::MakePhotoLike(20, 20, 5));
  EXPECT_EQ(RunOut({"-n.bmp"}), 2);
  EXPECT_EQ(RunOut({"-v", "--", "-n.bmp", "--help"}), 1);
  EXPECT_EQ(err_.str(), "brevine: --help: no such file\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "Resized/-n.jpg"));
  std::filesystem::remove(dir_ / "Resized/-n.jpg");
  EXPECT_EQ(RunOut({"./-n.bmp"}), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "Resized/-n.jpg"));
  // Options may follow the paths; --version anywhere prints and does nothing else.
  EXPECT_EQ(RunOut({"pics/a.bmp", "--version"}), 0);
  EXPECT_EQ(out_.str(), std::string("Brevine ") + kVersion + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "pics/Resized"));

  const Arguments a = ParseArguments({"/sc", "-rq5", "x", "/sc"});
  EXPECT_TRUE(a.launcher);
  EXPECT_EQ(a.paths, (std::vector<std::string>{"x", "/sc"}));
  EXPECT_EQ(a.flags.size(), 2u);
  EXPECT_FALSE(ParseArguments({"x", "/sc"}).launcher);
}

TEST_F(Flags, VerboseOutputDirAndKeepDate) {
  const auto old = std::filesystem::last_write_time(dir_ / "pics/a.bmp") - std::chrono::hours(50);
  std::filesystem::last_write_time(dir_ / "pics/a.bmp", old);
  EXPECT_EQ(RunOut({"-v", "--keep-date", "--html", "-d", "out/deep", "-q", "50", "pics/a.bmp",
                    "pics/b.bmp"}),
            0);
  const std::string a = dir_ / "out/deep/a.jpg";
  const std::string b = dir_ / "out/deep/b.jpg";
  EXPECT_EQ(out_.str(), "pics/a.bmp -> " + a + ": 40x30, " +
                            std::to_string(std::filesystem::file_size(a)) + " bytes, quality 50\n" +
                            "pics/b.bmp -> " + b + ": 30x40, " +
                            std::to_string(std::filesystem::file_size(b)) + " bytes, quality 50\n");
  EXPECT_EQ(std::filesystem::last_write_time(a), old);
  EXPECT_NE(std::filesystem::last_write_time(b), old);
  // The index in the output folder links each source by its path from there (under its
  // JPEG name, as the sub-folder's index does).
  std::string html;
  for (const auto& e : std::filesystem::directory_iterator(dir_ / "out/deep"))
    if (e.path().extension() == ".html") html = test::Text(ReadFile(e.path()));
  EXPECT_EQ(html,
            "<a href=\"../../pics/a.jpg\"><img src=\"a.jpg\" border=\"0\"></a>\r\n"
            "<a href=\"../../pics/b.jpg\"><img src=\"b.jpg\" border=\"0\"></a>\r\n");
  EXPECT_EQ(Listing(dir_ / "pics"), (std::set<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(Flags, ProgressOnlyWhereAskedAndForMoreThanOneFile) {
  EXPECT_EQ(RunOut({"pics/a.bmp", "pics/b.bmp", "nothing.png"}, false), 1);
  EXPECT_EQ(err_.str(), "brevine: nothing.png: no such file\n");
  EXPECT_EQ(RunOut({"pics/a.bmp"}, true), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(RunOut({"pics/a.bmp", "nothing.png", "pics/b.bmp"}, true), 1);
  const std::string e = err_.str();
  EXPECT_NE(e.find("\r\033[K0/3  pics/a.bmp"), std::string::npos) << e;
  EXPECT_NE(e.find("\r\033[K2/3  pics/b.bmp"), std::string::npos) << e;
  // The error line stands on a line of its own, and the display is cleared at the end,
  // before the line of counts.
  EXPECT_NE(e.find("\r\033[Kbrevine: nothing.png: no such file\n"), std::string::npos) << e;
  EXPECT_EQ(e.substr(e.rfind('\r')), "\r\033[Kbrevine: 2 written, 0 skipped, 1 failed; " +
                                         e.substr(e.rfind("failed; ") + 8));
}

TEST_F(Flags, HelpNamesEveryFlagOfTheTable) {
  EXPECT_EQ(RunOut({"-h"}), 0);
  for (const OptionRow& row : OptionTable())
    for (const OptionFlag& flag : row.flags)
      if (flag.longName) {
        EXPECT_NE(out_.str().find(std::string("--") + flag.longName), std::string::npos)
            << flag.longName;
        EXPECT_NE(out_.str().find(flag.help), std::string::npos) << flag.longName;
      }
  EXPECT_NE(out_.str().find("--settings=FILE"), std::string::npos);
}

}  // namespace
}  // namespace brevine
