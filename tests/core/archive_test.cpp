// Archives of any size: file lists from find, a run cut short and run again, results that
// would be no smaller, and the line a run ends with.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "command_line.h"
#include "pipeline_support.h"
#include "settings_file.h"
#include "shell_open.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using test::JpegOf;
using test::Listing;
using test::ReadFile;
using test::Text;
using test::WriteBmp;

class Archive : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& args, bool progress = false) {
    out_.str("");
    err_.str("");
    return RunCommandLine(args, dir_ / "brevine", out_, err_, dir_.Path(), progress);
  }
  void WriteText(const std::string& name, const std::string& text) {
    test::WriteFile(dir_ / name, {text.begin(), text.end()});
  }

  test::TempFolder dir_;
  std::ostringstream out_, err_;
};

TEST_F(Archive, FilesFromAListOfNamesEvenWithLineEndsInThem) {
  fs::create_directory(dir_ / "P");
  WriteBmp(dir_ / "P/a.bmp", test::MakePhotoLike(20, 20, 1));
  WriteBmp(dir_ / "P/two\nlines.bmp", test::MakePhotoLike(20, 20, 2));
  WriteText("list0", std::string("P/a.bmp\0P/two\nlines.bmp\0", 25));
  EXPECT_EQ(Run({"-0", "--files-from=list0", "-d", "out"}), 0) << err_.str();
  EXPECT_EQ(Listing(dir_ / "out"), (std::set<std::string>{"a.jpg", "two\nlines.jpg"}));
  // One a line, with the arguments first; a name that is not there says so.
  WriteText("list", "P/a.bmp\r\n\nP/missing.bmp\n");
  EXPECT_EQ(Run({"--files-from", "list", "-d", "out2"}), 1);
  EXPECT_EQ(err_.str(), "brevine: P/missing.bmp: no such file\n");
  EXPECT_EQ(Listing(dir_ / "out2"), std::set<std::string>{"a.jpg"});
  EXPECT_EQ(Run({"--files-from=none", "P/a.bmp"}), 2);
  EXPECT_EQ(ListedNames(std::string("a\0\0b\n\0", 6), true),
            (std::vector<std::string>{"a", "b\n"}));
}

