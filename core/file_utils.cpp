#include "file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "path_text.h"
#include "unique_fd.h"

namespace brevine {
namespace {

[[noreturn]] void Raise(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

std::string TimestampName(const platform::Clock& clock) {
  const platform::LocalTime t = clock.Now();
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d%d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return buf;
}

std::string DateName(const platform::Clock& clock) {
  const platform::LocalTime t = clock.Now();
  char buf[24];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
  return buf;
}

std::int32_t FileSizeBytes(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) Raise(errno, "cannot open " + path);
  if (::fstat(fd.get(), &st) != 0) Raise(errno, "cannot read " + path);
  if (st.st_size > INT32_MAX) Raise(EFBIG, path);
  return static_cast<std::int32_t>(st.st_size);
}

void AppendLine(const std::string& path, const std::string& line) {
  const std::string folder = platform::FolderPart(path);
  platform::UniqueFd fd(
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) Raise(errno, "cannot open " + path);
  AppendLineAt(fd.get(), platform::NamePart(path), line);
}

void AppendLineAt(int folder, const std::string& name, const std::string& line) {
  const std::string bytes = line + "\r\n";
  // Never waits: a pipe planted under the name fails at once instead of hanging the run.
  platform::UniqueFd fd(
      ::openat(folder, name.c_str(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    const int error = errno;
    struct stat st;
    if (error == ELOOP && ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
      throw std::runtime_error("the index " + name + " is a link: not followed");
    Raise(error, "cannot open " + name);
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) Raise(errno, "cannot read " + name);
  if (!S_ISREG(st.st_mode))
    throw std::runtime_error("the index " + name + " is not a regular file");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Half a line would glue the next run's line onto it: take back what went in.
      const int error = n < 0 ? errno : ENOSPC;
      if (done > 0) (void)::ftruncate(fd.get(), st.st_size);
      Raise(error, "cannot write " + name);
    }
    done += static_cast<std::size_t>(n);
  }
  if (!fd.Close()) Raise(errno, "cannot write " + name);
}

}  // namespace brevine
