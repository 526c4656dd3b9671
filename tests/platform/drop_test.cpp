#include "drop.h"

#include <gtest/gtest.h>

namespace brevine::platform {
namespace {

using Paths = std::vector<std::string>;

TEST(DropListTest, KeepsTheSourceOrderAndDecodesEscapes) {
  const std::string list =
      "file:///home/ann/b.jpg\r\n"
      "file:///home/ann/a%20photo.png\r\n"
      "file:///home/ann/%E5%9B%BE%E7%89%87.BMP\r\n";
  EXPECT_EQ(LocalPathsFromUriList(list),
            (Paths{"/home/ann/b.jpg", "/home/ann/a photo.png", "/home/ann/图片.BMP"}));
}

TEST(DropListTest, SkipsCommentsBlankLinesAndNonLocalUrls) {
  const std::string list =
      "# dragged from a file manager\r\n"
      "\r\n"
      "http://example.com/a.jpg\r\n"
      "file://otherhost/share/b.jpg\r\n"
      "file://localhost/srv/c.jpg\r\n"
      "FILE:///srv/D.JPG\n"
      "smb://server/e.jpg\n"
      "file:/srv/f.gif";  // last line without an end
  EXPECT_EQ(LocalPathsFromUriList(list), (Paths{"/srv/c.jpg", "/srv/D.JPG", "/srv/f.gif"}));
}

TEST(DropListTest, RejectsEscapesThatCannotNameTheFileMeant) {
  EXPECT_EQ(LocalPathFromFileUrl("file:///a%zz.jpg"), "");
  EXPECT_EQ(LocalPathFromFileUrl("file:///a%2"), "");
  EXPECT_EQ(LocalPathFromFileUrl("file:///a%00.jpg"), "");  // would cut the path short
  EXPECT_EQ(LocalPathFromFileUrl("file://"), "");
  EXPECT_EQ(LocalPathFromFileUrl("file:relative.jpg"), "");
  EXPECT_EQ(LocalPathFromFileUrl("/plain/path.jpg"), "");
}

TEST(DropListTest, EscapedReservedCharactersBelongToTheName) {
  // An escaped '#' or '?' is part of the name; a bare one starts a fragment or query.
  EXPECT_EQ(LocalPathFromFileUrl("file:///p/a%23b%3F.jpg"), "/p/a#b?.jpg");
  EXPECT_EQ(LocalPathFromFileUrl("file:///p/a.jpg#part"), "/p/a.jpg");
  EXPECT_EQ(LocalPathFromFileUrl("file:///p/100%25.jpg"), "/p/100%.jpg");
}

}  // namespace
}  // namespace brevine::platform
