#pragma once
// The paths of a batch as the walk and the name lists give them, packed: each path is kept
// as what it does not share with the one before it (a folder's files differ in their last
// few bytes), with a whole one every few files to start reading from. An archive of a
// million photos takes a few megabytes here, where a list of strings takes a few hundred.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "folder_walk.h"

namespace brevine {

class PathList {
 public:
  // A file, or a folder that could not be listed, after those appended before.
  void Append(const BatchPath& path);
  // The files appended.
  std::size_t Files() const { return files_; }
  // The file at `index` (of the files only, in order); safe from several threads at once
  // once the list is complete.
  BatchPath FileAt(std::size_t index) const;
  // The folders that could not be listed: the count of files before each, its shown name.
  const std::vector<std::pair<std::size_t, std::string>>& UnreadableFolders() const {
    return unreadable_;
  }
  // The bytes the list holds.
  std::size_t Bytes() const;

 private:
  void PutNumber(std::uint64_t n);
  void Put(const std::string& text, std::string& before);

  std::vector<std::vector<char>> blocks_;  // a record never straddles two blocks
  std::vector<std::uint64_t> starts_;  // every kStartEvery-th file's record: block << 32 | offset
  std::vector<std::pair<std::size_t, std::string>> unreadable_;
  std::string lastPath_, lastShown_;  // of the last file appended
  std::size_t files_ = 0;
};

}  // namespace brevine
