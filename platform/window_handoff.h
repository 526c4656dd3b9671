#pragma once
// Handing files to a Brevine window of this user that is open: a local (Unix) socket in the
// user's runtime folder, which only the user can reach. The window listens; a run started
// by the desktop connects, sends its files and waits for the window to take them.
//
// The message: the line "BREVINE-DROP 1 COUNT", then COUNT absolute paths, each ended by a
// NUL byte (a path may hold any other byte). The window answers "OK\n" once it has them.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace brevine::platform {

// $XDG_RUNTIME_DIR/brevine-window, or empty when the variable names no absolute folder
// (there is then no private place for it, and no hand-off).
std::string HandoffSocketPath();

// The message for these paths.
std::string HandoffMessage(const std::vector<std::string>& paths);
// The paths of a whole message, or none while `bytes` is not yet one (more may come) or
// when it cannot be one (`broken` is then set). At most kHandoffLimit bytes.
constexpr std::size_t kHandoffLimit = 64u << 20;
std::optional<std::vector<std::string>> ReadHandoffMessage(const std::string& bytes, bool* broken);

// Sends the paths to the window listening on `socketPath` and waits up to `timeoutMs` for
// its answer. False when nothing listens there (no window, or a socket file a window left
// behind), or the window did not answer: the caller then does the work itself.
bool HandToWindow(const std::string& socketPath, const std::vector<std::string>& paths,
                  int timeoutMs = 3000);

}  // namespace brevine::platform
