#pragma once
// The files a batch reads, by identity (device and inode): whatever the naming options, no
// result of the batch may take the place of one of them.

#include <mutex>
#include <set>
#include <string>

#include "folder_list.h"

namespace brevine {

class SourceSet {
 public:
  // Notes the file at `path`: the file it names (links followed) and, when the path is a
  // link, the link itself. A path that names nothing is not noted. From any thread.
  void Add(const std::string& path);
  bool Contains(const platform::FileIdentity& identity) const;

 private:
  mutable std::mutex mutex_;
  std::set<platform::FileIdentity> files_;
};

}  // namespace brevine
