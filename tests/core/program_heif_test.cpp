// The built program, which opens libheif only when a file needs it, reads HEIC and AVIF
// sources and writes AVIF results with the same bytes as the command line run in this
// process (which has libheif linked for its sample files).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "command_line.h"
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

TEST(ProgramHeif, TheBuiltProgramReadsHeicAndAvifAndWritesAvifAsTheCoreDoes) {
  Options o = test::PlainOptions();
  o.boxPreset = 7;
  o.boxWidth = 40;
  o.boxHeight = 40;
  o.format = "avif";
  const std::string ini = FormatSettings(o);
  test::HeifOptions av1;
  av1.av1 = true;
  const auto heic = test::EncodeHeif(test::Quadrants(64, 48));
  const auto avif = test::EncodeHeif(test::Quadrants(48, 64), av1);
  const auto bmp = test::EncodeBmp24(test::MakePhotoLike(50, 30, 4));
  const std::vector<std::string> args{"t.heic", "a.avif", "p.bmp"};

  test::TempFolder core, program;
  for (const test::TempFolder* dir : {&core, &program}) {
    test::WriteFile(*dir / "brevine.ini", {ini.begin(), ini.end()});
    test::WriteFile(*dir / "t.heic", heic);
    test::WriteFile(*dir / "a.avif", avif);
    test::WriteFile(*dir / "p.bmp", bmp);
  }
  std::ostringstream err;
  ASSERT_EQ(RunCommandLine(args, core / "brevine", err, core.Path()), 0) << err.str();
  // Copied, so that the settings beside it are the folder's.
  fs::copy_file(BREVINE_PROGRAM, program / "brevine");
  ASSERT_EQ(RunProgram(program / "brevine", program.Path(), args), 0);

  const auto listing = test::Listing(core.Path());
  EXPECT_TRUE(listing.count("Resized/t.avif") && listing.count("Resized/a.avif") &&
              listing.count("Resized/p.avif"));
  auto programListing = test::Listing(program.Path());
  programListing.erase("brevine");
  EXPECT_EQ(programListing, listing);
  for (const std::string& name : listing) {
    if (name.back() == '/') continue;
    EXPECT_EQ(test::ReadFile(program / name), test::ReadFile(core / name)) << name;
  }
}

}  // namespace
}  // namespace brevine
