#pragma once
// File-system wrappers (POSIX). Paths are UTF-8 byte strings, used as received.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "unique_fd.h"

namespace brevine::platform {

bool FileExists(const std::string& path);  // an entry that is not a folder
bool FolderExists(const std::string& path);
bool CreateFolder(const std::string& path);  // one level; false on failure
// True when both paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// Writes the bytes completely or not at all, durably: a temporary file in the destination's
// folder is filled, synced to the disk and renamed over `path`, then the folder is synced. Raises
// std::system_error (a short write such as a full disk included); no temporary file is left behind.
// What stands at the name is replaced, a link included: nothing is written through it.
void WriteFileAtomic(const std::string& path, const std::uint8_t* data, std::size_t size);
// The same for the entry `name` of the open folder `folder`. The temporary is locked while
// it is written and removed when the process is interrupted (RemoveTemporariesOnInterrupt).
void WriteFileAtomicAt(int folder, const std::string& name, const std::uint8_t* data,
                       std::size_t size);
// Removes the temporaries in `folder` that an ended writer left (their lock is free);
// returns how many.
std::size_t RemoveStaleTemporaries(int folder);

// A folder where one was to be entered without following links: "the folder NAME is a link:
// not followed".
class FolderIsLink : public std::runtime_error {
 public:
  explicit FolderIsLink(const std::string& name);
};

// Opens the folder at `path` as named, links followed (the path someone gave). Raises
// std::system_error.
UniqueFd OpenFolder(const std::string& path);
// Opens the folder `name` in the open folder `parent` without following a link there, made
// first when `create` and missing (one level). Raises FolderIsLink, or std::system_error.
UniqueFd OpenFolderIn(int parent, const std::string& name, bool create);

// The whole content of a small text file (a settings or /proc file, whose reported size
// may be 0); empty when it cannot be opened or read.
std::string ReadTextFile(const std::string& path);

// A file read only when it is a regular file of at most `limit` bytes, opened without
// waiting (a pipe or a device under its name never blocks or floods the reader).
struct SmallFile {
  bool missing = false;  // nothing under the name
  std::string problem;   // why it was not read ("not a regular file", ...); empty when read
  std::string text;
};
SmallFile ReadSmallFile(const std::string& path, std::size_t limit);

// The long-name step of the pipeline: an existing entry keeps its path; a path with
// wildcard characters (*, ?, [) in its last component becomes its first match in name
// order within its folder; otherwise the path is returned unchanged.
std::string ResolveLongName(const std::string& path);

// Absolute form of `path` against `cwd` (the process's current folder when empty),
// with "." and ".." resolved lexically. A relative path stays relative when the current
// folder cannot be named (its path is too long for the system to give).
std::string AbsolutePath(const std::string& path, const std::string& cwd = {});
// The path a command-line argument names, for the system to resolve: against `cwd` when
// given, else as it stands, relative to the working folder, which the system resolves from
// its own descriptor whatever the length of its path. "." and ".." resolved lexically.
std::string ArgumentPath(const std::string& path, const std::string& cwd = {});
// The current folder's path; empty when the system cannot give it.
std::string CurrentFolder();
// Full path of the running program (/proc/self/exe).
std::string ExecutablePath();

}  // namespace brevine::platform
