#pragma once
// Listing one folder for the folder walk: each entry's name and kind, links told apart.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brevine::platform {

// A file or folder as the file system knows it (device and inode), whatever its path.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

enum class EntryKind {
  kFile,          // a regular file
  kFolder,        // a folder that is no link
  kLinkToFile,    // a symbolic link to a regular file
  kLinkToFolder,  // a symbolic link to a folder
  kOther,         // anything else: devices, pipes, sockets, broken links
};

struct FolderEntry {
  std::string name;
  EntryKind kind = EntryKind::kOther;
  FileIdentity identity;  // of the entry itself (for a link: of the link)
};

// The entries of the folder at `path` other than "." and "..", in no particular order.
// With followLink false a `path` that is itself a symbolic link is not opened. Returns
// nullopt when the folder cannot be opened or read; `self` receives the folder's identity.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path, bool followLink,
                                                   FileIdentity* self = nullptr);

// The identity of the folder at `path` (links followed); nullopt when there is none.
std::optional<FileIdentity> FolderIdentity(const std::string& path);

}  // namespace brevine::platform
