#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#include "codecs.h"
#include "image_file.h"
#include "probe.h"

namespace brevine {

namespace {

// Decompression bombs: a header of a few dozen bytes can announce half a billion pixels.
// Above this count the pixel data must really be in the file: every row of an
// uncompressed picture, and for run-length data at least one byte per kRlePixelsPerByte
// pixels (the densest run codes 255 pixels in two bytes).
constexpr std::int64_t kBombPixels = std::int64_t{1} << 24;
constexpr std::int64_t kRlePixelsPerByte = 128;

constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

[[noreturn]] void Reject(const char* why) {
  std::string message = "BMP: ";
  message += why;
  throw DecodeError(message);
}

struct Bgr {
  std::uint8_t b, g, r;
};
using Palette = std::array<Bgr, 256>;  // entries beyond the stored table stay black

// One channel of a bit-field pixel: the masked bits, widened to 8 bits with the high bits
// repeated into the low ones (5 bits of 31 become 255, not 248).
class Channel {
 public:
  explicit Channel(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = 32 - std::countl_zero(mask) - shift_;
    if (bits_ <= 8) {
      for (std::uint32_t v = 0; v < (1u << bits_); ++v) {
        unsigned wide = 0;
        int filled = 0;
        while (filled < 8) {
          wide = wide << bits_ | v;
          filled += bits_;
        }
        widen_[v] = static_cast<std::uint8_t>(wide >> (filled - 8));
      }
    }
  }

  std::uint8_t operator()(std::uint32_t pixel) const {
    if (mask_ == 0) return 0;
    const std::uint32_t v = (pixel & mask_) >> shift_;
    return bits_ <= 8 ? widen_[v] : static_cast<std::uint8_t>(v >> (bits_ - 8));
  }

 private:
  std::uint32_t mask_;
  int shift_ = 0;
  int bits_ = 0;
  std::array<std::uint8_t, 256> widen_{};
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // as stored: negative means top-down
  unsigned planes = 0;
  unsigned bitsPerPixel = 0;
  std::uint32_t compression = kCompressionNone;
  std::uint32_t imageSize = 0;
  std::uint32_t colorsUsed = 0;
  bool hasMasks = false;
  std::uint32_t masks[3] = {};  // red, green, blue
  std::size_t entrySize = 4;
  std::uint64_t end = 0;  // offset after the info header (and any separate masks)
};

Header ReadHeader(const std::uint8_t* data, std::size_t size) {
  if (size < 18) Reject("truncated file header");
  if (data[0] != 'B' || data[1] != 'M') Reject("no BM signature");
  Header h;
  const std::uint32_t infoSize = U32(data + 14);
  const std::uint8_t* info = data + 14;
  if (infoSize == 12) {
    if (size < 14 + 12) Reject("truncated info header");
    h.width = U16(info + 4);
    h.height = U16(info + 6);
    h.planes = U16(info + 8);
    h.bitsPerPixel = U16(info + 10);
    h.entrySize = 3;
  } else {
    // Windows forms, and the OS/2 2.x forms of 16 to 64 bytes, which share their first
    // fields; a field beyond a short header's end reads as 0.
    const bool windows =
        infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124;
    if (!windows && (infoSize < 16 || infoSize > 64)) Reject("unknown info header");
    if (size < 14 + static_cast<std::uint64_t>(infoSize)) Reject("truncated info header");
    h.width = static_cast<std::int32_t>(U32(info + 4));
    h.height = static_cast<std::int32_t>(U32(info + 8));
    h.planes = U16(info + 12);
    h.bitsPerPixel = U16(info + 14);
    if (infoSize >= 20) h.compression = U32(info + 16);
    if (infoSize >= 24) h.imageSize = U32(info + 20);
    if (infoSize >= 36) h.colorsUsed = U32(info + 32);
    // From 52 bytes on, the Windows forms carry the masks inside the header; at those
    // offsets the OS/2 forms hold other fields.
    if (windows && infoSize >= 52) {
      h.hasMasks = true;
      for (int i = 0; i < 3; ++i) h.masks[i] = U32(info + 40 + 4 * i);
    }
  }
  h.end = 14 + static_cast<std::uint64_t>(infoSize);
  const bool deep = h.bitsPerPixel == 16 || h.bitsPerPixel == 32;
  if (infoSize == 40 && h.compression == kCompressionBitFields && deep) {
    if (size < h.end + 12) Reject("truncated colour masks");
    h.hasMasks = true;
    for (int i = 0; i < 3; ++i) h.masks[i] = U32(data + h.end + 4 * i);
    h.end += 12;
  }
  return h;
}

void Validate(const Header& h) {
  if (h.planes != 1) Reject("planes must be 1");
  switch (h.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Reject("unsupported bits per pixel");
  }
  switch (h.compression) {
    case kCompressionNone:
      break;
    case kCompressionRle8:
      if (h.bitsPerPixel != 8) Reject("RLE8 needs 8 bits per pixel");
      break;
    case kCompressionRle4:
      if (h.bitsPerPixel != 4) Reject("RLE4 needs 4 bits per pixel");
      break;
    case kCompressionBitFields:
      if ((h.bitsPerPixel != 16 && h.bitsPerPixel != 32) || !h.hasMasks) {
        Reject("bit fields need 16 or 32 bits per pixel and masks");
      }
      break;
    default:
      Reject("unsupported compression");
  }
  if (h.width < 0) Reject("negative width");
  if (h.width == 0 || h.height == 0) Reject("empty picture");
}

// Places decoded pixels at image coordinates counted as the file stores its rows.
class RowMap {
 public:
  RowMap(WorkBitmap& bitmap, bool topDown) : bitmap_(bitmap), topDown_(topDown) {}
  std::uint8_t* Row(std::int64_t fileRow) {
    const int h = bitmap_.Height();
    return bitmap_.Row(topDown_ ? static_cast<int>(fileRow) : h - 1 - static_cast<int>(fileRow));
  }

