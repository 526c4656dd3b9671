// Results go only where they were asked to go: never out of the source's folder, never over
// a source of the run or anything but a regular file, never through a link planted in the
// destination, from any working folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "command_line.h"
#include "file_utils.h"
#include "fixed_clock.h"
#include "output_stage.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using test::JpegOf;
using test::Listing;
using test::ReadFile;
using test::Text;
using test::WriteBmp;

class Writes : public ::testing::Test {
 protected:
  Writes() {
    fs::create_directories(dir_ / "P/A");
    WriteBmp(dir_ / "P/x.bmp", test::MakePhotoLike(40, 30, 1));
    test::WriteFile(dir_ / "P/x.jpg", photo_);
    test::WriteFile(dir_ / "P/A/x.jpg", JpegOf(test::MakePhotoLike(30, 20, 3), 90));
  }
  int Run(const std::vector<std::string>& args) {
    err_.str("");
    return RunCommandLine(args, dir_ / "brevine", out_, err_, dir_.Path());
  }
  void WriteSettings(const std::string& text) {
    test::WriteFile(dir_ / "brevine.ini", {text.begin(), text.end()});
  }

  test::TempFolder dir_;
  const std::vector<std::uint8_t> photo_ = JpegOf(test::MakePhotoLike(50, 40, 2), 90);
  std::ostringstream out_, err_;
};

TEST_F(Writes, ANameLeadingOutOfTheSourcesFolderIsAUsageError) {
  const auto before = Listing(dir_.Path());
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-r", "--folder=..", "P"}, "--folder: '..' leads out of the source's folder"},
      {{"--prefix=../", "P/A/x.jpg"}, "--prefix: '../' leads out of the source's folder"},
      {{"--suffix", "/../y", "P/x.bmp"}, "--suffix: '/../y' leads out of the source's folder"},
      {{"--folder=/tmp", "P/x.bmp"}, "--folder: '/tmp' leads out of the source's folder"},
      {{"--folder=A/../..", "P/x.bmp"}, "--folder: 'A/../..' leads out of the source's folder"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(Run(args), 2) << message;
    EXPECT_EQ(err_.str(), "brevine: " + message + "\nTry 'brevine --help' for more information.\n");
  }
  EXPECT_EQ(Listing(dir_.Path()), before);
  EXPECT_EQ(ReadFile(dir_ / "P/x.jpg"), photo_);
  // Dots inside a name, nested sub-folders and "." are no way out.
  EXPECT_EQ(Run({"--folder=A/..x", "--prefix=..s-", "P/x.bmp"}), 0);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "P/..s-x.jpg"));
  EXPECT_EQ(Run({"--folder=A/B", "P/x.bmp"}), 0);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "P/A/B/x.jpg")) << err_.str();
}

TEST_F(Writes, AStoredNameLeadingOutTakesItsDefaultWithAWarning) {
  WriteSettings("[changed]\nsave=1\nfolder=../A\nAddName=/tmp/s-\n");
  EXPECT_EQ(Run({"P/x.bmp"}), 0);
  const std::string ini = dir_ / "brevine.ini";
  EXPECT_EQ(err_.str(), "brevine: " + ini +
                            ": warning: AddName: '/tmp/s-' leads out of the source's folder; s- "
                            "is used\n"
                            "brevine: " +
                            ini +
                            ": warning: folder: '../A' leads out of the source's folder; Resized "
                            "is used\n");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "P/Resized/x.jpg"));
  EXPECT_EQ(ReadFile(dir_ / "P/x.jpg"), photo_);
  // The same file read by the window gives the defaults too.
  std::vector<std::string> warnings;
  const Options o = ReadSettingsFile(ini, &warnings);
  EXPECT_EQ(o.folderName, "Resized");
  EXPECT_EQ(o.addedText, "s-");
  EXPECT_EQ(warnings.size(), 2u);
}

