#include "work_bitmap.h"

#include <cstring>
#include <stdexcept>
#include <utility>

namespace brevine {

void WorkBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::length_error("negative bitmap size");
  const std::int64_t pixels = std::int64_t{width} * height;
  if (pixels > kMaxPixels) throw std::length_error("bitmap too large");
  const std::size_t bytes = static_cast<std::size_t>(pixels) * kBytesPerPixel;
  // Keep the allocation when it is large enough: a photo reduced in place shrinks to a
  // fraction of its size, and the next photo of a batch needs the room again. Freeing
  // and re-faulting tens of megabytes per file costs more than the reduction's last pass.
  // Clear() gives the memory back.
  if (bytes > capacity_) {
    // Allocate before letting go of the old pixels, so a failed allocation leaves the
    // bitmap exactly as it was.
    std::unique_ptr<std::uint8_t[]> fresh(bytes > 0 ? new std::uint8_t[bytes] : nullptr);
    data_ = std::move(fresh);
    capacity_ = bytes;
  }
  width_ = width;
  height_ = height;
}

void WorkBitmap::Assign(const WorkBitmap& other) {
  if (this == &other) return;
  SetSize(other.width_, other.height_);
  if (other.ByteCount() > 0) std::memcpy(data_.get(), other.data_.get(), other.ByteCount());
}

void WorkBitmap::Swap(WorkBitmap& other) noexcept {
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(capacity_, other.capacity_);
  std::swap(data_, other.data_);
}

void WorkBitmap::Clear() noexcept {
  data_.reset();
  capacity_ = 0;
  width_ = 0;
  height_ = 0;
}

}  // namespace brevine
