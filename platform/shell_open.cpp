#include "shell_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace brevine::platform {

namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

pid_t WaitFor(pid_t pid, int* status) {
  pid_t result;
  do {
    result = waitpid(pid, status, 0);
  } while (result < 0 && errno == EINTR);
  return result;
}

// posix_spawn resources released on every path.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnAttributes() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawn_file_actions_t* Actions() { return &actions_; }
  posix_spawnattr_t* Attributes() { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

}  // namespace

bool ProgramInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    // An empty entry means the current folder.
    std::string candidate = end > start ? folders.substr(start, end - start) : std::string(1, '.');
    candidate += '/';
    candidate += name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

int RunAndWait(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  std::vector<char*> pointers = ArgvPointers(argv);
  SpawnAttributes spawn;
  posix_spawn_file_actions_addopen(spawn.Actions(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(spawn.Actions(), 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(spawn.Actions(), 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  if (posix_spawnp(&pid, pointers[0], spawn.Actions(), spawn.Attributes(), pointers.data(),
                   environ) != 0)
    return -1;
  int status = 0;
  if (WaitFor(pid, &status) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool LaunchDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || !ProgramInPath(argv[0])) return false;
  // Everything the child needs is prepared before fork: between fork and exec a process
  // with other threads (Qt's) may only make async-signal-safe calls.
  std::vector<char*> pointers = ArgvPointers(argv);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The middle process exits at once, so the program is adopted by init and the
    // caller has only this short-lived child to reap.
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      setsid();
      const int devNull = open("/dev/null", O_RDWR);
      if (devNull >= 0) {
        dup2(devNull, 0);
        dup2(devNull, 1);
        if (devNull > 2) close(devNull);
      }
      execvp(pointers[0], pointers.data());
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  if (WaitFor(child, &status) < 0) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool OpenWithAssociatedProgram(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return LaunchDetached({"xdg-open", path});
}

}  // namespace brevine::platform
