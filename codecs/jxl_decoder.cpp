// JPEG XL: a file that holds a recompressed JPEG is rebuilt to that JPEG (libjxl's JPEG
// reconstruction) and decoded by the JPEG path; any other file is decoded by libjxl to 8
// bits per sample in its own colour space, upright (libjxl applies the orientation), the
// first frame of an animation, alpha dropped. Rows come through libjxl's pixel callback
// and go to the sink as soon as they are whole.
//
// The file is fed to libjxl in pieces read from the open descriptor (or from memory).
// Every allocation libjxl makes goes through a memory manager with a budget set from the
// declared size, so a small file cannot make it allocate without bound; a picture larger
// than a bitmap, or larger than its data can plausibly code, is refused before any frame
// is decoded. The pixel callback runs inside libjxl's frame: it only copies, and a failure
// there is recorded and raised after libjxl returns.

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "codecs.h"
#include "jxl_library.h"

namespace brevine {

namespace {

// Above kProportionCheckPixels the file must hold one byte per kMostPixelsPerByte pixels:
// a flat picture codes to very little, but not to nothing.
constexpr std::uint64_t kProportionCheckPixels = std::uint64_t{1} << 24;
constexpr std::uint64_t kMostPixelsPerByte = std::uint64_t{1} << 18;
// What libjxl may allocate in all: its frame storage (float planes) and buffers, per pixel,
// on top of a fixed allowance.
constexpr std::uint64_t kBudgetPerPixel = 64;
constexpr std::uint64_t kBudgetBase = std::uint64_t{64} << 20;
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

// libjxl's allocations, counted against a budget. Each block carries its size in front.
struct Budget {
  std::atomic<std::uint64_t> used{0};
  std::uint64_t limit = kBudgetBase;
};

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* BudgetAlloc(void* opaque, std::size_t size) {
  auto* budget = static_cast<Budget*>(opaque);
  if (size > budget->limit) return nullptr;
  const std::uint64_t before = budget->used.fetch_add(size);
  if (before + size > budget->limit) {
    budget->used.fetch_sub(size);
    return nullptr;
  }
  auto* block = static_cast<std::uint8_t*>(std::malloc(size + kHeader));
  if (block == nullptr) {
    budget->used.fetch_sub(size);
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  return block + kHeader;
}

void BudgetFree(void* opaque, void* address) {
  if (address == nullptr) return;
  auto* block = static_cast<std::uint8_t*>(address) - kHeader;
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  static_cast<Budget*>(opaque)->used.fetch_sub(size);
  std::free(block);
}

using DecoderDestroy = LibraryRelease<&JxlFunctions::JxlDecoderDestroy>;

// The bytes of the file, in pieces.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit Input(int fd) : fd_(fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
      throw std::system_error(errno, std::generic_category(), "cannot read JPEG XL file");
    size_ = static_cast<std::uint64_t>(st.st_size);
  }
  std::uint64_t Size() const { return size_; }

  // Hands libjxl the next piece, keeping the `unused` bytes it gave back; false at the end.
  bool Feed(const JxlFunctions& jxl, JxlDecoder* decoder, std::size_t unused) {
    if (data_ != nullptr) {
      if (fed_) return false;
      fed_ = true;
      jxl.JxlDecoderSetInput(decoder, data_, static_cast<std::size_t>(size_));
      jxl.JxlDecoderCloseInput(decoder);
      return true;
    }
    if (offset_ >= size_) return false;
    // The bytes libjxl has not used yet move to the front; the piece grows when they fill it.
    std::vector<std::uint8_t> next(std::max(kReadPiece, 2 * unused));
    std::copy(buffer_.end() - static_cast<std::ptrdiff_t>(unused), buffer_.end(), next.begin());
    std::size_t filled = unused;
    while (filled < next.size() && offset_ < size_) {
      const ssize_t got =
          ::pread(fd_, next.data() + filled, next.size() - filled, static_cast<off_t>(offset_));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0)
        throw std::system_error(errno, std::generic_category(), "cannot read JPEG XL file");
      if (got == 0) {
        size_ = offset_;  // the file shrank: what there is, is all
        break;
      }
      filled += static_cast<std::size_t>(got);
      offset_ += static_cast<std::uint64_t>(got);
    }
    next.resize(filled);
    buffer_.swap(next);
    jxl.JxlDecoderSetInput(decoder, buffer_.data(), buffer_.size());
    if (offset_ >= size_) jxl.JxlDecoderCloseInput(decoder);
    return true;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t offset_ = 0;
  bool fed_ = false;
  std::vector<std::uint8_t> buffer_;
};

// One sample of 8 bits from libjxl's float output, as libjxl makes its own 8-bit output:
// clamped to 0..1, scaled by 255 in single precision and rounded to the nearest, ties to
// even. (libjxl 0.7 keeps a whole float frame for a callback of 8-bit samples, but renders
// float samples group by group: the frame is never held.)
// Adding 1.5 * 2^23 leaves no fraction bits below the unit: the sum is rounded to an
// integer, ties to even, and taking it away again is exact (0 <= v * 255 <= 255).
constexpr float kRound = 12582912.0f;

inline std::uint8_t Sample(float v) {
  v = v > 0.0f ? v : 0.0f;  // NaN as well
  v = v < 1.0f ? v : 1.0f;
  return static_cast<std::uint8_t>(static_cast<int>((v * 255.0f + kRound) - kRound));
}

// Sample of each of `n` floats, sixteen at a time where the processor allows.
void Samples(const float* in, std::size_t n, std::uint8_t* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), scale = _mm_set1_ps(255.0f),
               round = _mm_set1_ps(kRound);
  const auto four = [&](const float* p) {
    // max(v, 0) gives its second operand for NaN, as Sample does.
    const __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(p), zero), one);
    return _mm_cvttps_epi32(_mm_sub_ps(_mm_add_ps(_mm_mul_ps(v, scale), round), round));
  };
  for (; i + 16 <= n; i += 16) {
    const __m128i low = _mm_packs_epi32(four(in + i), four(in + i + 4));
    const __m128i high = _mm_packs_epi32(four(in + i + 8), four(in + i + 12));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < n; ++i) out[i] = Sample(in[i]);
}

