#include "shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevine::platform {

bool SharedMemory::Reserve(std::size_t bytes) {
  if (bytes <= size_ && data_ != nullptr) return true;
  if (fd_ < 0) {
    fd_ = ::memfd_create("brevine-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd_ < 0) return false;
    if (::fcntl(fd_, F_ADD_SEALS, F_SEAL_SHRINK) != 0) {
      Reset();
      return false;
    }
  }
  if (::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) return false;
  void* mapped = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd_, 0);
  if (mapped == MAP_FAILED) return false;
  if (data_ != nullptr) ::munmap(data_, size_);
  data_ = static_cast<std::uint8_t*>(mapped);
  size_ = bytes;
  return true;
}

bool SharedMemory::MapReceived(int fd, std::size_t bytes) {
  struct stat st = {};
  if (bytes == 0 || ::fstat(fd, &st) != 0 || st.st_size < 0 ||
      static_cast<std::uint64_t>(st.st_size) < bytes)
    return false;
  void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) return false;
  Reset();
  data_ = static_cast<std::uint8_t*>(mapped);
  size_ = bytes;
  return true;
}

void SharedMemory::Reset() {
  if (data_ != nullptr) ::munmap(data_, size_);
  if (fd_ >= 0) ::close(fd_);
  data_ = nullptr;
  size_ = 0;
  fd_ = -1;
}

}  // namespace brevine::platform
