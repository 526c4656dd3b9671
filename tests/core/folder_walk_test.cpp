#include "folder_walk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "command_line.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using test::Listing;
using test::ReadFile;
using test::WriteBmp;

const std::string kAcute = "\xC3\xA1";  // "á" in UTF-8

// A photo tree: names that sort differently by byte and by locale, nested folders, an old
// output folder holding a JPEG, a folder named like an image, a link to a folder and a
// link to a file outside the tree.
void MakeTree(const std::string& base) {
  const std::string root = base + "/root";
  fs::create_directories(root + "/sub/deeper");
  fs::create_directories(root + "/Resized");
  fs::create_directories(root + "/sub2.bmp");
  fs::create_directories(base + "/outside");
  WriteBmp(root + "/B.bmp", test::MakePhotoLike(12, 9, 1));
  WriteBmp(root + "/a.bmp", test::MakePhotoLike(9, 12, 2));
  WriteBmp(root + "/" + kAcute + ".bmp", test::MakePhotoLike(10, 10, 3));
  WriteBmp(root + "/sub/x.bmp", test::MakePhotoLike(8, 6, 4));
  WriteBmp(root + "/sub/deeper/y.bmp", test::MakePhotoLike(6, 8, 5));
  WriteBmp(root + "/sub2.bmp/z.bmp", test::MakePhotoLike(7, 7, 6));
  WriteBmp(base + "/outside/w.bmp", test::MakePhotoLike(5, 9, 7));
  test::WriteFile(root + "/Resized/old.jpg", test::JpegOf(test::MakePhotoLike(8, 8, 8), 90));
  test::WriteFile(root + "/notes.txt", {'h', 'i'});
  fs::create_directory_symlink("sub", root + "/to-sub");
  fs::create_symlink("../outside/w.bmp", root + "/link.bmp");
}

// Byte order of names, sub-folders at their place; Resized and the link to a folder are
// not entered, the link to a file counts.
const std::vector<std::string> kTreeOrder = {
    "root/B.bmp",     "root/a.bmp",          "root/link.bmp",           "root/sub/deeper/y.bmp",
    "root/sub/x.bmp", "root/sub2.bmp/z.bmp", "root/" + kAcute + ".bmp",
};

std::vector<std::string> Shown(const std::vector<BatchPath>& paths) {
  std::vector<std::string> shown;
  for (const BatchPath& p : paths) shown.push_back(p.shown);
  return shown;
}

class Folders : public ::testing::Test {
 protected:
  Folders() { fs::create_directory(dir_ / "prog"); }

  void UseOptions(const Options& o) {
    const std::string ini = FormatSettings(o);
    test::WriteFile(dir_ / "prog/brevine.ini", {ini.begin(), ini.end()});
  }
  int Run(const std::vector<std::string>& args, const std::string& cwd) {
    err_.str("");
    return RunCommandLine(args, dir_ / "prog/brevine", err_, cwd);
  }
  std::vector<BatchPath> Expand(const std::vector<std::string>& shown, const Options& o,
                                const std::string& cwd) {
    std::vector<BatchPath> paths;
    for (const std::string& s : shown) paths.push_back({cwd + "/" + s, s});
    return ExpandFolders(paths, FixedSettings(o));
  }
  // Every file below the folder and its bytes.
  static std::map<std::string, std::vector<std::uint8_t>> Contents(const std::string& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const std::string& name : Listing(folder)) {
      const std::string path = folder + "/" + name;
      if (fs::is_regular_file(fs::symlink_status(path))) files[name] = ReadFile(path);
    }
    return files;
  }

  test::TempFolder dir_;
  std::ostringstream err_;
};