// Rows from the pixel callback, which may deliver parts of rows in any order (group by
// group); a row goes to the sink once all of it is there and the rows above it are gone.
class RowCollector {
 public:
  // The callback's pixels are three float samples each.
  RowCollector(RowSink& sink, int width, int height)
      : sink_(sink),
        width_(width),
        height_(height),
        rows_(static_cast<std::size_t>(height)),
        filled_(static_cast<std::size_t>(height), 0) {}

  static void Callback(void* opaque, std::size_t x, std::size_t y, std::size_t count,
                       const void* pixels) {
    static_cast<RowCollector*>(opaque)->Take(x, y, count, static_cast<const float*>(pixels));
  }

  // Outside libjxl's frame: hands over the rows that are whole, in order.
  void Flush() {
    if (failed_) throw std::bad_alloc();
    while (next_ < height_ && filled_[next_] == static_cast<std::size_t>(width_)) {
      const RowSink::Block block = sink_.Rows(next_, 1, 1);
      std::memcpy(block.data, rows_[next_].get(), static_cast<std::size_t>(width_) * 3);
      sink_.Put(next_, 1, 1);
      rows_[next_].reset();
      ++next_;
    }
  }

  bool Complete() const { return next_ == height_; }

 private:
  void Take(std::size_t x, std::size_t y, std::size_t count, const float* pixels) noexcept {
    if (failed_ || y >= rows_.size() || x > static_cast<std::size_t>(width_) ||
        count > static_cast<std::size_t>(width_) - x) {
      return;
    }
    auto& row = rows_[y];
    if (!row) {
      row.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width_) * 3]);
      if (!row) {
        failed_ = true;
        return;
      }
    }
    // The samples in one straight run, then red and blue swapped into the bitmap's order.
    std::uint8_t* out = row.get() + 3 * x;
    Samples(pixels, 3 * count, out);
    for (std::size_t i = 0; i < count; ++i, out += 3) std::swap(out[0], out[2]);
    filled_[y] += count;
  }

  RowSink& sink_;
  int width_, height_;
  std::vector<std::unique_ptr<std::uint8_t[]>> rows_;
  std::vector<std::size_t> filled_;
  int next_ = 0;
  bool failed_ = false;
};

[[noreturn]] void Refuse(const std::string& why) { throw DecodeError("JPEG XL: " + why); }

// The first Exif box as an EXIF block, TIFF header first: the box starts with a 4-byte
// offset to the header.
std::vector<std::uint8_t> ExifFromBox(const std::vector<std::uint8_t>& box) {
  if (box.size() < 4 + 8) return {};
  const std::uint64_t offset = (std::uint64_t{box[0]} << 24) | (std::uint64_t{box[1]} << 16) |
                               (std::uint64_t{box[2]} << 8) | box[3];
  if (offset > box.size() - 4 - 8) return {};
  const std::uint8_t* tiff = box.data() + 4 + offset;
  if (std::memcmp(tiff, "II*\0", 4) != 0 && std::memcmp(tiff, "MM\0*", 4) != 0) return {};
  return std::vector<std::uint8_t>(tiff, box.data() + box.size());
}

