#pragma once
// The command-line run: brevine [OPTION...] [--] [IMAGE|FOLDER...]. The flags come from the
// option table and set options for this run only, over the settings file; nothing is
// stored and no display is needed.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "option_table.h"
#include "pipeline.h"
#include "process_settings.h"

namespace brevine {

// Runs absolute paths through the pipeline and returns one result per path, in order.
// Files are prepared on `jobs` workers (0: DefaultJobs(), which BREVINE_JOBS overrides)
// and committed in argument order; one job is the plain sequential run.
std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times = nullptr, int jobs = 0);

// One use of an option's flag, in the order given.
struct FlagUse {
  const OptionRow* row;
  const OptionFlag* flag;
  std::optional<std::string> argument;
};

// The arguments once read: the paths, the flags over the options, and the run's own
// switches. `error` names the option and the reason when the arguments are refused.
struct Arguments {
  std::vector<std::string> paths;
  bool launcher = false;  // "/sc" came first
  bool help = false;
  bool version = false;
  bool verbose = false;
  std::optional<int> jobs;
  std::optional<std::string> settingsFile;
  std::optional<std::string> preset;  // -p, --preset: applied between the settings and the flags
  std::string presetFlag;             // as it was written, for a usage error
  bool listPresets = false;
  bool desktop = false;                  // --desktop: started by the desktop
  bool window = false;                   // --window: the files go to the window
  std::optional<std::string> filesFrom;  // --files-from: a file of names ("-": standard input)
  bool null = false;                     // -0, --null: its names end in NUL bytes
  std::vector<FlagUse> flags;
  std::optional<std::string> errorOption;
  std::string errorReason;
};
// GNU conventions: "--opt=value" and "--opt value", unambiguous abbreviations of long
// names, clustered short flags, "--" ends the options; every other argument that begins
// with "-" is an option. Every value is checked here, before anything is read.
Arguments ParseArguments(const std::vector<std::string>& args);
// The flags applied over `options`, in their order.
Options ApplyFlags(const Arguments& arguments, Options options);

// Whether a window may take the files of this run: it names a preset or an option of its
// own only through -r (which says how to read the arguments, not how to reduce them).
bool LeavesOptionsToWindow(const Arguments& arguments);
// The run's files for a window: absolute, the folders walked when -r (or the stored
// `folders`) asks for it, folders that cannot be listed left out.
std::vector<std::string> FilesForWindow(const Arguments& arguments, const std::string& programPath,
                                        const std::string& cwd = {});

// What a run did, for the notification a run from the desktop ends with.
struct RunSummary {
  std::size_t written = 0;
  std::size_t skipped = 0;
  std::uint64_t bytesBefore = 0;  // the sources of the written results
  std::uint64_t bytesAfter = 0;   // the results
  std::size_t failed = 0;
  std::string firstFailure;          // "NAME: REASON" of the first file not written
  std::vector<std::string> results;  // the first results' paths, for "Open folder"
};
// The notification's title and body: "Brevine: N photos written", the sizes before and
// after, and the failures with the first one's reason.
std::string SummaryTitle(const RunSummary& summary);
std::string SummaryBody(const RunSummary& summary);
// The line a run on a terminal ends with: "N written, M skipped, K failed; X MB → Y MB".
std::string SummaryLine(const RunSummary& summary);

// The names a --files-from list holds: separated by NUL bytes (`null`, as find -print0
// writes them; a name may then hold a line end) or by line ends; empty names left out.
std::vector<std::string> ListedNames(const std::string& text, bool null);
// The same names, each handed to `take` in turn.
void ForEachListedName(const std::string& text, bool null,
                       const std::function<void(const std::string& name)>& take);

// The --help text, made from the option table.
std::string UsageText();
// The manual page's list of flags and its list of settings keys by section, in troff,
// made from the option table.
std::string ManualOptions();
std::string ManualSettings();

// args without argument 0. Exit status: 0 when every file was written, 1 when one was not
// ("brevine: PATH: REASON" on `err` for each, as soon as its turn in argument order has
// come), 2 for a usage error ("brevine: OPTION: REASON" and a pointer to --help; nothing is
// read or written). An argument whose JPEG replaced the one an earlier argument wrote in
// this run prints "brevine: PATH: replaces the result of EARLIER" and still counts as
// written. Relative paths are taken against `cwd` (the current folder when empty). --help,
// --version and the lines of --verbose go to `out`. When `progress` is set and there is
// more than one file, a line redrawn in place on `err` shows how far the run is.
// `workers`: the sources are read by decode workers started from this program (see
// decode_worker.h); "brevine: decoding without confinement: WHY" is said once where they
// cannot be confined.
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& out, std::ostream& err, const std::string& cwd = {},
                   bool progress = false, bool workers = false);
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd = {});
// With the standard streams; the progress line when standard error is a terminal.
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath);

}  // namespace brevine