TEST_F(Folders, TreeOrderByNameBytes) {
  MakeTree(dir_.Path());
  Options o;
  o.folders = true;
  EXPECT_EQ(Shown(Expand({"root"}, o, dir_.Path())), kTreeOrder);
  // In its place among other paths, a trailing separator joined once; a named link to a
  // folder is walked, since it was named.
  const auto mixed =
      Expand({"root/notes.txt", "root/sub/", "root/to-sub", "x.png"}, o, dir_.Path());
  EXPECT_EQ(Shown(mixed),
            (std::vector<std::string>{"root/notes.txt", "root/sub/deeper/y.bmp", "root/sub/x.bmp",
                                      "root/to-sub/deeper/y.bmp", "root/to-sub/x.bmp", "x.png"}));
  EXPECT_EQ(mixed[1].path, dir_ / "root/sub/deeper/y.bmp");
  // The output folder is the one `folder` names; in add-text mode nothing is passed over
  // but the run's own outputs.
  o.folderName = "sub";
  EXPECT_EQ(
      Shown(Expand({"root"}, o, dir_.Path())),
      (std::vector<std::string>{"root/B.bmp", "root/Resized/old.jpg", "root/a.bmp", "root/link.bmp",
                                "root/sub2.bmp/z.bmp", "root/" + kAcute + ".bmp"}));
  o.subFolder = false;
  test::WriteFile(dir_ / "root/s-a.jpg", {});
  test::WriteFile(dir_ / "root/s-notes.jpg", {});  // notes.txt is no image: a source
  const auto added = Shown(Expand({"root"}, o, dir_.Path()));
  EXPECT_EQ(std::count(added.begin(), added.end(), "root/s-a.jpg"), 0);
  EXPECT_EQ(std::count(added.begin(), added.end(), "root/s-notes.jpg"), 1);
  EXPECT_EQ(std::count(added.begin(), added.end(), "root/Resized/old.jpg"), 1);
  // Off: paths come back as they are.
  o.folders = false;
  EXPECT_EQ(Shown(Expand({"root", "a.bmp"}, o, dir_.Path())),
            (std::vector<std::string>{"root", "a.bmp"}));
}

TEST_F(Folders, DepthLimit) {
  std::string folder = dir_ / "d0";
  for (int level = 0; level <= kFolderDepth + 1; ++level) {
    fs::create_directories(folder);
    test::WriteFile(folder + "/f.bmp", {});
    folder += "/d" + std::to_string(level + 1);
  }
  Options o;
  o.folders = true;
  const auto found = Expand({"d0"}, o, dir_.Path());
  // One file per level from d0 to d16: the deepest is 16 folders below the named one.
  ASSERT_EQ(found.size(), std::size_t{kFolderDepth + 1});
  EXPECT_EQ(std::count(found.front().shown.begin(), found.front().shown.end(), '/'),
            kFolderDepth + 1);
  EXPECT_EQ(found.back().shown, "d0/f.bmp");
}

// A folder run writes what naming every file singly in that order writes, in both naming
// modes, and a second run over the tree adds no file.
TEST_F(Folders, SameOutputsAsNamingEachFileAndNothingNewOnASecondRun) {
  for (bool subFolder : {true, false}) {
    SCOPED_TRACE(subFolder ? "sub-folder" : "add text");
    test::TempFolder walked, named;
    MakeTree(walked.Path());
    MakeTree(named.Path());
    Options o = test::PlainOptions();
    o.html = true;
    o.subFolder = subFolder;
    o.folders = true;
    UseOptions(o);
    ASSERT_EQ(Run({"root"}, walked.Path()), 0) << err_.str();

    o.folders = false;
    UseOptions(o);
    std::vector<std::string> files = kTreeOrder;
    if (!subFolder) files.insert(files.begin() + 1, "root/Resized/old.jpg");
    ASSERT_EQ(Run(files, named.Path()), 0) << err_.str();
    const auto written = Contents(walked / "root");
    EXPECT_EQ(written, Contents(named / "root"));
    // The tree's structure is kept: each result beside its source or in its own folder's
    // sub-folder, the old output folder left alone.
    if (subFolder) {
      EXPECT_EQ(written.count("sub/deeper/Resized/y.jpg"), 1u);
      EXPECT_EQ(written.count("Resized/link.jpg"), 1u);
      EXPECT_FALSE(fs::exists(walked / "root/Resized/Resized"));
    } else {
      EXPECT_EQ(written.count("sub2.bmp/s-z.jpg"), 1u);
      EXPECT_EQ(written.count("Resized/s-old.jpg"), 1u);
    }

    o.folders = true;
    o.html = false;
    UseOptions(o);
    ASSERT_EQ(Run({"root"}, walked.Path()), 0) << err_.str();
    EXPECT_EQ(Listing(walked / "root"), Listing(named / "root"));
  }
}

