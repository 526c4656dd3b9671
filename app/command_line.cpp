#include "command_line.h"

#include <iostream>

#include "file_system.h"
#include "settings_file.h"

namespace brevine {

std::vector<FileResult> RunPaths(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock,
                                 StageTimes* times) {
  PipelineHooks hooks;
  hooks.times = times;
  FilePipeline pipeline(settings, clock, hooks);
  WorkBitmap bitmap;
  std::vector<FileResult> results;
  results.reserve(absolutePaths.size());
  for (const std::string& path : absolutePaths) results.push_back(pipeline.ProcessFile(path, bitmap));
  return results;
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                   std::ostream& err, const std::string& cwd) {
  FixedSettings settings(ReadSettingsFile(SettingsFilePath(programPath)));
  const platform::SystemClock clock;
  std::vector<std::string> paths;
  paths.reserve(args.size());
  for (const std::string& arg : args) paths.push_back(platform::AbsolutePath(arg, cwd));
  const std::vector<FileResult> results = RunPaths(paths, settings, clock);

  int status = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (results[i] == FileResult::kWritten) continue;
    // The launcher switch has been handled before the run; it is no failed file.
    if (i == 0 && args[i] == "/sc") continue;
    err << "brevine: " << args[i] << ": " << Describe(results[i]) << "\n";
    status = 1;
  }
  err.flush();
  return status;
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& programPath) {
  return RunCommandLine(args, programPath, std::cerr);
}

}  // namespace brevine
