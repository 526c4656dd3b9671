#include "run_places.h"

#include <sys/stat.h>

namespace brevine {

void RunPlaces::Add(const std::string& path) {
  struct stat own, named;
  const bool hasOwn = ::lstat(path.c_str(), &own) == 0;
  const bool hasNamed = ::stat(path.c_str(), &named) == 0;
  std::lock_guard lock(mutex_);
  if (hasOwn)
    files_.Insert({static_cast<std::uint64_t>(own.st_dev), static_cast<std::uint64_t>(own.st_ino)});
  if (hasNamed)
    files_.Insert(
        {static_cast<std::uint64_t>(named.st_dev), static_cast<std::uint64_t>(named.st_ino)});
}

bool RunPlaces::Contains(const platform::FileIdentity& identity) const {
  std::lock_guard lock(mutex_);
  return files_.Contains(identity);
}

bool RunPlaces::FirstWriteIn(const platform::FileIdentity& folder) {
  std::lock_guard lock(mutex_);
  return folders_.insert(folder).second;
}

}  // namespace brevine