TEST_F(Writes, TheCoreNeverNamesAPlaceOutsideWhateverItIsHanded) {
  test::FixedClock clock;
  for (const char* bad : {"..", "../x", "x/../..", "/abs", "/"}) {
    FixedSettings s;
    s.Values().folderName = bad;
    EXPECT_EQ(ChooseOutput(s, clock, "/Pics/cat.jpg").jpegPath, "/Pics/Resized/cat.jpg") << bad;
    s.Values().subFolder = false;
    s.Values().addedText = bad;
    EXPECT_EQ(ChooseOutput(s, clock, "/Pics/cat.jpg").jpegPath, "/Pics/s-cat.jpg") << bad;
    EXPECT_EQ(s.Values().addedText, "s-");
  }
  for (const char* good : {"a..", "..a", "a/b", "./a", ".", "a/"})
    EXPECT_EQ(LeadsOutside(good), std::nullopt) << good;
}

// A result whose name is that of another source of the run would destroy that source
// before (or after) it is read; it is refused on any number of workers.
TEST_F(Writes, AResultNeverReplacesAnySourceOfTheRun) {
  test::WriteFile(dir_ / "P/s-x.jpg", photo_);
  for (const char* jobs : {"1", "3"}) {
    EXPECT_EQ(Run({"-j", jobs, "--prefix=s-", "P/x.jpg", "P/s-x.jpg", "P/x.bmp"}), 1) << jobs;
    EXPECT_EQ(err_.str(),
              "brevine: P/x.jpg: cannot write: it would replace s-x.jpg, a source of this run\n"
              "brevine: P/x.bmp: cannot write: it would replace s-x.jpg, a source of this run\n")
        << jobs;
    EXPECT_EQ(ReadFile(dir_ / "P/s-x.jpg"), photo_);
    EXPECT_TRUE(fs::is_regular_file(dir_ / "P/s-s-x.jpg"));
  }
  // A walked folder's files count as sources too: P/A/x.jpg is the result of P/x.jpg
  // with --folder=A, and the folder P/A is named.
  EXPECT_EQ(Run({"-r", "--folder=A", "-j", "2", "P/x.jpg", "P/A"}), 1);
  EXPECT_NE(err_.str().find("brevine: P/x.jpg: cannot write: it would replace x.jpg, a source of "
                            "this run\n"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(ReadFile(dir_ / "P/x.jpg"), photo_);
}

TEST_F(Writes, NeverOverAnythingButARegularFileOrALink) {
  fs::create_directory(dir_ / "P/Resized");
  ASSERT_EQ(::mkfifo((dir_ / "P/Resized/x.jpg").c_str(), 0600), 0);
  EXPECT_EQ(Run({"P/x.bmp"}), 1);
  EXPECT_EQ(err_.str(), "brevine: P/x.bmp: cannot write: x.jpg is not a regular file\n");
  struct stat st;
  ASSERT_EQ(::lstat((dir_ / "P/Resized/x.jpg").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // A link there is replaced, and what it named stays as it was.
  fs::remove(dir_ / "P/Resized/x.jpg");
  test::WriteFile(dir_ / "elsewhere.jpg", photo_);
  fs::create_symlink(dir_ / "elsewhere.jpg", dir_ / "P/Resized/x.jpg");
  EXPECT_EQ(Run({"P/x.bmp"}), 0) << err_.str();
  EXPECT_FALSE(fs::is_symlink(dir_ / "P/Resized/x.jpg"));
  EXPECT_EQ(ReadFile(dir_ / "elsewhere.jpg"), photo_);
}

// Another user of a shared folder plants links where results and index lines go.
TEST_F(Writes, LinksPlantedInTheDestinationAreNotFollowed) {
  fs::create_directories(dir_ / "Documents");
  test::WriteFile(dir_ / "Documents/x.jpg", photo_);
  fs::create_directory_symlink(dir_ / "Documents", dir_ / "P/Resized");
  EXPECT_EQ(Run({"P/x.bmp"}), 1);
  EXPECT_EQ(err_.str(),
            "brevine: P/x.bmp: cannot write: the folder Resized is a link: not followed\n");
  // Nested sub-folders and added texts with a folder in them, at any step.
  fs::create_directory_symlink(dir_ / "Documents", dir_ / "P/A/inner");
  EXPECT_EQ(Run({"--folder=A/inner", "P/x.bmp"}), 1);
  EXPECT_EQ(err_.str(),
            "brevine: P/x.bmp: cannot write: the folder inner is a link: not followed\n");
  EXPECT_EQ(Run({"--prefix=A/inner/", "P/x.bmp"}), 1);
  EXPECT_EQ(err_.str(),
            "brevine: P/x.bmp: cannot write: the folder inner is a link: not followed\n");
  EXPECT_EQ(Listing(dir_ / "Documents"), std::set<std::string>{"x.jpg"});
  EXPECT_EQ(ReadFile(dir_ / "Documents/x.jpg"), photo_);

  // A day's index that is a link is neither appended to nor created where it points; a
  // pipe there does not hang the run.
  fs::create_directories(dir_ / "Q/Resized");
  WriteBmp(dir_ / "Q/y.bmp", test::MakePhotoLike(20, 20, 4));
  test::FixedClock clock;
  Options o;
  o.html = true;
  FixedSettings s(o);
  const std::string index = dir_ / ("Q/Resized/" + DateName(clock) + ".html");
  fs::create_symlink(dir_ / "Documents/index.html", index);
  PipelineHooks hooks;
  FilePipeline pipeline(s, clock, hooks);
  WorkBitmap bitmap;
  PreparedFile file = pipeline.Prepare(dir_ / "Q/y.bmp", bitmap);
  EXPECT_EQ(pipeline.Commit(file), FileResult::kIndexNotWritten);
  EXPECT_EQ(file.detail, "the index " + DateName(clock) + ".html is a link: not followed");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "Q/Resized/y.jpg"));
  EXPECT_FALSE(fs::exists(dir_ / "Documents/index.html"));
  EXPECT_TRUE(fs::is_symlink(index));
  fs::remove(index);
  ASSERT_EQ(::mkfifo(index.c_str(), 0600), 0);
  EXPECT_EQ(RunPaths({dir_ / "Q/y.bmp"}, s, clock, nullptr, 1),
            std::vector<FileResult>{FileResult::kIndexNotWritten});
}

TEST_F(Writes, AnOutputFolderGivenAsALinkIsFollowed) {
  fs::create_directories(dir_ / "real");
  fs::create_directory_symlink(dir_ / "real", dir_ / "out");
  EXPECT_EQ(Run({"-d", "out", "P/x.bmp"}), 0) << err_.str();
  EXPECT_TRUE(fs::is_regular_file(dir_ / "real/x.jpg"));
}

// A working folder whose path is longer than the system will name (PATH_MAX): relative
// paths are resolved by the system from the folder itself.
TEST_F(Writes, AnyWorkingFolderWorksHoweverLongItsPath) {
  const auto before = Listing(dir_.Path());
  const int back = ::open(".", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(back, 0);
  ASSERT_EQ(::chdir(dir_.Path().c_str()), 0);
  const std::string step(200, 'd');
  std::size_t length = dir_.Path().size();
  while (length <= 4200) {
    ASSERT_EQ(::mkdir(step.c_str(), 0777), 0);
    ASSERT_EQ(::chdir(step.c_str()), 0);
    length += step.size() + 1;
  }
  ::mkdir("pics", 0777);
  WriteBmp("pics/x.bmp", test::MakePhotoLike(30, 20, 5));
  std::ostringstream out, err;
  const std::string program = dir_ / "brevine";
  EXPECT_EQ(RunCommandLine({"pics/x.bmp", "./pics/../pics/x.bmp"}, program, out, err), 0)
      << err.str();
  EXPECT_TRUE(fs::is_regular_file("pics/Resized/x.jpg"));
  fs::remove_all("pics/Resized");
  EXPECT_EQ(RunCommandLine({"-r", "--html", "-d", "out", "."}, program, out, err), 0) << err.str();
  EXPECT_TRUE(fs::is_regular_file("out/x.jpg"));
  // The index links the source from the output folder.
  std::string html;
  for (const auto& e : fs::directory_iterator("out"))
    if (e.path().extension() == ".html") html = Text(ReadFile(e.path()));
  EXPECT_EQ(html, "<a href=\"../pics/x.jpg\"><img src=\"x.jpg\" border=\"0\"></a>\r\n");
  EXPECT_EQ(::fchdir(back), 0);
  ::close(back);
  // The standard library cannot remove a tree this deep by its paths.
  EXPECT_EQ(std::system(("rm -rf " + (dir_ / step)).c_str()), 0);
  // Nothing went anywhere else.
  EXPECT_EQ(Listing(dir_.Path()), before);
}

}  // namespace
}  // namespace brevine
