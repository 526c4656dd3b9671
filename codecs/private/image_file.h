#pragma once
// An image file opened for reading: regular files only, and never a wait on a FIFO that
// carries an image name. Every failure raises std::system_error naming the path.

#include <cstddef>
#include <cstdint>
#include <string>

namespace brevine {

struct SourceFile;

class ImageFile {
 public:
  explicit ImageFile(const std::string& path);
  // The caller's open descriptor, borrowed: checked to be a regular file, never closed here.
  explicit ImageFile(const SourceFile& source);
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  std::uint64_t Size() const { return size_; }
  // For a reader that must not raise (a C library's callback); use pread on it.
  int Descriptor() const { return fd_; }
  // Hands an owned descriptor over to the caller, who closes it.
  int Release();
  // The file as a source for the descriptor-reading decoders.
  SourceFile Source() const;
  // Exactly n bytes from offset; a file that shrank under us is a read failure.
  void ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) const;

 private:
  std::string path_;
  int fd_ = -1;
  bool owned_ = true;
  std::uint64_t size_ = 0;
};

}  // namespace brevine
