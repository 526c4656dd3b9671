#include "desktop.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "test_images.h"

namespace brevine::platform {
namespace {

// Sets or clears an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

TEST(DesktopEntryTest, ExecArgumentsAreQuotedOnlyWhenNeeded) {
  EXPECT_EQ(QuoteExecArgument("/usr/bin/brevine"), "/usr/bin/brevine");
  EXPECT_EQ(QuoteExecArgument("/opt/my apps/brevine"), "\"/opt/my apps/brevine\"");
  EXPECT_EQ(QuoteExecArgument("/a/b$c\"d`e\\f"), "\"/a/b\\$c\\\"d\\`e\\\\f\"");
  EXPECT_EQ(QuoteExecArgument("/a/100%/b"), "/a/100%%/b");  // not a field code
  EXPECT_EQ(QuoteExecArgument("/a/it's"), "\"/a/it's\"");
  EXPECT_EQ(QuoteExecArgument(""), "\"\"");
}

TEST(DesktopEntryTest, StringValuesEscapeBackslashAndControlCharacters) {
  EXPECT_EQ(EscapeDesktopValue("a\\b\nc\td\re"), "a\\\\b\\nc\\td\\re");
  EXPECT_EQ(EscapeDesktopValue("照片 folder"), "照片 folder");
}

TEST(DesktopEntryTest, LauncherStartsTheProgramWithTheDroppedFiles) {
  const std::string text = FormatLauncher("Brevine", "/opt/my apps/brevine", "brevine");
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  for (const char* line : {"\nType=Application\n", "\nName=Brevine\n", "\nComment=Brevine\n",
                           "\nExec=\"/opt/my apps/brevine\" %F\n", "\nPath=/opt/my apps\n",
                           "\nIcon=brevine\n", "\nTerminal=false\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_NE(text.find("\nMimeType=image/jpeg;"), std::string::npos);
  for (const char* type : {"image/png;", "image/gif;", "image/bmp;"})
    EXPECT_NE(text.find(type), std::string::npos) << type;
  // A backslash is escaped by the quoting rule and again as a string value.
  EXPECT_NE(
      FormatLauncher("Brevine", "/x\\y/brevine", "i").find("Exec=\"/x\\\\\\\\y/brevine\" %F\n"),
      std::string::npos);
}

TEST(DesktopFolderTest, FollowsUserDirsElseDesktopUnderHome) {
  test::TempFolder home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(DesktopFolder(), home / "Desktop/");

  ASSERT_EQ(mkdir((home / ".config").c_str(), 0755), 0);
  WriteText(home / ".config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
            "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  EXPECT_EQ(DesktopFolder(), home / "桌面/");

  test::TempFolder config;
  ScopedEnv configSet("XDG_CONFIG_HOME", config.Path());
  WriteText(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/shared desk/\"\n");
  EXPECT_EQ(DesktopFolder(), "/srv/shared desk/");
}

TEST(DesktopShortcutTest, WritesAnExecutableLauncherAndReplacesAnOldOne) {
  test::TempFolder home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
  ASSERT_EQ(mkdir((home / "Desktop").c_str(), 0755), 0);
  const std::string launcher = home / "Desktop/Brevine.desktop";
  WriteText(launcher, "stale");
  chmod(launcher.c_str(), 0600);

  EXPECT_EQ(CreateDesktopShortcut("Brevine", "/opt/my apps/brevine"), launcher);
  EXPECT_EQ(ReadText(launcher), FormatLauncher("Brevine", "/opt/my apps/brevine", "brevine"));
  struct stat info;
  ASSERT_EQ(stat(launcher.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
  // Written under a temporary name and renamed: nothing else is left on the desktop.
  EXPECT_EQ(FolderEntries(home / "Desktop"), std::vector<std::string>{"Brevine.desktop"});
}

TEST(DesktopShortcutTest, CreatesAMissingDesktopAndUsesAnIconBesideTheProgram) {
  test::TempFolder home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
  test::TempFolder programFolder;
  WriteText(programFolder / "brevine.png", "png");
  const std::string program = programFolder / "brevine";
  const std::string launcher = CreateDesktopShortcut("Brevine", program);
  EXPECT_EQ(launcher, home / "Desktop/Brevine.desktop");
  EXPECT_NE(ReadText(launcher).find("\nIcon=" + programFolder / "brevine.png" + "\n"),
            std::string::npos);
}

TEST(DesktopShortcutTest, FailuresAreRaised) {
  ScopedEnv homeEnv("HOME", "/nonexistent-brevine-home/deeper");
  ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_THROW(CreateDesktopShortcut("Brevine", "/usr/bin/brevine"), std::runtime_error);
  test::TempFolder home;
  ScopedEnv homeSet("HOME", home.Path());
  EXPECT_THROW(CreateDesktopShortcut("Brevine", "relative/brevine"), std::runtime_error);
}

}  // namespace
}  // namespace brevine::platform