 private:
  WorkBitmap& bitmap_;
  bool topDown_;
};

void ConvertRow(const Header& h, const Palette& palette, const Channel* channels,
                const std::uint8_t* in, std::uint8_t* out, int width) {
  switch (h.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      const unsigned bpp = h.bitsPerPixel;
      const unsigned perByte = 8 / bpp;
      const unsigned mask = (1u << bpp) - 1;
      for (int x = 0; x < width; ++x, out += 3) {
        const unsigned shift = 8 - bpp * (x % perByte + 1);
        const Bgr& c = palette[(in[x / perByte] >> shift) & mask];
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
      }
      break;
    }
    case 24:
      std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
      break;
    case 16:
      for (int x = 0; x < width; ++x, in += 2, out += 3) {
        const std::uint32_t px = U16(in);
        out[0] = channels[2](px);
        out[1] = channels[1](px);
        out[2] = channels[0](px);
      }
      break;
    case 32:
      if (h.compression == kCompressionNone) {
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
          out[0] = in[0];
          out[1] = in[1];
          out[2] = in[2];
        }
      } else {
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
          const std::uint32_t px = U32(in);
          out[0] = channels[2](px);
          out[1] = channels[1](px);
          out[2] = channels[0](px);
        }
      }
      break;
  }
}

// Reads file bytes [offset, offset + length) into `out`; bytes past the pixel data read
// as zero. Lets a file on disk stream its rows instead of being held whole in memory.
using PixelReader =
    std::function<void(std::uint64_t offset, std::size_t length, std::uint8_t* out)>;

// Rows are handed to the sink in the order the file stores them: from the bottom up for
// a positive height.
void DecodeRows(const Header& h, const Palette& palette, const PixelReader& read,
                std::uint64_t rowBytes, int width, int height, bool topDown, RowSink& sink) {
  std::uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
  if (h.compression == kCompressionNone) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  const Channel channels[3] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2])};
  // A block of rows at a time: large enough for few reads, small beside the picture.
  const int blockRows = static_cast<int>(std::clamp<std::uint64_t>(
      std::min<std::uint64_t>((std::uint64_t{1} << 20) / std::max<std::uint64_t>(rowBytes, 1),
                              static_cast<std::uint64_t>(std::max(sink.MaxRows(), 1))),
      1, height));
  std::vector<std::uint8_t> block(static_cast<std::size_t>(rowBytes) * blockRows);
  const int step = topDown ? 1 : -1;
  for (int first = 0; first < height; first += blockRows) {
    const int count = std::min(blockRows, height - first);
    read(rowBytes * static_cast<std::uint64_t>(first), static_cast<std::size_t>(rowBytes) * count,
         block.data());
    const int firstRow = topDown ? first : height - 1 - first;
    const RowSink::Block out = sink.Rows(firstRow, count, step);
    for (int k = 0; k < count; ++k) {
      ConvertRow(h, palette, channels, block.data() + rowBytes * k,
                 out.data + out.stride * static_cast<std::ptrdiff_t>(k), width);
    }
    sink.Put(firstRow, count, step);
  }
}

