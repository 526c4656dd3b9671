#include "startup.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "decode_worker.h"
#include "desktop.h"
#include "file_system.h"
#include "interrupt_cleanup.h"
#include "large_blocks.h"
#include "path_text.h"
#include "window_handoff.h"
#include "worker_process.h"

namespace brevine {

namespace {

constexpr char kTitle[] = "Brevine";

using WindowEntry = int (*)(int, char**, const char*);

// The window module lies beside the program in the build tree, and in BREVINE_MODULE_DIR
// under the install prefix.
void* OpenWindowModule(const std::string& programPath, std::string& error) {
  const std::string folder = platform::FolderPart(programPath);
  for (const std::string& candidate : {folder + "libbrevine_window.so",
                                       folder + "../" BREVINE_MODULE_DIR "/libbrevine_window.so"}) {
    if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    const char* why = ::dlerror();
    if (platform::FileExists(candidate)) {
      error = why ? why : candidate;
      return nullptr;
    }
  }
  error = "the window module libbrevine_window.so is not installed beside " + programPath;
  return nullptr;
}

// The window module's entry, or null with the reason in `error`.
WindowEntry FindWindowEntry(const std::string& programPath, std::string& error) {
  void* module = OpenWindowModule(programPath, error);
  auto entry =
      module ? reinterpret_cast<WindowEntry>(::dlsym(module, "brevine_run_window")) : nullptr;
  if (module && !entry) error = "entry missing";
  return entry;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  // A decode worker started by a batch of this program: nothing else of the program runs,
  // and it ends without the exit handlers of libraries it has walled itself off from.
  if (unsigned libraries = 0; IsDecodeWorker(argc, argv, &libraries)) {
    const int status = RunDecodeWorker(platform::kChildChannel, libraries);
    std::fflush(nullptr);
    ::_exit(status);
  }
  // A batch of any length holds about what a short one holds.
  platform::MapLargeBlocks();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string programPath = platform::ExecutablePath();
  if (!args.empty()) {
    const Arguments a = ParseArguments(args);
    const bool usage = a.errorOption || a.help || a.version || a.listPresets;
    // A run the desktop started, or one for the window: a window of this user that is open
    // takes the files, unless the run brings options of its own.
    if (!usage && (a.window || (a.desktop && LeavesOptionsToWindow(a)))) {
      const std::string socket = platform::HandoffSocketPath();
      // Without a socket file there is no window to ask, and the folders are not walked twice.
      if (!socket.empty() && ::access(socket.c_str(), F_OK) == 0) {
        const std::vector<std::string> files = FilesForWindow(a, programPath);
        if (!files.empty() && platform::HandToWindow(socket, files)) return 0;
      }
    }
    if (!usage && a.window) {
      // No window open: this one opens with the files dropped on it.
      std::string error;
      if (WindowEntry entry = FindWindowEntry(programPath, error))
        return entry(argc, argv, programPath.c_str());
      std::cerr << "brevine: cannot start the window: " << error << "\n";
      return 1;
    }
    // A command-line run needs no display: no window is created, so it works over SSH and
    // in CI, and it never reaches the close handler that stores the options.
    // The launcher first, unless the arguments are refused: a usage error does nothing.
    if (args[0] == "/sc" && !ParseArguments(args).errorOption) {
      try {
        platform::CreateDesktopShortcut(kTitle, programPath);
      } catch (const std::exception& e) {
        std::cerr << "brevine: cannot create the launcher: " << e.what() << "\n";
        return 1;
      }
    }
    // An interrupted run leaves no temporary behind.
    platform::RemoveTemporariesOnInterrupt();
    return RunCommandLine(args, programPath);
  }
  std::string error;
  const WindowEntry entry = FindWindowEntry(programPath, error);
  if (!entry) {
    std::cerr << "brevine: cannot start the window: " << error << "\n"
              << "usage: brevine [OPTION...] [--] [IMAGE|FOLDER...]  (see brevine --help)\n";
    return 1;
  }
  // The module stays loaded until the process ends: Qt registers exit handlers in it.
  return entry(argc, argv, programPath.c_str());
}

}  // namespace brevine
