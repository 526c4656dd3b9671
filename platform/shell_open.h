#pragma once
// Handing a document or a command to the desktop without waiting for it.

#include <string>
#include <vector>

namespace brevine::platform {

// Starts argv[0] (looked up in PATH) with the given arguments, detached: the caller never
// waits for it and leaves no zombie behind. False when the program could not be started.
bool LaunchDetached(const std::vector<std::string>& argv);

// Opens `path` with the desktop's associated program (xdg-open). A path that names no
// existing file is not handed over, so a missing document shows nothing.
bool OpenWithAssociatedProgram(const std::string& path);

// Runs argv and waits for it; its exit status, or -1 when it could not be started.
// Standard output and error go to /dev/null.
int RunAndWait(const std::vector<std::string>& argv);

// True when `name` is an executable file in one of PATH's folders.
bool ProgramInPath(const std::string& name);

}  // namespace brevine::platform
