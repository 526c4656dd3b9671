// The packed list of a batch's paths: every path given back as it was, at a few bytes a file.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "path_list.h"

namespace brevine {
namespace {

TEST(PathListPacking, GivesBackEveryPathAndItsPlace) {
  PathList list;
  std::vector<BatchPath> files;
  const std::string folder = "/home/someone/Pictures/2024/holiday in the mountains/";
  for (int i = 0; i < 3000; ++i) {
    BatchPath p;
    p.path = folder + "IMG_" + std::to_string(10000 + i) + ".jpg";
    // Named as found below a named folder, or as an argument of its own.
    p.shown = i % 7 == 3 ? "holiday/IMG_" + std::to_string(10000 + i) + ".jpg" : p.path;
    if (i == 40) p.path = p.shown = folder + std::string(70000, 'n') + ".jpg";  // past a block
    if (i == 41) p.path = p.shown = "x.jpg";                                    // shares nothing
    if (i % 500 == 0) list.Append({folder + "locked" + std::to_string(i), "locked", true});
    list.Append(p);
    files.push_back(p);
  }
  list.Append({folder + "last", "last", true});
  ASSERT_EQ(list.Files(), files.size());
  // Any file, in any order.
  for (std::size_t i : {std::size_t{2999}, std::size_t{0}, std::size_t{17}, std::size_t{41}})
    EXPECT_EQ(list.FileAt(i).path, files[i].path) << i;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const BatchPath p = list.FileAt(i);
    ASSERT_EQ(p.path, files[i].path) << i;
    ASSERT_EQ(p.shown, files[i].shown) << i;
    ASSERT_FALSE(p.unreadableFolder);
  }
  EXPECT_THROW(list.FileAt(files.size()), std::out_of_range);
  // The folders that could not be listed, each after the files before it.
  const auto& unreadable = list.UnreadableFolders();
  ASSERT_EQ(unreadable.size(), 7u);
  EXPECT_EQ(unreadable[0], (std::pair<std::size_t, std::string>{0, "locked"}));
  EXPECT_EQ(unreadable[1].first, 500u);
  EXPECT_EQ(unreadable[6], (std::pair<std::size_t, std::string>{3000, "last"}));
}

// A file of a folder costs the list what its name does not share with the file before:
// a few bytes, whatever the length of its folder's path.
TEST(PathListPacking, AFolderOfFilesCostsAFewBytesAFile) {
  PathList list;
  const std::string folder = "/home/someone/Pictures/2024/holiday in the mountains/";
  constexpr std::size_t kFiles = 100000;
  for (std::size_t i = 0; i < kFiles; ++i) {
    const std::string path = folder + "IMG_" + std::to_string(100000 + i) + ".jpg";
    list.Append({path, path, false});
  }
  EXPECT_LT(list.Bytes(), kFiles * 16);
  EXPECT_EQ(list.FileAt(kFiles - 1).path, folder + "IMG_199999.jpg");
}

}  // namespace
}  // namespace brevine