void Decode(const JxlLibrary& library, Input& input, RowSink& sink, SourceInfo* info) {
  if (input.Size() == 0) Refuse("file is empty");
  const JxlFunctions* functions = library.Functions();
  if (functions == nullptr) Refuse(library.Failure());
  const JxlFunctions& jxl = *functions;
  Budget budget;
  JxlMemoryManager manager{&budget, BudgetAlloc, BudgetFree};
  const std::unique_ptr<JxlDecoder, DecoderDestroy> owner(jxl.JxlDecoderCreate(&manager),
                                                          DecoderDestroy{&jxl});
  if (!owner) throw std::bad_alloc();
  JxlDecoder* dec = owner.get();
  if (jxl.JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                             JXL_DEC_FULL_IMAGE | JXL_DEC_JPEG_RECONSTRUCTION |
                                             JXL_DEC_BOX) != JXL_DEC_SUCCESS ||
      jxl.JxlDecoderSetDecompressBoxes(dec, JXL_TRUE) != JXL_DEC_SUCCESS) {
    Refuse("decoder cannot be set up");
  }

  JxlBasicInfo basic{};
  // Colour without alpha; a grey picture comes in three equal channels.
  constexpr int kChannels = 3;
  JxlPixelFormat format{kChannels, JXL_TYPE_FLOAT, JXL_NATIVE_ENDIAN, 0};
  bool begun = false;
  std::unique_ptr<RowCollector> collector;
  std::vector<std::uint8_t> icc, exifBox, jpeg;
  bool inExif = false, rebuilding = false, pictureDone = false;
  const std::uint64_t jpegLimit = 16 * input.Size() + (std::uint64_t{1} << 20);
  std::size_t unused = 0;

  const auto endExifBox = [&] {
    if (!inExif) return;
    const std::size_t left = jxl.JxlDecoderReleaseBoxBuffer(dec);
    exifBox.resize(exifBox.size() - left);
    inExif = false;
  };

  for (;;) {
    const JxlDecoderStatus status = jxl.JxlDecoderProcessInput(dec);
    if (status == JXL_DEC_ERROR)
      Refuse(jpeg.empty() ? "data the decoder rejects" : "JPEG cannot be rebuilt");
    if (status == JXL_DEC_NEED_MORE_INPUT) {
      unused = jxl.JxlDecoderReleaseInput(dec);
      if (!input.Feed(jxl, dec, unused)) {
        if (pictureDone) break;
        Refuse("file ends before the picture does");
      }
      continue;
    }
    if (status == JXL_DEC_SUCCESS) break;
    if (status == JXL_DEC_BASIC_INFO) {
      if (jxl.JxlDecoderGetBasicInfo(dec, &basic) != JXL_DEC_SUCCESS)
        Refuse("header cannot be read");
      std::uint64_t width = basic.xsize, height = basic.ysize;
      if (basic.orientation >= JXL_ORIENT_TRANSPOSE) std::swap(width, height);
      if (width == 0 || height == 0) Refuse("picture of zero size");
      const std::uint64_t pixels = width * height;
      if (pixels > static_cast<std::uint64_t>(WorkBitmap::kMaxPixels)) {
        Refuse("picture of " + std::to_string(width) + "x" + std::to_string(height) +
               " is too large");
      }
      if (pixels > kProportionCheckPixels && input.Size() < pixels / kMostPixelsPerByte) {
        Refuse("data too short for the announced size (" + std::to_string(pixels) + " pixels in " +
               std::to_string(input.Size()) + " bytes)");
      }
      budget.limit = kBudgetBase + kBudgetPerPixel * pixels;
      collector =
          std::make_unique<RowCollector>(sink, static_cast<int>(width), static_cast<int>(height));
      continue;
    }
    if (status == JXL_DEC_COLOR_ENCODING) {
      std::size_t size = 0;
      if (jxl.JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) ==
              JXL_DEC_SUCCESS &&
          size > 0 && size < (std::size_t{1} << 24)) {
        icc.resize(size);
        if (jxl.JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                               icc.data(), size) != JXL_DEC_SUCCESS ||
            !IsWellFormedRgbProfile(icc.data(), icc.size())) {
          icc.clear();
        }
      }
      continue;
    }
    if (status == JXL_DEC_JPEG_RECONSTRUCTION) {
      rebuilding = true;
      jpeg.resize(std::size_t{1} << 16);
      if (jxl.JxlDecoderSetJPEGBuffer(dec, jpeg.data(), jpeg.size()) != JXL_DEC_SUCCESS)
        Refuse("JPEG cannot be rebuilt");
      continue;
    }
    if (status == JXL_DEC_JPEG_NEED_MORE_OUTPUT) {
      const std::size_t left = jxl.JxlDecoderReleaseJPEGBuffer(dec);
      const std::size_t written = jpeg.size() - left;
      if (jpeg.size() * 2 > jpegLimit) Refuse("rebuilt JPEG larger than the file can hold");
      jpeg.resize(jpeg.size() * 2);
      if (jxl.JxlDecoderSetJPEGBuffer(dec, jpeg.data() + written, jpeg.size() - written) !=
          JXL_DEC_SUCCESS)
        Refuse("JPEG cannot be rebuilt");
      continue;
    }
    if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
      if (rebuilding) continue;  // the pixels are the rebuilt JPEG's
      if (!collector) Refuse("picture before its header");
      if (!begun) {
        std::uint32_t width = basic.xsize, height = basic.ysize;
        if (basic.orientation >= JXL_ORIENT_TRANSPOSE) std::swap(width, height);
        sink.Begin(static_cast<int>(width), static_cast<int>(height), 1);
        begun = true;
      }
      if (jxl.JxlDecoderSetImageOutCallback(dec, &format, RowCollector::Callback,
                                            collector.get()) != JXL_DEC_SUCCESS)
        Refuse("pixels cannot be delivered");
      continue;
    }
    if (status == JXL_DEC_FULL_IMAGE) {
      if (rebuilding) {
        const std::size_t left = jxl.JxlDecoderReleaseJPEGBuffer(dec);
        jpeg.resize(jpeg.size() - left);
      } else if (!pictureDone) {
        collector->Flush();
        if (!collector->Complete()) Refuse("frame does not cover the picture");
      }
      pictureDone = true;
      // An animation's further frames are not decoded; a still picture goes on to its
      // trailing boxes.
      if (basic.have_animation || rebuilding) break;
      continue;
    }
    if (status == JXL_DEC_BOX) {
      endExifBox();
      JxlBoxType type;
      if (exifBox.empty() && jxl.JxlDecoderGetBoxType(dec, type, JXL_TRUE) == JXL_DEC_SUCCESS &&
          std::memcmp(type, "Exif", 4) == 0) {
        exifBox.resize(std::size_t{1} << 12);
        if (jxl.JxlDecoderSetBoxBuffer(dec, exifBox.data(), exifBox.size()) != JXL_DEC_SUCCESS) {
          exifBox.clear();
        } else {
          inExif = true;
        }
      }
      continue;
    }
    if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT) {
      const std::size_t left = jxl.JxlDecoderReleaseBoxBuffer(dec);
      const std::size_t written = exifBox.size() - left;
      if (exifBox.size() >= (std::size_t{1} << 20)) {
        exifBox.clear();  // no EXIF block is that long: left out
        inExif = false;
        continue;
      }
      exifBox.resize(exifBox.size() * 2);
      if (jxl.JxlDecoderSetBoxBuffer(dec, exifBox.data() + written, exifBox.size() - written) !=
          JXL_DEC_SUCCESS) {
        exifBox.clear();
        inExif = false;
      }
      continue;
    }
    if (!pictureDone && collector) collector->Flush();
  }
  endExifBox();
  if (!pictureDone) Refuse("file holds no picture");

  if (rebuilding) {
    // The rebuilt JPEG is the picture, with its own profile, EXIF block and orientation.
    DecodeJpegRows(jpeg.data(), jpeg.size(), sink, info);
    return;
  }
  if (info == nullptr) return;
  *info = SourceInfo{};
  info->orientation = 1;  // libjxl turned the picture upright
  info->icc = std::move(icc);
  info->exif = ExifFromBox(exifBox);
}

}  // namespace

void DecodeJxlRows(const JxlLibrary& library, const std::uint8_t* data, std::size_t size,
                   RowSink& sink, SourceInfo* info) {
  Input input(data, size);
  Decode(library, input, sink, info);
}

void DecodeJxlRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info) {
  DecodeJxlRows(ProcessLibrary<JxlFunctions>(), data, size, sink, info);
}

void LoadJxlRows(int fd, RowSink& sink, SourceInfo& info) {
  Input input(fd);
  Decode(ProcessLibrary<JxlFunctions>(), input, sink, &info);
}

void DecodeJxl(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  BitmapSink sink;
  DecodeJxlRows(data, size, sink, info);
  bitmap.Swap(sink.Picture());
}

}  // namespace brevine
