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
// This is the batch seam: a parallel runner may prepare several files at once here as
// long as it commits them in this order.
std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times = nullptr);

// args without argument 0. Prints "brevine: PATH: REASON" on `err` for every argument
// that produced no JPEG (a leading "/sc" excepted) and returns 1 when there was one,
// else 0. Relative paths are taken against `cwd` (the current folder when empty).
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd = {});
int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath);

}  // namespace brevine
