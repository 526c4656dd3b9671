#pragma once
// The working image: 24 bits per pixel, bytes blue, green, red, row 0 at the top.
// Rows are contiguous (stride = width * 3, no padding) in one allocation, so a whole
// image can be walked as one byte run and any row is reached by one multiplication.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace brevine {

// Releases a pixel buffer the way it was allocated (see WorkBitmap::AllocatePixels).
struct PixelBufferDeleter {
  std::size_t mappedBytes = 0;  // 0: allocated with new[]
  void* mappedBase = nullptr;
  bool borrowed = false;  // another owner's pixels (WorkBitmap::View): nothing to release
  void operator()(std::uint8_t* p) const noexcept;
};

class WorkBitmap {
 public:
  static constexpr int kBytesPerPixel = 3;
  // Largest pixel count a bitmap may hold (about 2 GiB of pixels); larger sizes raise
  // std::length_error before any allocation.
  static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 29;

  WorkBitmap() = default;
  WorkBitmap(int width, int height) { SetSize(width, height); }
  // A bitmap over `width` x `height` pixels it does not own, which must outlive it: to be
  // read through a const object. It has no room of its own: any SetSize gives it fresh
  // pixels and leaves the viewed ones as they are. Sizes as for SetSize.
  static WorkBitmap View(const std::uint8_t* pixels, int width, int height);
  // An empty bitmap whose pixels go into `bytes` of memory it does not own, which must
  // outlive it: SetSize within them writes there, beyond them it takes pixels of its own.
  static WorkBitmap Within(std::uint8_t* pixels, std::size_t bytes);
  WorkBitmap(const WorkBitmap& other) { Assign(other); }
  WorkBitmap& operator=(const WorkBitmap& other) {
    Assign(other);
    return *this;
  }
  WorkBitmap(WorkBitmap&&) noexcept = default;
  WorkBitmap& operator=(WorkBitmap&&) noexcept = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * kBytesPerPixel; }
  std::size_t ByteCount() const { return Stride() * static_cast<std::size_t>(height_); }

  // Resizing keeps no pixels: the content is unspecified until written. Negative sizes
  // and sizes above kMaxPixels raise std::length_error and leave the bitmap unchanged.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // Size and pixels of `other`; assigning a bitmap to itself changes nothing.
  void Assign(const WorkBitmap& other);
  void Swap(WorkBitmap& other) noexcept;
  // Frees the pixels; the bitmap becomes 0 x 0.
  void Clear() noexcept;

  std::uint8_t* Row(int y) { return data_.get() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const {
    return data_.get() + Stride() * static_cast<std::size_t>(y);
  }
  std::uint8_t* Data() { return data_.get(); }
  const std::uint8_t* Data() const { return data_.get(); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t capacity_ = 0;
  // Large pixel buffers are mapped on 2 MiB boundaries and offered to the kernel as huge
  // pages: a fresh photo-sized bitmap otherwise costs a page fault every 4 KiB, which on
  // a 12-megapixel photo takes longer than the whole reduction.
  static std::unique_ptr<std::uint8_t[], PixelBufferDeleter> AllocatePixels(std::size_t bytes);

  std::unique_ptr<std::uint8_t[], PixelBufferDeleter> data_;
};

}  // namespace brevine
