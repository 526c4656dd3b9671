#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "batch_runner.h"
#include "brevine_version.h"
#include "command_line.h"
#include "fixed_clock.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using test::JpegOf;
using test::ReadFile;
using test::Text;
using test::WriteBmp;

// ---- How many workers ---------------------------------------------------------------

TEST(BatchJobs, CountFromTheVariableTheCoresAndTheMemory) {
  EXPECT_EQ(ParseJobCount("4"), 4);
  EXPECT_EQ(ParseJobCount(" 2\n"), 2);
  EXPECT_EQ(ParseJobCount("99999999999999999999"), std::nullopt);  // does not fit
  EXPECT_EQ(ParseJobCount("5000"), 1024);
  for (const char* bad : {"", "0", "-2", "two", "2x", "+3", "1.5"})
    EXPECT_EQ(ParseJobCount(bad), std::nullopt) << bad;

  // The memory holds back files, not workers (the memory window's tests).
  EXPECT_EQ(ChooseJobs(std::nullopt, 8), 8);
  EXPECT_EQ(ChooseJobs(std::nullopt, 0), 1);  // never below one
  EXPECT_EQ(ChooseJobs(std::nullopt, 3), 3);
  EXPECT_EQ(ChooseJobs(std::nullopt, 5000), 1024);
  EXPECT_EQ(ChooseJobs(6, 2), 6);  // asked for: taken as it stands
  EXPECT_GE(DefaultJobs(), 1);

  // Workers share the cores with the decoders' own threads.
  EXPECT_EQ(DecoderThreads(1, 8), 8);  // one file, or a sequential run: every core
  EXPECT_EQ(DecoderThreads(2, 8), 4);
  EXPECT_EQ(DecoderThreads(8, 8), 1);  // as many workers as cores: none of their own
  EXPECT_EQ(DecoderThreads(16, 8), 0);
  EXPECT_EQ(DecoderThreads(0, 0), 1);
}

// ---- Parallel against sequential ----------------------------------------------------

class EnvJobs {
 public:
  explicit EnvJobs(const char* value) { ::setenv("BREVINE_JOBS", value, 1); }
  ~EnvJobs() { ::unsetenv("BREVINE_JOBS"); }
};

// Every file below a folder with its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file())
      files[fs::relative(e.path(), folder).string()] = Text(ReadFile(e.path().string()));
  return files;
}

struct RunOutcome {
  int status = -1;
  std::string out, err;
  std::map<std::string, std::string> files;
};

// A batch with every kind of outcome: pictures of several sizes, a missing file, a text
// file under an image name, an unknown type, and a.bmp and a.jpg, which both name a.jpg.
class BatchRun : public ::testing::Test {
 protected:
  static std::vector<std::string> MakeBatch(const test::TempFolder& dir, const Options& o) {
    const std::string ini = FormatSettings(o);
    test::WriteFile(dir / "brevine.ini", {ini.begin(), ini.end()});
    fs::create_directory(dir / "pics");
    std::vector<std::string> args;
    for (int i = 0; i < 10; ++i) {
      const std::string name = "pics/p" + std::to_string(i) + ".bmp";
      WriteBmp(dir / name, test::MakePhotoLike(180 + 47 * i, 330 - 17 * i, 10 + i));
      args.push_back(name);
      if (i == 1) args.push_back("pics/missing.bmp");
      if (i == 2) args.push_back("pics/a.bmp");
      if (i == 4) args.push_back("pics/notes.png");
      if (i == 6) args.push_back("pics/scan.psd");
      if (i == 7) args.push_back("pics/a.jpg");
    }
    WriteBmp(dir / "pics/a.bmp", test::MakePhotoLike(400, 300, 77));
    test::WriteFile(dir / "pics/a.jpg", JpegOf(test::MakePhotoLike(300, 420, 78), 90));
    test::WriteFile(dir / "pics/notes.png", {'h', 'e', 'l', 'l', 'o', '\n'});
    WriteBmp(dir / "pics/scan.psd", test::MakePhotoLike(20, 20, 79));
    return args;
  }

  static Options BatchOptions() {
    Options o;
    o.boxPreset = 6;  // 160 x 160: every picture is reduced
    o.saturation = true;
    o.html = true;
    return o;
  }

  static void ExpectSame(const RunOutcome& one, const RunOutcome& many, const char* jobs) {
    EXPECT_EQ(many.status, one.status) << jobs;
    EXPECT_EQ(many.out, one.out) << jobs;
    EXPECT_EQ(many.err, one.err) << jobs;
    EXPECT_EQ(many.files.size(), one.files.size()) << jobs;
    for (const auto& [name, bytes] : one.files) {
      const auto other = many.files.find(name);
      ASSERT_NE(other, many.files.end()) << jobs << " jobs lack " << name;
      EXPECT_TRUE(other->second == bytes) << jobs << " jobs wrote another " << name;
    }
  }

