#include "folder_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace brevine::platform {
namespace {

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path, bool followLink,
                                                   FileIdentity* self) {
  // The folder is opened once and its entries looked at through that descriptor, so a
  // folder swapped for a link between the listing and the look is not followed.
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) return std::nullopt;
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return std::nullopt;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) return std::nullopt;
  if (self) *self = IdentityOf(st);

  std::vector<FolderEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir.get());
    if (!e) {
      if (errno != 0) return std::nullopt;
      break;
    }
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      entries.push_back(std::move(entry));  // gone meanwhile: kOther
      continue;
    }
    entry.identity = IdentityOf(st);
    if (S_ISREG(st.st_mode)) {
      entry.kind = EntryKind::kFile;
    } else if (S_ISDIR(st.st_mode)) {
      entry.kind = EntryKind::kFolder;
    } else if (S_ISLNK(st.st_mode) && ::fstatat(fd, e->d_name, &st, 0) == 0) {
      if (S_ISREG(st.st_mode)) entry.kind = EntryKind::kLinkToFile;
      if (S_ISDIR(st.st_mode)) entry.kind = EntryKind::kLinkToFolder;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<FileIdentity> FolderIdentity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return IdentityOf(st);
}

}  // namespace brevine::platform