void DecodeRle(const Header& h, const Palette& palette, const std::uint8_t* data,
               std::uint64_t length, WorkBitmap& bitmap, RowMap& rows) {
  // Pixels the runs never reach (skipped by deltas, line ends or an early end) keep
  // colour-table entry 0.
  const Bgr fill = palette[0];
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* out = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, out += 3) {
      out[0] = fill.b;
      out[1] = fill.g;
      out[2] = fill.r;
    }
  }
  const bool rle8 = h.compression == kCompressionRle8;
  const std::int64_t width = bitmap.Width();
  const std::int64_t height = bitmap.Height();
  std::int64_t x = 0;
  std::int64_t r = 0;
  auto put = [&](unsigned index) {
    if (x < width) {
      std::uint8_t* out = rows.Row(r) + 3 * x;
      const Bgr& c = palette[index];
      out[0] = c.b;
      out[1] = c.g;
      out[2] = c.r;
    }
    ++x;
  };
  auto byteAt = [&](std::uint64_t i) -> unsigned { return i < length ? data[i] : 0; };

  std::uint64_t i = 0;
  while (i + 1 < length && r < height) {
    const unsigned count = data[i];
    const unsigned value = data[i + 1];
    i += 2;
    if (count > 0) {
      const std::int64_t n = std::min<std::int64_t>(count, std::max<std::int64_t>(width - x, 0));
      for (std::int64_t k = 0; k < n; ++k) {
        put(rle8 ? value : (k & 1) ? value & 15 : value >> 4);
      }
      x += count - n;
    } else if (value == 0) {
      x = 0;
      ++r;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      x += byteAt(i);
      r += byteAt(i + 1);
      i += 2;
    } else {
      const unsigned n = value;
      const std::uint64_t bytes = rle8 ? n : (n + 1) / 2;
      for (unsigned k = 0; k < n; ++k) {
        if (x >= width) {
          x += n - k;
          break;
        }
        put(rle8 ? byteAt(i + k) : (k & 1) ? byteAt(i + k / 2) & 15 : byteAt(i + k / 2) >> 4);
      }
      i += (bytes + 1) & ~std::uint64_t{1};  // absolute runs are padded to 16 bits
    }
  }
}

