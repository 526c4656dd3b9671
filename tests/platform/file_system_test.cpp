#include "file_system.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "shell_open.h"
#include "test_images.h"

namespace brevine::platform {
namespace {

TEST(ReadTextFile, WholeBytesOrNothing) {
  test::TempFolder dir;
  const std::string text("[a]\r\nk=v\0w\n", 11);
  test::WriteFile(dir / "t.ini", {text.begin(), text.end()});
  EXPECT_EQ(ReadTextFile(dir / "t.ini"), text);
  EXPECT_EQ(ReadTextFile(dir / "missing.ini"), "");
  EXPECT_EQ(ReadTextFile(dir.Path()), "");  // a folder
  // A kernel file reports size 0 and still has content.
  EXPECT_NE(ReadTextFile("/proc/self/status").find("Name:"), std::string::npos);
}

// The order of the system calls is the point, and only a tracer sees it: the test runs
// itself under strace where that is possible.
TEST(WriteFileAtomic, SyncsTheDataBeforeTheRenameAndTheFolderAfter) {
  if (const char* out = std::getenv("BREVINE_TRACED_WRITE")) {
    const std::uint8_t bytes[] = {1, 2, 3};
    WriteFileAtomic(out, bytes, sizeof bytes);
    return;
  }
  if (!ProgramInPath("strace")) GTEST_SKIP() << "no strace";
  test::TempFolder dir;
  const std::string command = "BREVINE_TRACED_WRITE=" + (dir / "out.jpg") +
                              " strace -f -qq -e trace=fsync,rename,renameat,renameat2 -o " +
                              (dir / "log") + " /proc/" + std::to_string(::getpid()) +
                              "/exe --gtest_filter=WriteFileAtomic.* >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "cannot trace here";
  const std::string log = ReadTextFile(dir / "log");
  const auto rename = log.find("rename");
  ASSERT_NE(rename, std::string::npos) << log;
  const auto dataSync = log.rfind("fsync(", rename);
  const auto folderSync = log.find("fsync(", rename);
  EXPECT_NE(dataSync, std::string::npos) << log;
  EXPECT_NE(folderSync, std::string::npos) << log;
}

}  // namespace
}  // namespace brevine::platform
