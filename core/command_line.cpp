#include "command_line.h"

#include <iostream>

#include "batch_runner.h"
#include "brevine_version.h"
#include "file_system.h"
#include "folder_walk.h"
#include "settings_file.h"

namespace brevine {
namespace {

constexpr char kUsage[] =
    "Usage: brevine [IMAGE...]\n"
    "       brevine /sc [IMAGE...]\n"
    "       brevine --help | --version\n"
    "\n"
    "Reduces each IMAGE (.jpg .jpeg .gif .png .bmp .webp .heic .heif .hif .avif) to fit the\n"
    "box chosen in the window and writes it as a JPEG beside it (under an added text or in a\n"
    "sub-folder), with the options stored by the window. Without arguments the window opens.\n"
    "format=webp or format=avif in the settings file writes WebP or AVIF instead: smaller\n"
    "files for web pages (JPEG, the default, is the one for mail).\n"
    "\"/sc\" as the first argument puts a launcher on the desktop first. With folders=1 in the\n"
    "settings file a FOLDER stands for the images in it and in its sub-folders, in name order.\n"
    "\n"
    "Options are read from the program's path with \".ini\" added, or, for an installed\n"
    "program or where the program's folder cannot be written, from\n"
    "~/.config/brevine/brevine.ini. A command-line run never changes them.\n"
    "\n"
    "Environment:\n"
    "  BREVINE_JOBS=N   files worked on at once (default: one per core, as free memory\n"
    "                   allows; 1 works through them one after the other)\n"
    "\n"
    "Exit status: 0 when every IMAGE was written; otherwise 1, with one line\n"
    "\"brevine: IMAGE: REASON\" on standard error for each one that was not. Of two IMAGEs\n"
    "with one output name (a.jpg and a.png) the later one's JPEG stays, and it says so:\n"
    "\"brevine: IMAGE: replaces the result of EARLIER\".\n";

}  // namespace

std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times, int jobs) {
  return RunBatch(absolutePaths, settings, clock, jobs > 0 ? jobs : DefaultJobs(), times);
}

bool PrintInformation(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 1) return false;
  if (args[0] == "--help") {
    out << kUsage;
  } else if (args[0] == "--version") {
    out << "Brevine " << kVersion << "\n";
  } else {
    return false;
  }
  out.flush();
  return true;
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& out, std::ostream& err, const std::string& cwd) {
  if (PrintInformation(args, out)) return 0;
  FixedSettings settings(ReadSettingsFile(SettingsFilePath(programPath)));
  const platform::SystemClock clock;
  std::vector<BatchPath> named;
  named.reserve(args.size());
  for (const std::string& arg : args) named.push_back({platform::AbsolutePath(arg, cwd), arg});
  // The launcher switch has been handled before the run; it is no failed file.
  const bool launcher = !args.empty() && args[0] == "/sc";
  if (launcher) named.erase(named.begin());
  const std::vector<BatchPath> items = ExpandFolders(named, settings);

  std::vector<std::string> paths;
  std::vector<std::size_t> itemOf;  // batch index -> item index
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].unreadableFolder) continue;
    paths.push_back(items[k].path);
    itemOf.push_back(k);
  }

  int status = 0;
  const auto print = [&](const std::string& shown, FileResult result, const std::string& detail) {
    err << "brevine: " << shown << ": " << FailureText(result, detail) << "\n";
    err.flush();
    status = 1;
  };
  // Folders that could not be listed are reported at their place among the files.
  std::size_t reported = 0;
  const auto reportFoldersBefore = [&](std::size_t end) {
    for (; reported < end; ++reported)
      if (items[reported].unreadableFolder)
        print(items[reported].shown, FileResult::kCannotRead, {});
  };
  // Each line goes out as soon as its file is committed, so a long batch reports as it goes.
  const CommitReport report = [&](const CommittedFile& c) {
    const std::size_t k = itemOf[c.index];
    reportFoldersBefore(k);
    reported = k + 1;
    if (c.result != FileResult::kWritten) {
      print(items[k].shown, c.result, c.detail);
    } else if (c.replaced) {
      // Last wins, as in a one-file-at-a-time run, but not silently: the earlier result is
      // gone. Not a failure, so the exit status stays.
      err << "brevine: " << items[k].shown << ": replaces the result of "
          << items[itemOf[*c.replaced]].shown << "\n";
      err.flush();
    }
  };
  RunBatch(paths, settings, clock, DefaultJobs(), nullptr, report);
  reportFoldersBefore(items.size());
  err.flush();
  return status;
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd) {
  return RunCommandLine(args, programPath, std::cout, err, cwd);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath) {
  return RunCommandLine(args, programPath, std::cout, std::cerr);
}

}  // namespace brevine
