// Every file that is not written, or written with a flaw, says why in the words of what
// failed: the system's error text, the picture's size and the limit, libjpeg's own message.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "command_line.h"
#include "pipeline_support.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using test::JpegOf;

class Reasons : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& args) {
    err_.str("");
    return RunCommandLine(args, dir_ / "brevine", out_, err_, dir_.Path());
  }
  test::TempFolder dir_;
  std::ostringstream out_, err_;
};

TEST_F(Reasons, ACutOffJpegIsWrittenWithAWarning) {
  const auto whole = JpegOf(test::MakePhotoLike(64, 128, 3), 90);
  test::WriteFile(dir_ / "cut.jpg", {whole.begin(), whole.begin() + whole.size() / 2});
  EXPECT_EQ(Run({"cut.jpg"}), 0);
  const std::string e = err_.str();
  const std::string head = "brevine: cut.jpg: warning: ends early: the last ";
  ASSERT_EQ(e.rfind(head, 0), 0u) << e;
  const int rows = std::stoi(e.substr(head.size()));
  EXPECT_GT(rows, 16);
  EXPECT_LT(rows, 128);
  EXPECT_EQ(e.substr(e.find(" rows")), " rows are grey\n");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "Resized/cut.jpg"));
  // A whole file says nothing.
  test::WriteFile(dir_ / "whole.jpg", whole);
  EXPECT_EQ(Run({"whole.jpg"}), 0);
  EXPECT_EQ(err_.str(), "");
}

TEST_F(Reasons, DecodersAndSizesSpeakEnglishWithTheirNumbers) {
  // libjpeg's own text and code, not the window's.
  auto bad = JpegOf(test::MakePhotoLike(32, 32, 1), 90);
  for (std::size_t i = 2; i + 1 < bad.size(); ++i)
    if (bad[i] == 0xFF && bad[i + 1] == 0xDB) {  // the quantisation table's marker
      bad[i + 3] = 1;                            // a length too short for it
      break;
    }
  test::WriteFile(dir_ / "bad.jpg", bad);
  // A BMP that declares more pixels than the program takes.
  std::vector<std::uint8_t> huge = test::EncodeBmp24(test::MakePhotoLike(4, 4, 1));
  const auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) huge[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
  };
  put32(18, 40000);
  put32(22, 40000);
  test::WriteFile(dir_ / "huge.bmp", huge);
  EXPECT_EQ(Run({"bad.jpg", "huge.bmp", "missing"}), 1);
  std::istringstream lines(err_.str());
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("brevine: bad.jpg: cannot decode: ", 0), 0u) << line;
  EXPECT_NE(line.find(" (JPEG error "), std::string::npos) << line;
  for (unsigned char c : line) EXPECT_LT(c, 0x80) << line;
  std::getline(lines, line);
  EXPECT_EQ(line,
            "brevine: huge.bmp: too large: BMP: 40000x40000 pixels, more than the limit of "
            "536870912");
  std::getline(lines, line);
  EXPECT_EQ(line, "brevine: missing: no such file");
}

// A full disk (a file-size limit here) tells the system's reason.
TEST_F(Reasons, AWriteThatFailsSaysWhy) {
  test::WriteFile(dir_ / "a.jpg", JpegOf(test::MakePhotoLike(300, 200, 2), 95));
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto signal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const int status = Run({"-q", "100", "a.jpg"});
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, signal);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err_.str(), "brevine: a.jpg: cannot write: File too large\n");
  EXPECT_EQ(test::Listing(dir_ / "Resized"), std::set<std::string>{});
}

}  // namespace
}  // namespace brevine
