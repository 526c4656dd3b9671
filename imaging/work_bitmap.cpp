#include "work_bitmap.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace brevine {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a buffer comes from the ordinary heap. Above it, whole huge pages: a fault
// per 2 MiB instead of one per 4 KiB page, which on some virtual machines costs as much as
// reducing tens of thousands of pixels. What is never touched costs no memory.
constexpr std::size_t kMapThreshold = std::size_t{512} << 10;

}  // namespace

void PixelBufferDeleter::operator()(std::uint8_t* p) const noexcept {
  if (borrowed) return;
  if (mappedBytes != 0) {
    ::munmap(mappedBase, mappedBytes);
  } else {
    delete[] p;
  }
}

std::unique_ptr<std::uint8_t[], PixelBufferDeleter> WorkBitmap::AllocatePixels(std::size_t bytes) {
  if (bytes == 0) return {};
  if (bytes < kMapThreshold)
    return std::unique_ptr<std::uint8_t[], PixelBufferDeleter>(new std::uint8_t[bytes]);
  // Whole huge pages from a huge-page boundary, the last one too.
  const std::size_t pages = (bytes + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t length = pages + kHugePage;
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) {
    // Told to the new-handler as a failed new would be (a process that counts failed
    // allocations hears of this one too); it raises, or the failure does.
    if (const std::new_handler handler = std::get_new_handler()) handler();
    throw std::bad_alloc();
  }
  const auto start = (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
  auto* pixels = reinterpret_cast<std::uint8_t*>(start);
  // Advice only: where huge pages are off the buffer works as ordinary pages.
  ::madvise(pixels, pages, MADV_HUGEPAGE);
  return std::unique_ptr<std::uint8_t[], PixelBufferDeleter>(pixels,
                                                             PixelBufferDeleter{length, base});
}

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
    auto fresh = AllocatePixels(bytes);
    data_ = std::move(fresh);
    capacity_ = bytes;
  }
  width_ = width;
  height_ = height;
}

WorkBitmap WorkBitmap::View(const std::uint8_t* pixels, int width, int height) {
  if (width < 0 || height < 0) throw std::length_error("negative bitmap size");
  if (std::int64_t{width} * height > kMaxPixels) throw std::length_error("bitmap too large");
  WorkBitmap view;
  view.data_ = std::unique_ptr<std::uint8_t[], PixelBufferDeleter>(
      const_cast<std::uint8_t*>(pixels), PixelBufferDeleter{0, nullptr, true});
  view.width_ = width;
  view.height_ = height;
  return view;
}

WorkBitmap WorkBitmap::Within(std::uint8_t* pixels, std::size_t bytes) {
  WorkBitmap bitmap;
  bitmap.data_ = std::unique_ptr<std::uint8_t[], PixelBufferDeleter>(
      pixels, PixelBufferDeleter{0, nullptr, true});
  bitmap.capacity_ = pixels != nullptr ? bytes : 0;
  return bitmap;
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
