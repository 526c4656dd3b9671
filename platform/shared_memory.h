#pragma once
// A memory region two processes share: an anonymous memory file that one process makes and
// maps, and whose descriptor it hands to the other, which maps it too. Only the maker changes
// its size, and only upwards: the file is sealed against shrinking, so no mapping of it can
// ever reach past its end (a read there would end the reader with SIGBUS). Nothing here
// raises; failures answer false.

#include <cstddef>
#include <cstdint>

namespace brevine::platform {

class SharedMemory {
 public:
  SharedMemory() = default;
  ~SharedMemory() { Reset(); }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // The maker's side: a region of at least `bytes`, made now or grown from the one it
  // holds, mapped for reading only. False (the region as it was) when the kernel refuses.
  bool Reserve(std::size_t bytes);

  // The other side: maps `fd`, as received, for reading and writing; the descriptor stays
  // the caller's. False when the file is smaller than `bytes` or cannot be mapped.
  bool MapReceived(int fd, std::size_t bytes);

  // Unmaps the region and closes the maker's descriptor.
  void Reset();

  int Descriptor() const { return fd_; }  // the maker's; -1 on the other side
  std::uint8_t* Data() { return data_; }
  const std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  int fd_ = -1;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace brevine::platform
