#include "path_text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace brevine::platform {
namespace {

TEST(PathParts, FolderNameAndParent) {
  struct Case {
    const char* path;
    const char* folderPart;
    const char* name;
    const char* parent;
  };
  for (const Case& c : {
           Case{"/pics/a.jpg", "/pics/", "a.jpg", "/pics"},
           Case{"/a.jpg", "/", "a.jpg", "/"},
           Case{"a.jpg", "", "a.jpg", "."},
           Case{"/pics/", "/pics/", "", "/pics"},
           Case{"", "", "", "."},
           // A backslash is an ordinary character in a name here, not a separator.
           Case{"/p/a\\b.jpg", "/p/", "a\\b.jpg", "/p"},
       }) {
    EXPECT_EQ(FolderPart(c.path), c.folderPart) << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
    EXPECT_EQ(FolderPart(c.path) + NamePart(c.path), c.path);
  }
  EXPECT_EQ(WithoutTrailingSlashes("/a/b//"), "/a/b");
  EXPECT_EQ(WithoutTrailingSlashes("///"), "/");
  EXPECT_EQ(WithoutTrailingSlashes("a"), "a");
}

TEST(PathParts, ExtensionOfTheLastComponentOnly) {
  EXPECT_EQ(".jpg", LowerExtension("/a/Photo.JPG"));
  EXPECT_EQ(".jpeg", LowerExtension("x.JpEg"));
  EXPECT_EQ(".gz", LowerExtension("a.tar.gz"));
  EXPECT_EQ("", LowerExtension("/a.b/photo"));
  EXPECT_EQ("", LowerExtension("photo"));
  EXPECT_EQ(".", LowerExtension("photo."));
  EXPECT_EQ(".b\\photo", LowerExtension("a.b\\photo"));
  EXPECT_EQ(".bmp", LowerExtension("/home/\xC3\xA9t\xC3\xA9.BMP"));
  EXPECT_EQ(".\xC3\x89", LowerExtension("a.\xC3\x89"));  // only ASCII letters fold
  EXPECT_EQ(ExtensionStart("/p.d/x.y.bmp"), 8u);
  EXPECT_EQ(ExtensionStart("/p.d/x"), std::string::npos);
}

// A process locale (Qt sets one) must not change what counts as a letter: in a Latin-1
// locale std::tolower would fold the byte 0xC9 into 0xE9.
TEST(TextRules, LowerCaseIgnoresTheLocale) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  for (const char* name : {"C.UTF-8", "en_US.UTF-8", "en_US.ISO-8859-1", "de_DE.ISO-8859-1"}) {
    if (!std::setlocale(LC_CTYPE, name)) continue;
    EXPECT_EQ(AsciiLower("A\xC9z.PNG"), "a\xC9z.png") << name;
    EXPECT_EQ(LowerExtension("x.P\xC9G"), ".p\xC9g") << name;
  }
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(TextRules, TrimAndUnsigned) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim(" \r\n\t"), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // a no-break space is no blank here

  EXPECT_EQ(ParseUnsigned("0"), 0u);
  EXPECT_EQ(ParseUnsigned("18446744073709551615"), UINT64_MAX);
  for (const char* bad : {"", " 1", "1 ", "+1", "-1", "1x", "18446744073709551616", "0x10"})
    EXPECT_EQ(ParseUnsigned(bad), std::nullopt) << bad;
}

TEST(PathRules, NormalPathResolvesDotsByTheTextAndKeepsRelativePathsRelative) {
  const std::pair<const char*, const char*> cases[] = {
      {"pics/../pics/b.bmp", "pics/b.bmp"},
      {"./a", "a"},
      {"a/..", "."},
      {"", "."},
      {"../x/../../y", "../../y"},
      {"a//b/./", "a/b/"},
      {"/a/../..", "/"},
      {"/..//x", "/x"},
      {"//", "/"},
      {"/p/q/", "/p/q/"},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalPath(path), normal) << path;
}

}  // namespace
}  // namespace brevine::platform