// The program killed in the middle of a batch, then run again with -n: it writes only the
// results that are missing, and the folder ends as one whole run leaves it.
TEST_F(Archive, ARunKilledAndRunAgainWithSkipExistingWritesOnlyWhatIsMissing) {
  fs::create_directory(dir_ / "P");
  std::vector<std::string> args = {BREVINE_PROGRAM, "-j", "1", "-v", "-d", "out"};
  for (int i = 0; i < 40; ++i) {
    const std::string name = "P/p" + std::to_string(100 + i) + ".bmp";
    WriteBmp(dir_ / name, test::MakePhotoLike(1400, 1000, i));
    args.push_back(name);
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chdir(dir_.Path().c_str()) == 0) {
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (std::freopen("/dev/null", "w", stdout)) ::execv(argv[0], argv.data());
    }
    ::_exit(127);
  }
  // Killed without warning once a few results are written.
  for (int wait = 0; wait < 600; ++wait) {
    std::error_code ignored;
    std::size_t written = 0;
    for (const auto& e : fs::directory_iterator(dir_ / "out", ignored))
      written += e.path().extension() == ".jpg";
    if (written >= 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::set<std::string> before;
  for (const auto& e : fs::directory_iterator(dir_ / "out"))
    if (e.path().extension() == ".jpg") before.insert(e.path().filename().string());
  ASSERT_GE(before.size(), 3u);
  ASSERT_LT(before.size(), 40u) << "the run ended before it was killed";

  std::vector<std::string> again(args.begin() + 1, args.end());
  again.insert(again.begin(), "-n");
  EXPECT_EQ(Run(again, true), 0) << err_.str();
  std::size_t lines = 0;
  std::istringstream verbose(out_.str());
  for (std::string line; std::getline(verbose, line); ++lines) {
    // "P/p123.bmp -> .../out/p123.jpg: ..."
    const std::string result = line.substr(2, line.find(".bmp") - 2) + ".jpg";
    EXPECT_EQ(before.count(result), 0u) << result << " was written again";
  }
  EXPECT_EQ(lines, 40 - before.size());
  EXPECT_NE(err_.str().find(std::to_string(40 - before.size()) + " written, " +
                            std::to_string(before.size()) + " skipped, 0 failed; "),
            std::string::npos)
      << err_.str();
  // Every result there, with the bytes of a whole run, and no temporary left behind.
  EXPECT_EQ(Run({"-j", "2", "-d", "whole", "-r", "P"}), 0);
  auto results = Listing(dir_ / "out");
  EXPECT_EQ(results, Listing(dir_ / "whole"));
  for (const std::string& name : results)
    EXPECT_TRUE(ReadFile(dir_ / ("out/" + name)) == ReadFile(dir_ / ("whole/" + name))) << name;
}

// A result of an earlier file of the same batch is not "there already" for a later one
// before that file is written: the same files are skipped on any number of workers.
TEST_F(Archive, SkipExistingAgreesForAnyJobCount) {
  fs::create_directory(dir_ / "P");
  WriteBmp(dir_ / "P/a.bmp", test::MakePhotoLike(1200, 900, 1));
  test::WriteFile(dir_ / "P/a.jpg", JpegOf(test::MakePhotoLike(30, 20, 2), 90));
  WriteBmp(dir_ / "P/b.bmp", test::MakePhotoLike(40, 30, 3));
  std::string first;
  for (const char* jobs : {"1", "2", "3"}) {
    fs::remove_all(dir_ / "P/Resized");
    EXPECT_EQ(Run({"-n", "-j", jobs, "P/a.bmp", "P/a.jpg", "P/b.bmp"}), 0) << jobs;
    EXPECT_EQ(err_.str(), "") << jobs;
    const std::string left = Text(ReadFile(dir_ / "P/Resized/a.jpg"));
    if (first.empty()) first = left;
    EXPECT_TRUE(left == first) << jobs;
  }
  // Older than its source: made again.
  const auto later = fs::last_write_time(dir_ / "P/Resized/b.jpg") + std::chrono::hours(1);
  fs::last_write_time(dir_ / "P/b.bmp", later);
  EXPECT_EQ(Run({"-n", "-v", "P/b.bmp"}), 0);
  EXPECT_NE(out_.str().find("P/b.bmp -> "), std::string::npos);
}

TEST_F(Archive, OnlySmallerKeepsAnAlreadySmallJpegAsItIs) {
  const auto small = JpegOf(test::MakePhotoLike(64, 48, 4), 40);
  test::WriteFile(dir_ / "small.jpg", small);
  WriteBmp(dir_ / "small.bmp", test::MakePhotoLike(64, 48, 4));
  EXPECT_EQ(Run({"--only-smaller", "-q", "95", "small.jpg"}), 0);
  EXPECT_EQ(err_.str(), "brevine: small.jpg: kept: the reduced file was not smaller\n");
  EXPECT_EQ(ReadFile(dir_ / "Resized/small.jpg"), small);
  // Without the option, and for a source in another format, the reduced file as always.
  EXPECT_EQ(Run({"-q", "95", "--suffix=-b", "small.bmp"}), 0);
  EXPECT_NE(ReadFile(dir_ / "small-b.jpg"), small);
  EXPECT_EQ(Run({"-q", "95", "small.jpg"}), 0);
  EXPECT_NE(ReadFile(dir_ / "Resized/small.jpg"), small);
  // A picture the box reduces is never kept, however small its file.
  const auto wide = JpegOf(test::MakePhotoLike(400, 100, 5), 20);
  test::WriteFile(dir_ / "wide.jpg", wide);
  EXPECT_EQ(Run({"--only-smaller", "-q", "100", "-s", "200", "wide.jpg"}), 0);
  EXPECT_NE(ReadFile(dir_ / "Resized/wide.jpg"), wide);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(Archive, ARunOnATerminalEndsWithOneLineOfCounts) {
  WriteBmp(dir_ / "a.bmp", test::MakePhotoLike(40, 30, 1));
  WriteBmp(dir_ / "b.bmp", test::MakePhotoLike(40, 30, 2));
  EXPECT_EQ(Run({"a.bmp", "b.bmp", "c.bmp"}, true), 1);
  const std::string e = err_.str();
  RunSummary s;
  s.written = 2;
  s.failed = 1;
  s.bytesBefore = fs::file_size(dir_ / "a.bmp") + fs::file_size(dir_ / "b.bmp");
  s.bytesAfter = fs::file_size(dir_ / "Resized/a.jpg") + fs::file_size(dir_ / "Resized/b.jpg");
  EXPECT_EQ(e.substr(e.rfind("brevine: ")), "brevine: " + SummaryLine(s) + "\n");
  s.bytesBefore = 12'345'678;
  s.bytesAfter = 950'000;
  s.skipped = 7;
  EXPECT_EQ(SummaryLine(s), "2 written, 7 skipped, 1 failed; 12.3 MB \u2192 0.9 MB");
  // Not for one file, and not where nobody watches.
  EXPECT_EQ(Run({"a.bmp"}, true), 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(Run({"a.bmp", "b.bmp"}, false), 0);
  EXPECT_EQ(err_.str(), "");
}

// The README's recipe for many cores (and, with --sshlogin, many machines): find hands the
// names to GNU parallel, which runs several programs on shares of them into one folder.
TEST_F(Archive, TheRecipeForManyCoresGivesTheBytesOfOneRun) {
  if (!platform::ProgramInPath("parallel")) GTEST_SKIP() << "no GNU parallel";
  fs::create_directories(dir_ / "Photos/2024/june");
  for (int i = 0; i < 12; ++i) {
    const std::string name = (i % 2 ? "Photos/2024/june/" : "Photos/") + std::string("p") +
                             std::to_string(i) + (i % 3 ? ".jpg" : " x.jpg");
    test::WriteFile(dir_ / name, JpegOf(test::MakePhotoLike(300 + 10 * i, 200, i), 90));
  }
  fs::copy_file(BREVINE_PROGRAM, dir_ / "brevine");
  const std::string command = "cd '" + dir_.Path() +
                              "' && find Photos -name '*.jpg' -print0 | parallel --will-cite -0 "
                              "-X -j 3 ./brevine -d out";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(Run({"-r", "-d", "one", "Photos"}), 0) << err_.str();
  const auto results = Listing(dir_ / "one");
  EXPECT_EQ(results.size(), 12u);
  EXPECT_EQ(Listing(dir_ / "out"), results);
  for (const std::string& name : results)
    EXPECT_TRUE(ReadFile(dir_ / ("out/" + name)) == ReadFile(dir_ / ("one/" + name))) << name;
}

}  // namespace
}  // namespace brevine
