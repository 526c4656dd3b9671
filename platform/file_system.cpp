#include "file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
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

#include "interrupt_cleanup.h"
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

namespace {

constexpr char kTemporaryPrefix[] = ".brevine-";

// Whether the entry `name` of `folder` is the file open as `fd`.
bool NamesFile(int folder, const char* name, int fd) {
  struct stat entry, open;
  return ::fstatat(folder, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
         entry.st_dev == open.st_dev && entry.st_ino == open.st_ino;
}

// A new temporary in `folder`, created with 0666 so the process's umask gives the usual
// mode of a new file, as for a direct write; O_EXCL with a random name keeps it ours alone.
// (mkstemp would create 0600 and need the umask read back, which cannot be done without
// changing it.) It is locked before it holds anything, and a later run removes only
// temporaries whose lock is free; one that such a run removed between the creation and the
// lock is made anew.
UniqueFd CreateLockedTemporary(int folder, const std::string& forName, std::string& temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tempName[40];
    std::snprintf(tempName, sizeof tempName, "%s%08x%08x", kTemporaryPrefix, random(), random());
    UniqueFd fd(
        ::openat(folder, tempName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      RaiseErrno("cannot create " + forName);
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !NamesFile(folder, tempName, fd.get())) {
      ::unlinkat(folder, tempName, 0);
      continue;
    }
    temp = tempName;
    return fd;
  }
  errno = EEXIST;
  RaiseErrno("cannot create " + forName);
}

}  // namespace

void WriteFileAtomicAt(int folder, const std::string& name, const std::uint8_t* data,
                       std::size_t size) {
  std::string temp;
  UniqueFd fd = CreateLockedTemporary(folder, name, temp);
  const InFlightTemporary inFlight(folder, temp);
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
    // Renamed while still open, so its lock holds until it has its name.
    if (::renameat(folder, temp.c_str(), folder, name.c_str()) != 0)
      RaiseErrno("cannot write " + name);
  } catch (...) {
    ::unlinkat(folder, temp.c_str(), 0);
    throw;
  }
  if (!fd.Close()) RaiseErrno("cannot write " + name);
  // After a rename the new name lives in the folder's entries, which reach the disk on their
  // own schedule; syncing the folder makes the replacement itself survive a crash. Best
  // effort: the file is whole either way.
  ::fsync(folder);
}

std::size_t RemoveStaleTemporaries(int folder) {
  UniqueFd listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (listing.get() < 0) return 0;
  DIR* dir = ::fdopendir(listing.get());
  if (!dir) return 0;
  (void)listing.Release();
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string entry = e->d_name;
    if (entry.size() == sizeof kTemporaryPrefix - 1 + 16 && entry.rfind(kTemporaryPrefix, 0) == 0 &&
        entry.find_first_not_of("0123456789abcdef", sizeof kTemporaryPrefix - 1) ==
            std::string::npos)
      names.push_back(entry);
  }
  ::closedir(dir);
  std::size_t removed = 0;
  for (const std::string& entry : names) {
    UniqueFd fd(::openat(folder, entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Held: a run still writing it. Free: its writer ended without finishing.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (NamesFile(folder, entry.c_str(), fd.get()) && ::unlinkat(folder, entry.c_str(), 0) == 0)
      ++removed;
  }
  return removed;
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

SmallFile ReadSmallFile(const std::string& path, std::size_t limit) {
  SmallFile file;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    file.missing = errno == ENOENT;
    file.problem = std::generic_category().message(errno);
    return file;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) {
    file.problem = std::generic_category().message(errno);
    return file;
  }
  if (!S_ISREG(st.st_mode)) {
    file.problem = "not a regular file";
    return file;
  }
  const std::string tooLarge = "larger than " + std::to_string(limit) + " bytes";
  if (static_cast<std::uint64_t>(st.st_size) > limit) {
    file.problem = tooLarge;
    return file;
  }
  // The size is only what the file said when asked: read to its end, but never past the
  // limit. The buffer starts at that size (and a byte to see the end) and grows as the file
  // turns out longer, so a small file never costs the limit's worth of memory.
  std::string text;
  std::size_t done = 0;
  for (;;) {
    if (done == text.size()) {
      if (done > limit) break;
      const std::size_t want = text.empty() ? static_cast<std::size_t>(st.st_size) + 1 : 2 * done;
      text.resize(std::min(want, limit + 1));
    }
    const ssize_t n = ::read(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      file.problem = std::generic_category().message(errno);
      return file;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done > limit) {
    file.problem = tooLarge;
    return file;
  }
  text.resize(done);
  file.text = std::move(text);
  return file;
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