TEST_F(Folders, OutputFolderIsLeftOutHoweverItIsSpelled) {
  // "." and the folder's own name lead back to the source's folder, so results go to
  // "Resized"; the others name the output folder itself in other words.
  for (const std::string name : {".", "./", "", "../pics", "Resized/", "./Resized", "./Out"}) {
    SCOPED_TRACE("folder=" + name);
    test::TempFolder base;
    fs::create_directories(base / "pics");
    WriteBmp(base / "pics/a.bmp", test::MakePhotoLike(12, 9, 1));
    Options o = test::PlainOptions();
    o.subFolder = true;
    o.folders = true;
    o.folderName = name;
    const std::string output = name == "./Out" ? "Out" : "Resized";
    for (int run = 0; run < 3; ++run) {
      UseOptions(o);
      ASSERT_EQ(Run({"pics"}, base.Path()), 0) << err_.str();
      EXPECT_EQ(Listing(base / "pics"),
                (std::set<std::string>{"a.bmp", output + "/", output + "/a.jpg"}))
          << "run " << run;
    }
  }
}

TEST_F(Folders, AnOutputFolderInsideTheTreeIsLeftOut) {
  test::TempFolder base;
  fs::create_directories(base / "pics/Resized");
  WriteBmp(base / "pics/a.bmp", test::MakePhotoLike(12, 9, 1));
  WriteBmp(base / "pics/Resized/b.bmp", test::MakePhotoLike(10, 9, 2));
  Options o = test::PlainOptions();
  o.folders = true;
  UseOptions(o);
  // Run after run, the results of the last one are no new sources; a folder that the
  // naming mode would use is an ordinary one while results go elsewhere.
  for (int run = 0; run < 3; ++run) {
    ASSERT_EQ(Run({"-d", "pics/out", "pics"}, base.Path()), 0) << err_.str();
    EXPECT_EQ(Listing(base / "pics"), (std::set<std::string>{"a.bmp", "Resized/", "Resized/b.bmp",
                                                             "out/", "out/a.jpg", "out/b.jpg"}))
        << "run " << run;
  }
}

TEST_F(Folders, OffAFolderIsNoImageAsBefore) {
  MakeTree(dir_.Path());
  const auto before = Listing(dir_ / "root");
  UseOptions(Options{});
  EXPECT_EQ(Run({"root", "root/sub2.bmp"}, dir_.Path()), 1);
  EXPECT_EQ(err_.str(),
            "brevine: root: not an image type\n"
            "brevine: root/sub2.bmp: cannot read\n");
  EXPECT_EQ(Listing(dir_ / "root"), before);
}

TEST_F(Folders, MessagesNameTheFilesFound) {
  fs::create_directories(dir_ / "pics/locked");
  fs::create_directories(dir_ / "pics/empty");
  WriteBmp(dir_ / "pics/a.bmp", test::MakePhotoLike(8, 8, 1));
  test::WriteFile(dir_ / "pics/bad.bmp", {'B', 'M', 0});
  WriteBmp(dir_ / "pics/locked/c.bmp", test::MakePhotoLike(8, 8, 2));
  WriteBmp(dir_ / "pics/m.bmp", test::MakePhotoLike(8, 8, 3));
  Options o;
  o.folders = true;
  UseOptions(o);
  EXPECT_EQ(Run({"/sc", "pics/"}, dir_.Path()), 1);
  EXPECT_EQ(err_.str(), "brevine: pics/bad.bmp: cannot decode: BMP: truncated file header\n");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "pics/Resized/m.jpg"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "pics/locked/Resized/c.jpg"));
  // An empty folder is no failure.
  EXPECT_EQ(Run({"pics/empty"}, dir_.Path()), 0);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(Folders, AnUnreadableFolderIsReportedAtItsPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  fs::create_directories(dir_ / "pics/locked");
  WriteBmp(dir_ / "pics/a.bmp", test::MakePhotoLike(8, 8, 1));
  test::WriteFile(dir_ / "pics/bad.bmp", {'B', 'M', 0});
  WriteBmp(dir_ / "pics/m.bmp", test::MakePhotoLike(8, 8, 3));
  Options o;
  o.folders = true;
  UseOptions(o);
  fs::permissions(dir_ / "pics/locked", fs::perms::none);
  const int status = Run({"pics"}, dir_.Path());
  fs::permissions(dir_ / "pics/locked", fs::perms::owner_all);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err_.str(),
            "brevine: pics/bad.bmp: cannot decode: BMP: truncated file header\n"
            "brevine: pics/locked: cannot read\n");
}

}  // namespace
}  // namespace brevine
