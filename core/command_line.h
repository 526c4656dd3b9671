#pragma once
// The command-line run: every argument is an image path, processed in order with the
// options of the settings file; nothing is stored and no display is needed.

#include <iosfwd>
#include <string>
#include <vector>

#include "clock.h"
#include "pipeline.h"
#include "process_settings.h"

namespace brevine {

// Runs absolute paths through the pipeline and returns one result per path, in order.
// Files are prepared on `jobs` workers (0: DefaultJobs(), which BREVINE_JOBS overrides)
// and committed in argument order; one job is the plain sequential run.
std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times = nullptr, int jobs = 0);

// "--help" or "--version" as the one and only argument: prints the usage or "Brevine " and
// the project's version on `out` and returns true. Anywhere else they are paths like any other.
bool PrintInformation(const std::vector<std::string>& args, std::ostream& out);

// args without argument 0. Prints "brevine: PATH: REASON" on `err` for every argument
// that produced no JPEG (a leading "/sc" excepted), as soon as its turn in argument order
// has come, and returns 1 when there was one, else 0. An argument whose JPEG replaced the
// one an earlier argument wrote in this run (a.jpg and a.png both give a.jpg) prints
// "brevine: PATH: replaces the result of EARLIER" and still counts as written. Relative paths are
// taken against `cwd` (the current folder when empty). "--help" and "--version" alone go to `out`.
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& out, std::ostream& err, const std::string& cwd = {});
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd = {});
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath);

}  // namespace brevine
