#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <system_error>

#include "file_system.h"
#include "file_utils.h"
#include "fixed_clock.h"
#include "test_images.h"

namespace brevine {
namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(TimestampName, DigitsFollowTheMilliseconds) {
  test::FixedClock clock({2024, 3, 9, 4, 5, 7, 250});
  EXPECT_EQ(TimestampName(clock), "20240309040507250");
  clock.Set({2024, 12, 31, 23, 59, 59, 7});
  EXPECT_EQ(TimestampName(clock), "202412312359597");
  clock.Set({2024, 12, 31, 23, 59, 59, 0});
  EXPECT_EQ(TimestampName(clock), "202412312359590");
  clock.Set({2025, 1, 1, 0, 0, 0, 1});
  EXPECT_EQ(DateName(clock), "20250101");
}

TEST(FileSizeBytes, MissingEmptyFolderAndContent) {
  test::TempFolder dir;
  EXPECT_EQ(FileSizeBytes(dir / "missing"), -1);
  EXPECT_EQ(FileSizeBytes(dir.Path()), -1);
  test::WriteFile(dir / "empty", {});
  EXPECT_EQ(FileSizeBytes(dir / "empty"), 0);
  test::WriteFile(dir / "five", {1, 2, 3, 4, 5});
  EXPECT_EQ(FileSizeBytes(dir / "five"), 5);
  if (::geteuid() != 0) {
    ::chmod((dir / "five").c_str(), 0);
    EXPECT_THROW(FileSizeBytes(dir / "five"), std::system_error);
  }
}

TEST(AppendLine, CreatesThenExtendsWithCrLf) {
  test::TempFolder dir;
  const std::string path = dir / "index.html";
  AppendLine(path, "first");
  EXPECT_EQ(Text(test::ReadFile(path)), "first\r\n");
  AppendLine(path, "");
  AppendLine(path, "third");
  EXPECT_EQ(Text(test::ReadFile(path)), "first\r\n\r\nthird\r\n");
  EXPECT_THROW(AppendLine(dir / "no/such/folder.html", "x"), std::system_error);
  EXPECT_THROW(AppendLine(dir.Path(), "x"), std::system_error);
}

// A file-size limit stands in for a full disk: a write that crosses it is cut short there,
// and the next one fails.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    signal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  rlimit old_{};
  void (*signal_)(int) = nullptr;
};

TEST(AppendLine, AShortWriteIsTakenBackWhole) {
  test::TempFolder dir;
  const std::string path = dir / "index.html";
  AppendLine(path, std::string(98, 'a'));
  {
    FileSizeLimit full(130);
    try {
      AppendLine(path, std::string(60, 'b'));
      ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().value(), EFBIG);
    }
  }
  EXPECT_EQ(Text(test::ReadFile(path)), std::string(98, 'a') + "\r\n");
  AppendLine(path, "c");
  EXPECT_EQ(Text(test::ReadFile(path)), std::string(98, 'a') + "\r\nc\r\n");
}

// A result file appears whole or not at all, with the mode any new file gets, and nothing
// of the temporary file stays behind, also when the write fails.
TEST(WriteFileAtomic, WholeFileUsualModeNoLeftovers) {
  test::TempFolder dir;
  const std::string path = dir / "out.jpg";
  test::WriteFile(path, std::vector<std::uint8_t>(5000, 7));
  const std::vector<std::uint8_t> bytes = {1, 2, 3};
  const mode_t old = ::umask(022);
  platform::WriteFileAtomic(path, bytes.data(), bytes.size());
  ::umask(old);
  EXPECT_EQ(test::ReadFile(path), bytes);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_THROW(platform::WriteFileAtomic(dir / "missing/out.jpg", bytes.data(), bytes.size()),
               std::system_error);
  std::size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace brevine
