#pragma once
// What a batch knows about the places it writes to: the files it reads, by identity
// (device and inode), which no result of the batch may take the place of whatever the
// naming options say; and the folders it has written into, each swept once of the
// temporaries an interrupted earlier run left.

#include <mutex>
#include <set>
#include <string>

#include "batch_places.h"
#include "folder_list.h"

namespace brevine {

class RunPlaces {
 public:
  // Notes the file at `path`: the file it names (links followed) and, when the path is a
  // link, the link itself. A path that names nothing is not noted. From any thread.
  void Add(const std::string& path);
  bool Contains(const platform::FileIdentity& identity) const;
  // True the first time the folder is asked about.
  bool FirstWriteIn(const platform::FileIdentity& folder);

 private:
  mutable std::mutex mutex_;
  IdentitySet files_;  // one a source, whatever the length of the batch
  std::set<platform::FileIdentity> folders_;
};

}  // namespace brevine
