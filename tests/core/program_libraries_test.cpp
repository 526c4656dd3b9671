// The built program, which opens libheif, libtiff and libjxl only when a file needs them,
// reads HEIC, AVIF, TIFF and JPEG XL sources and writes AVIF and JPEG XL results with the
// same bytes as the command line run in this process (which has libheif and libtiff linked
// for its sample files).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "command_line.h"
#include "dng_files.h"
#include "heif_files.h"
#include "pipeline_support.h"
#include "settings_file.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;

// The program run in `folder` with the arguments; its exit status, or -1.
int RunProgram(const std::string& program, const std::string& folder,
               const std::vector<std::string>& args) {
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (chdir(folder.c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

using Files = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// The core in this process and the built program (its decode workers behind their walls,
// each opening the libraries its files need) reduce the same files with the same settings:
// both write the same files with the same bytes, among them `results`.
void ExpectTheProgramWritesAsTheCore(const Options& o, const Files& files,
                                     const std::vector<std::string>& results) {
  const std::string ini = FormatSettings(o);
  std::vector<std::string> args;
  for (const auto& [name, bytes] : files) args.push_back(name);
  test::TempFolder core, program;
  for (const test::TempFolder* dir : {&core, &program}) {
    test::WriteFile(*dir / "brevine.ini", {ini.begin(), ini.end()});
    for (const auto& [name, bytes] : files) test::WriteFile(*dir / name, bytes);
  }
  std::ostringstream err;
  ASSERT_EQ(RunCommandLine(args, core / "brevine", err, core.Path()), 0) << err.str();
  // Copied, so that the settings beside it are the folder's.
  fs::copy_file(BREVINE_PROGRAM, program / "brevine");
  ASSERT_EQ(RunProgram(program / "brevine", program.Path(), args), 0);

  const auto listing = test::Listing(core.Path());
  for (const std::string& result : results) EXPECT_TRUE(listing.count(result)) << result;
  auto programListing = test::Listing(program.Path());
  programListing.erase("brevine");
  EXPECT_EQ(programListing, listing);
  for (const std::string& name : listing) {
    if (name.back() == '/') continue;
    EXPECT_EQ(test::ReadFile(program / name), test::ReadFile(core / name)) << name;
  }
}

TEST(ProgramLibraries, TheBuiltProgramReadsHeicAndAvifAndWritesAvifAsTheCoreDoes) {
  Options o = test::PlainOptions();
  o.boxPreset = 7;
  o.boxWidth = 40;
  o.boxHeight = 40;
  o.format = "avif";
  test::HeifOptions av1;
  av1.av1 = true;
  ExpectTheProgramWritesAsTheCore(o,
                                  {{"t.heic", test::EncodeHeif(test::Quadrants(64, 48))},
                                   {"a.avif", test::EncodeHeif(test::Quadrants(48, 64), av1)},
                                   {"p.bmp", test::EncodeBmp24(test::MakePhotoLike(50, 30, 4))}},
                                  {"Resized/t.avif", "Resized/a.avif", "Resized/p.avif"});
}

// libtiff and libjxl are opened by the workers that read a TIFF or a JPEG XL (before their
// walls, where no library could be opened) and by the program itself for a JPEG XL result.
TEST(ProgramLibraries, TheBuiltProgramReadsTiffAndJpegXlAndWritesJpegXlAsTheCoreDoes) {
  Options o = test::PlainOptions();
  o.boxPreset = 7;
  o.boxWidth = 48;
  o.boxHeight = 48;
  const test::TempFolder scratch;
  ASSERT_TRUE(test::WriteRgbTiff(scratch / "s.tif", 70, 40));
  const auto tiff = test::ReadFile(scratch / "s.tif");
  const auto jxl = EncodeJxl(test::MakePhotoLike(60, 45, 8), 85, false, {});
  const auto bmp = test::EncodeBmp24(test::MakePhotoLike(50, 30, 4));
  ExpectTheProgramWritesAsTheCore(o, {{"s.tif", tiff}, {"j.jxl", jxl}, {"p.bmp", bmp}},
                                  {"Resized/s.jpg", "Resized/j.jpg", "Resized/p.jpg"});
  o.format = "jxl";
  ExpectTheProgramWritesAsTheCore(o, {{"s.tif", tiff}, {"j.jxl", jxl}, {"p.bmp", bmp}},
                                  {"Resized/s.jxl", "Resized/j.jxl", "Resized/p.jxl"});
}

}  // namespace
}  // namespace brevine
