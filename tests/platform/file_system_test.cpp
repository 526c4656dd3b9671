#include "file_system.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "interrupt_cleanup.h"
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

// Up to the limit a file is read whole, beyond it refused, including a file longer than its
// size said (kernel files report 0), which is read in growing steps.
TEST(ReadSmallFile, ToTheLimitWhateverTheFileSaidItsSizeWas) {
  test::TempFolder dir;
  const std::vector<std::uint8_t> bytes(5000, 'x');
  test::WriteFile(dir / "at.ini", bytes);
  SmallFile file = ReadSmallFile(dir / "at.ini", 5000);
  EXPECT_EQ(file.problem, "");
  EXPECT_EQ(file.text, std::string(5000, 'x'));
  EXPECT_EQ(ReadSmallFile(dir / "at.ini", 4999).problem, "larger than 4999 bytes");
  test::WriteFile(dir / "empty.ini", {});
  file = ReadSmallFile(dir / "empty.ini", 10);
  EXPECT_EQ(file.problem, "");
  EXPECT_EQ(file.text, "");

  file = ReadSmallFile("/proc/self/status", 1 << 20);
  EXPECT_EQ(file.problem, "");
  EXPECT_EQ(file.text.rfind("Name:", 0), 0u);
  EXPECT_NE(file.text.find("\nvoluntary_ctxt_switches:"), std::string::npos);
  EXPECT_EQ(file.text.back(), '\n');
  EXPECT_EQ(ReadSmallFile("/proc/self/status", 100).problem, "larger than 100 bytes");
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

int OpenFolderFd(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY); }

// A temporary that an ended writer left is taken away by the next writer into the folder;
// one whose writer still holds its lock is not, nor anything that only looks like one.
TEST(Temporaries, OnlyThoseNoWriterHoldsAreRemoved) {
  test::TempFolder dir;
  const std::string stale = dir / ".brevine-0123456789abcdef";
  const std::string held = dir / ".brevine-fedcba9876543210";
  for (const std::string& path : {stale, held, dir / ".brevine-notatemporary", dir / "photo.jpg"})
    test::WriteFile(path, {1, 2, 3});
  UniqueFd holder(::open(held.c_str(), O_RDONLY));
  ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
  UniqueFd folder(OpenFolderFd(dir.Path()));
  EXPECT_EQ(RemoveStaleTemporaries(folder.get()), 1u);
  EXPECT_FALSE(FileExists(stale));
  EXPECT_TRUE(FileExists(held));
  EXPECT_TRUE(FileExists(dir / ".brevine-notatemporary"));
  EXPECT_TRUE(FileExists(dir / "photo.jpg"));
}

// SIGINT, SIGTERM and SIGHUP take away the temporary in flight and end with 128 + signal.
TEST(Temporaries, AnInterruptRemovesTheOneInFlight) {
  test::TempFolder dir;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const std::string temp = ".brevine-00000000000000" + std::to_string(signal % 10) + "a";
    test::WriteFile(dir / temp, {1});
    test::WriteFile(dir / "kept", {1});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemoveTemporariesOnInterrupt();
      const int folder = OpenFolderFd(dir.Path());
      const InFlightTemporary inFlight(folder, temp);
      ::raise(signal);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_FALSE(FileExists(dir / temp)) << signal;
    EXPECT_TRUE(FileExists(dir / "kept"));
  }
}

}  // namespace
}  // namespace brevine::platform
