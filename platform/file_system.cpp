#include "file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "path_text.h"
#include "unique_fd.h"

namespace brevine::platform {
namespace {

[[noreturn]] void RaiseErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void WriteFileAtomic(const std::string& path, const std::uint8_t* data, std::size_t size) {
  UniqueFd folder = OpenFolder(FolderPart(path));
  WriteFileAtomicAt(folder.get(), NamePart(path), data, size);
}

void WriteFileAtomicAt(int folder, const std::string& name, const std::uint8_t* data,
                       std::size_t size) {
  // Created with 0666 so the process's umask gives the usual mode of a new file, as for a
  // direct write; O_EXCL with a random name keeps it ours alone. (mkstemp would create
  // 0600 and need the umask read back, which cannot be done without changing it.)
  std::random_device random;
  std::string temp;
  int raw = -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tempName[32];
    std::snprintf(tempName, sizeof tempName, ".brevine-%08x%08x", random(), random());
    temp = tempName;
    raw =
        ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (raw >= 0 || errno != EEXIST) break;
  }
  if (raw < 0) RaiseErrno("cannot create " + name);
  UniqueFd fd(raw);
  try {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd.get(), data + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseErrno("cannot write " + name);
      }
      done += static_cast<std::size_t>(n);
    }
    // Without this the rename can reach the disk before the data: a crash would then
    // leave an empty file where a good one stood. (EINVAL: a file system without sync.)
    if (::fsync(fd.get()) != 0 && errno != EINVAL) RaiseErrno("cannot write " + name);
    if (!fd.Close()) RaiseErrno("cannot write " + name);
    if (::renameat(folder, temp.c_str(), folder, name.c_str()) != 0)
      RaiseErrno("cannot write " + name);
  } catch (...) {
    ::unlinkat(folder, temp.c_str(), 0);
    throw;
  }
  // After a rename the new name lives in the folder's entries, which reach the disk on their
  // own schedule; syncing the folder makes the replacement itself survive a crash. Best
  // effort: the file is whole either way.
  ::fsync(folder);
}

FolderIsLink::FolderIsLink(const std::string& name)
    : std::runtime_error("the folder " + name + " is a link: not followed") {}

UniqueFd OpenFolder(const std::string& path) {
  UniqueFd fd(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) RaiseErrno("cannot open " + path);
  return fd;
}

UniqueFd OpenFolderIn(int parent, const std::string& name, bool create) {
  if (create && ::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST)
    RaiseErrno("cannot create " + name);
  UniqueFd fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() >= 0) return fd;
  const int error = errno;
  struct stat st;
  if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
    throw FolderIsLink(name);
  errno = error;
  RaiseErrno("cannot open " + name);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return in.bad() ? std::string() : text.str();
}

std::string ResolveLongName(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return path;
  const std::string folder = FolderPart(path);
  const std::string pattern = NamePart(path);
  if (pattern.find_first_of("*?[") == std::string::npos) return path;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return path;
  std::vector<std::string> matches;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) matches.push_back(name);
  }
  ::closedir(dir);
  if (matches.empty()) return path;
  return folder + *std::min_element(matches.begin(), matches.end());
}

std::string CurrentFolder() {
  // Sized by the C library: a path longer than PATH_MAX is given whole where the system can.
  char* path = ::getcwd(nullptr, 0);
  if (!path) return {};
  std::string out(path);
  std::free(path);
  return out;
}

std::string AbsolutePath(const std::string& path, const std::string& cwd) {
  if (!path.empty() && path[0] == '/') return NormalPath(path);
  const std::string base = cwd.empty() ? CurrentFolder() : cwd;
  return NormalPath(base.empty() ? path : base + "/" + path);
}

std::string ArgumentPath(const std::string& path, const std::string& cwd) {
  if (cwd.empty() || (!path.empty() && path[0] == '/')) return NormalPath(path);
  return NormalPath(cwd + "/" + path);
}

std::string ExecutablePath() {
  std::vector<char> buf(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace brevine::platform