// `head` holds the first bytes of the file (all of it, or at least 64 KiB: more than the
// largest header and colour table); `readPixels` delivers the pixel data.
void DecodeBmpFrom(const std::uint8_t* head, std::size_t headSize, std::uint64_t size,
                   const std::function<void(std::uint64_t, std::size_t, std::uint8_t*)>& readFile,
                   RowSink& sink) {
  if (size == 0) Reject("empty file");
  const Header h = ReadHeader(head, headSize);
  Validate(h);
  const bool topDown = h.height < 0;
  const std::int64_t width = h.width;
  const std::int64_t height = topDown ? -h.height : h.height;
  const std::int64_t pixelCount = width * height;
  if (pixelCount > WorkBitmap::kMaxPixels)
    throw PictureTooLarge("BMP", width, height, WorkBitmap::kMaxPixels);

  // The colour table: the declared count (or the full table for 8 bits and less) is
  // stored and skipped, at most 256 entries are used; missing bytes read as zero.
  Palette palette{};
  std::uint64_t entries = h.colorsUsed;
  if (entries == 0 && h.bitsPerPixel <= 8) entries = std::uint64_t{1} << h.bitsPerPixel;
  if (h.bitsPerPixel <= 8) {
    const std::uint64_t used = std::min<std::uint64_t>(entries, 256);
    for (std::uint64_t e = 0; e < used; ++e) {
      const std::uint64_t at = h.end + e * h.entrySize;
      if (at + 3 > headSize) break;
      palette[e] = Bgr{head[at], head[at + 1], head[at + 2]};
    }
  }
  // The pixels follow the table directly; the file header's offset field is not used.
  const std::uint64_t pixelStart = h.end + entries * h.entrySize;
  const std::uint64_t available = pixelStart < size ? size - pixelStart : 0;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * h.bitsPerPixel + 31) / 32 * 4;
  const std::uint64_t needed = rowBytes * static_cast<std::uint64_t>(height);
  const bool rle = h.compression == kCompressionRle8 || h.compression == kCompressionRle4;
  std::uint64_t length = h.imageSize != 0 ? h.imageSize : needed;
  length = std::min(length, available);
  if (!rle) length = std::min(length, needed);

  if (pixelCount > kBombPixels) {
    const bool missing =
        rle ? static_cast<std::int64_t>(length) * kRlePixelsPerByte < pixelCount : length < needed;
    if (missing) Reject("pixel data missing for a large picture");
  }

  if (rle) {
    // Runs may jump anywhere in the picture: it is made whole. Run-length data is at most
    // the file's size and far smaller than the picture.
    WorkBitmap bitmap(static_cast<int>(width), static_cast<int>(height));
    RowMap rows(bitmap, topDown);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
    if (length > 0) readFile(pixelStart, data.size(), data.data());
    DecodeRle(h, palette, data.data(), length, bitmap, rows);
    sink.TakePicture(bitmap, 1);
  } else {
    sink.Begin(static_cast<int>(width), static_cast<int>(height), 1);
    const PixelReader read = [&](std::uint64_t offset, std::size_t n, std::uint8_t* out) {
      const std::uint64_t have = offset < length ? std::min<std::uint64_t>(n, length - offset) : 0;
      if (have > 0) readFile(pixelStart + offset, static_cast<std::size_t>(have), out);
      std::memset(out + have, 0, n - have);
    };
    DecodeRows(h, palette, read, rowBytes, static_cast<int>(width), static_cast<int>(height),
               topDown, sink);
  }
}

}  // namespace

void DecodeBmpRows(const std::uint8_t* data, std::size_t size, RowSink& sink) {
  DecodeBmpFrom(
      data, size, size,
      [data](std::uint64_t offset, std::size_t n, std::uint8_t* out) {
        std::memcpy(out, data + offset, n);
      },
      sink);
}

void DecodeBmp(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
  BitmapSink sink;
  DecodeBmpRows(data, size, sink);
  bitmap.Swap(sink.Picture());
}

void LoadBmpRows(const std::string& path, RowSink& sink) {
  const ImageFile file(path);
  LoadBmpRows(file.Source(), sink);
}

void LoadBmpRows(const SourceFile& source, RowSink& sink) {
  // The file is streamed: an uncompressed photo is as large as its bitmap, and holding
  // both would double the peak memory of a load.
  const ImageFile file(source);
  const std::uint64_t size = file.Size();
  auto readFile = [&file](std::uint64_t offset, std::size_t n, std::uint8_t* out) {
    file.ReadAt(offset, n, out);
  };
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, 1 << 16)));
  readFile(0, head.size(), head.data());
  DecodeBmpFrom(head.data(), head.size(), size, readFile, sink);
}

namespace probe_detail {

PictureProbe ProbeBmp(const std::string& path) {
  const ImageFile file(path);
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), 256)));
  file.ReadAt(0, head.size(), head.data());
  const Header h = ReadHeader(head.data(), head.size());
  Validate(h);
  const std::int64_t height = h.height < 0 ? -h.height : h.height;
  if (h.width * height > WorkBitmap::kMaxPixels)
    throw PictureTooLarge("BMP", h.width, height, WorkBitmap::kMaxPixels);
  PictureProbe probe;
  probe.width = static_cast<int>(h.width);
  probe.height = static_cast<int>(height);
  probe.streams = h.compression != kCompressionRle8 && h.compression != kCompressionRle4;
  return probe;
}

}  // namespace probe_detail

void LoadBmpImage(const std::string& path, WorkBitmap& bitmap) {
  BitmapSink sink;
  LoadBmpRows(path, sink);
  bitmap.Swap(sink.Picture());
}

}  // namespace brevine