  static RunOutcome Run(const char* jobs, const Options& o) {
    test::TempFolder dir;
    const std::vector<std::string> args = MakeBatch(dir, o);
    EnvJobs env(jobs);
    RunOutcome r;
    std::ostringstream out, err;
    r.status = RunCommandLine(args, dir / "brevine", out, err, dir.Path());
    r.out = out.str();
    r.err = err.str();
    r.files = Contents(dir.Path());
    return r;
  }
};

TEST_F(BatchRun, SameFilesIndexMessagesAndStatusForAnyJobCount) {
  const RunOutcome one = Run("1", BatchOptions());
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(one.out, "");
  EXPECT_EQ(one.err,
            "brevine: pics/missing.bmp: no such file\n"
            "brevine: pics/notes.png: cannot decode: not a PNG file\n"
            "brevine: pics/scan.psd: not an image type\n"
            "brevine: pics/a.jpg: replaces the result of pics/a.bmp\n");

  // The index lists the written pictures in argument order, a.jpg twice.
  std::string expectedIndex;
  for (const char* name : {"p0", "p1", "p2", "a", "p3", "p4", "p5", "p6", "p7", "a", "p8", "p9"})
    expectedIndex += std::string("<a href=\"../") + name + ".jpg\"><img src=\"" + name +
                     ".jpg\" border=\"0\"></a>\r\n";
  std::string index;
  for (const auto& [name, bytes] : one.files)
    if (name.ends_with(".html")) index = bytes;
  EXPECT_EQ(index, expectedIndex);
  EXPECT_EQ(one.files.count("pics/Resized/p9.jpg"), 1u);

  for (const char* jobs : {"2", "3", "4", "8", "16"})
    ExpectSame(one, Run(jobs, BatchOptions()), jobs);
}

TEST_F(BatchRun, TargetSizeProgressiveAndGrayAlsoAgree) {
  // The target-size search runs the encoder many times per file: the part most likely to
  // keep a hidden shared state.
  Options o = BatchOptions();
  o.fixedQuality = false;
  o.targetSize = 2;
  o.progressive = true;
  o.grayscale = true;
  o.sharpen = false;
  const RunOutcome one = Run("1", o);
  EXPECT_EQ(one.files.count("pics/Resized/p5.jpg"), 1u);
  ExpectSame(one, Run("3", o), "3");
}

TEST_F(BatchRun, TheLaterSourceOfOneNameIsTheOneLeftOnDisk) {
  Options o = BatchOptions();
  o.subFolder = false;  // add-text mode: s-a.jpg from both
  o.html = false;
  o.addedText = "";  // becomes "s-" at the first commit, on every thread's view
  const RunOutcome many = Run("4", o);
  ASSERT_EQ(many.files.count("pics/s-a.jpg"), 1u);
  EXPECT_NE(many.err.find("brevine: pics/a.jpg: replaces the result of pics/a.bmp\n"),
            std::string::npos);
  EXPECT_EQ(many.files.count("pics/s-p0.jpg"), 1u);

  // a.jpg alone, with the same options, gives the bytes left in the batch.
  test::TempFolder alone;
  test::WriteFile(alone / "a.jpg", JpegOf(test::MakePhotoLike(300, 420, 78), 90));
  FixedSettings s(o);
  test::FixedClock clock;
  EXPECT_EQ(RunPaths({alone / "a.jpg"}, s, clock, nullptr, 1),
            std::vector<FileResult>{FileResult::kWritten});
  EXPECT_TRUE(Text(ReadFile(alone / "s-a.jpg")) == many.files.at("pics/s-a.jpg"));
  EXPECT_EQ(s.Values().addedText, "s-");
}

TEST_F(BatchRun, AResultThatWouldReplaceALaterSourceIsRefused) {
  // The second argument is the first one's output: a source of the run, which no result
  // may replace, on any number of workers.
  auto run = [](int jobs) {
    test::TempFolder dir;
    fs::create_directories(dir / "Resized");
    WriteBmp(dir / "big.bmp", test::MakePhotoLike(1500, 1100, 5));
    test::WriteFile(dir / "Resized/big.jpg", JpegOf(test::MakePhotoLike(64, 48, 6), 80));
    WriteBmp(dir / "c.bmp", test::MakePhotoLike(90, 60, 7));
    FixedSettings s(test::PlainOptions());
    test::FixedClock clock;
    StageTimes times;
    const auto results =
        RunPaths({dir / "big.bmp", dir / "Resized/big.jpg", dir / "c.bmp"}, s, clock, &times, jobs);
    EXPECT_EQ(results, (std::vector<FileResult>{FileResult::kCannotWrite, FileResult::kWritten,
                                                FileResult::kWritten}))
        << jobs;
    EXPECT_EQ(times.files, 2) << jobs;
    EXPECT_GT(times.load, 0) << jobs;
    return Contents(dir.Path());
  };
  const auto one = run(1);
  ASSERT_EQ(one.count("Resized/Resized/big.jpg"), 1u);
  EXPECT_EQ(one.at("Resized/big.jpg"), Text(JpegOf(test::MakePhotoLike(64, 48, 6), 80)));
  EXPECT_TRUE(run(2) == one);
  EXPECT_TRUE(run(3) == one);
}

