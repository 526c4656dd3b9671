#include "shell_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "test_images.h"

namespace brevine::platform {
namespace {

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(ShellOpenTest, RunAndWaitGivesTheExitStatus) {
  EXPECT_EQ(RunAndWait({"sh", "-c", "exit 3"}), 3);
  EXPECT_EQ(RunAndWait({"true"}), 0);
  EXPECT_EQ(RunAndWait({"brevine-no-such-program"}), -1);
  EXPECT_EQ(RunAndWait({}), -1);
}

TEST(ShellOpenTest, LaunchDetachedStartsWithoutWaiting) {
  test::TempFolder folder;
  const std::string marker = folder / "started";
  // The program sleeps before writing: a launcher that waited would take the full two seconds.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(LaunchDetached({"sh", "-c", "sleep 2; echo > \"$0\"", marker}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_TRUE(WaitForFile(marker));
  EXPECT_FALSE(LaunchDetached({"brevine-no-such-program"}));
}

TEST(ShellOpenTest, MissingDocumentIsNotHandedOver) {
  test::TempFolder folder;
  EXPECT_FALSE(OpenWithAssociatedProgram(folder / "help/help.html"));
  EXPECT_FALSE(OpenWithAssociatedProgram(folder.Path()));  // a folder is no document
}

TEST(ShellOpenTest, ProgramInPathLooksOnlyAtExecutables) {
  EXPECT_TRUE(ProgramInPath("sh"));
  EXPECT_FALSE(ProgramInPath("brevine-no-such-program"));
}

}  // namespace
}  // namespace brevine::platform