TEST(BatchBarriers, WaitOnlyForWritersOfTheSourceAndForWildcards) {
  test::TempFolder dir;
  fs::create_directory(dir / "pics");
  fs::create_directory_symlink(dir / "pics", dir / "link");
  WriteBmp(dir / "pics/a.bmp", test::MakePhotoLike(8, 8, 1));
  test::FixedClock clock;
  const Options o;  // sub-folder "Resized", which does not exist yet
  const std::vector<std::string> paths = {
      dir / "pics/a.bmp",          // 0 writes pics/Resized/a.jpg
      dir / "pics/b.bmp",          // 1
      dir / "link/Resized/a.jpg",  // 2 reads what 0 writes, through the link
      dir / "notes.txt",           // 3 never read
      dir / "pics/c*.bmp",         // 4 a pattern: after everything before it
      dir / "pics/d.png",          // 5 the pattern's output is unknown
  };
  EXPECT_EQ(CommitBarriers(paths, o, clock), (std::vector<std::size_t>{0, 0, 1, 0, 4, 5}));

  // Add-text mode with nothing chosen writes nothing, so nothing waits.
  Options none;
  none.subFolder = false;
  none.textPosition = -1;
  EXPECT_EQ(CommitBarriers({dir / "pics/a.bmp", dir / "pics/a.jpg"}, none, clock),
            (std::vector<std::size_t>{0, 0}));
  none.textPosition = 1;
  none.addedText = "";  // "s-" after the first file: a -> as-.jpg
  EXPECT_EQ(CommitBarriers({dir / "pics/a.bmp", dir / "pics/as-.jpg"}, none, clock),
            (std::vector<std::size_t>{0, 1}));
}

// Settings that are live controls are read on the caller's thread only.
class ThreadCheckedSettings final : public ProcessSettings {
 public:
  explicit ThreadCheckedSettings(Options o) : inner_(std::move(o)) {}
  std::set<std::thread::id> Readers() const {
    std::lock_guard lock(mutex_);
    return readers_;
  }

  const Options& Current() const override { return Note(), inner_.Current(); }
  void SetText(std::string Options::*field, const std::string& text) override {
    Note(), inner_.SetText(field, text);
  }

 private:
  void Note() const {
    std::lock_guard lock(mutex_);
    readers_.insert(std::this_thread::get_id());
  }
  FixedSettings inner_;
  mutable std::mutex mutex_;
  mutable std::set<std::thread::id> readers_;
};

TEST(BatchSettings, LiveSettingsAreNeverReadFromWorkers) {
  test::TempFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 4; ++i) {
    paths.push_back(dir / ("f" + std::to_string(i) + ".bmp"));
    WriteBmp(paths.back(), test::MakePhotoLike(50, 40, i));
  }
  ThreadCheckedSettings s(test::PlainOptions());
  test::FixedClock clock;
  EXPECT_EQ(RunBatch(paths, s, clock, 4), std::vector<FileResult>(4, FileResult::kWritten));
  EXPECT_EQ(s.Readers(), std::set<std::thread::id>{std::this_thread::get_id()});
}

// ---- Information arguments ----------------------------------------------------------

TEST(InformationArguments, AloneTheyPrintAndEnd) {
  test::TempFolder dir;
  std::ostringstream out, err;
  EXPECT_EQ(RunCommandLine({"--version"}, dir / "brevine", out, err, dir.Path()), 0);
  EXPECT_EQ(out.str(), std::string("Brevine ") + kVersion + "\n");
  out.str("");
  EXPECT_EQ(RunCommandLine({"--help"}, dir / "brevine", out, err, dir.Path()), 0);
  EXPECT_EQ(out.str().rfind("Usage: brevine [OPTION...] [--] [IMAGE|FOLDER...]\n", 0), 0u);
  EXPECT_NE(out.str().find("BREVINE_JOBS"), std::string::npos);
  EXPECT_EQ(err.str(), "");
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace brevine
