// GIF: the first image of the file at its own size, through the colour table in force.
//
// giflib reads the records and does the LZW decoding; it reads from memory through a
// callback that also tells us where it stands, so that every size giflib would act on is
// looked at here first. giflib has no longjmp: every call returns a status, and the file
// object is closed on every path by its holder.

#include <gif_lib.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs.h"

namespace brevine {

namespace {

constexpr int kMaxSide = 16384;
constexpr int kMaxImages = 256;
constexpr std::size_t kScreenDescriptorEnd = 13;  // "GIFxxx" + 7 bytes
constexpr std::size_t kImageDescriptorSize = 9;   // after the "," introducer
// LZW codes are at most 12 bits and each stands for at most 4,096 pixels, so a file
// holding less than one byte per 4,096 pixels of its first image is mostly missing. Up to
// 2^24 pixels such a file is still decoded (the missing pixels take index 0); above that it
// is refused before the picture is allocated, as the BMP and PNG decoders bound theirs.
constexpr std::uint64_t kPixelsPerByteBound = 4096;
constexpr std::uint64_t kUnboundedPixels = std::uint64_t{1} << 24;

struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  bool padded;

  std::size_t Left() const { return size - pos; }
  const std::uint8_t* Here() const { return data + pos; }
};

// giflib reads image data a whole sub-block at a time and drops a sub-block it cannot
// complete. The first read that runs into the end of the file is therefore completed
// with zeros, so that the codes of a cut-off sub-block are still decoded (the zeros decode
// as index 0, which is what the pixels beyond the cut take anyway); every later read
// fails.
extern "C" int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  if (wanted <= 0) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(wanted), reader->Left());
  std::memcpy(buffer, reader->Here(), n);
  reader->pos += n;
  if (n == static_cast<std::size_t>(wanted) || reader->padded) return static_cast<int>(n);
  reader->padded = true;
  std::memset(buffer + n, 0, static_cast<std::size_t>(wanted) - n);
  return wanted;
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// Blue, green, red per index; entries beyond the table stay black.
using Palette = std::array<std::uint8_t, 256 * 3>;

Palette PaletteFrom(const std::uint8_t* rgb, int count) {
  Palette palette{};
  for (int i = 0; i < count; ++i) {
    palette[i * 3 + 0] = rgb[i * 3 + 2];
    palette[i * 3 + 1] = rgb[i * 3 + 1];
    palette[i * 3 + 2] = rgb[i * 3 + 0];
  }
  return palette;
}

int TableEntries(std::uint8_t flags) { return (flags & 0x80) ? 2 << (flags & 0x07) : 0; }

std::uint16_t Word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Row of the image for the k-th line in file order.
std::vector<int> LineRows(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  }
  return rows;
}

void WriteLine(const std::uint8_t* indices, int width, const Palette& palette, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 3) {
    const std::uint8_t* c = &palette[indices[x] * 3u];
    out[0] = c[0];
    out[1] = c[1];
    out[2] = c[2];
  }
}

// The picture of an image whose data is damaged from its first pixel: index 0 throughout.
void FillBlank(int width, int height, const Palette& palette, WorkBitmap& bitmap) {
  bitmap.SetSize(width, height);
  std::uint8_t* row = bitmap.Row(0);
  for (int x = 0; x < width; ++x) std::memcpy(row + 3 * x, palette.data(), 3);
  for (int y = 1; y < height; ++y) std::memcpy(bitmap.Row(y), row, bitmap.Stride());
}

// Decodes the pixel data of the first image line by line. A failure ends the image: what
// was decoded stays, every pixel not reached takes index 0. Returns false if the data was
// damaged, in which case the stream position is no longer trustworthy.
bool DecodeFirstImage(GifFileType* gif, int width, int height, bool interlaced,
                      const Palette& palette, WorkBitmap& bitmap) {
  bitmap.SetSize(width, height);
  const std::vector<int> rows = LineRows(height, interlaced);
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  bool intact = true;
  int done = 0;
  while (done < height) {
    std::fill(line.begin(), line.end(), GifPixelType{0});
    const int status = DGifGetLine(gif, line.data(), width);
    // On failure the line holds what was decoded before the damage, zeros after it.
    WriteLine(line.data(), width, palette, bitmap.Row(rows[done]));
    ++done;
    if (status != GIF_OK) {
      intact = false;
      break;
    }
  }
  if (done < height) {
    std::fill(line.begin(), line.end(), GifPixelType{0});
    WriteLine(line.data(), width, palette, bitmap.Row(rows[done]));
    const std::uint8_t* blank = bitmap.Row(rows[done]);
    for (int k = done + 1; k < height; ++k) {
      std::memcpy(bitmap.Row(rows[k]), blank, bitmap.Stride());
    }
  }
  return intact;
}

// Passes over an image's data sub-blocks without decoding them.
bool SkipImageData(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return false;
  while (block != nullptr) {
    if (DGifGetCodeNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

bool SkipExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

}  // namespace

void DecodeGif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
  if (size < 3 || std::memcmp(data, "GIF", 3) != 0) throw DecodeError("not a GIF file");
  if (size < kScreenDescriptorEnd) throw DecodeError("GIF screen descriptor cut off");
  const int globalEntries = TableEntries(data[10]);
  if (size < kScreenDescriptorEnd + 3u * globalEntries) {
    throw DecodeError("GIF global colour table cut off");
  }
  // With no global table the table in force holds one entry, black: all zeros.
  const Palette global = PaletteFrom(data + kScreenDescriptorEnd, globalEntries);

  MemoryReader reader{data, size, 0, false};
  int openError = 0;
  GifHandle gif(DGifOpen(&reader, ReadFromMemory, &openError));
  if (!gif) throw DecodeError(std::string("GIF: ") + GifErrorString(openError));

  int imagesRead = 0;
  bool walking = true;
  while (walking && imagesRead < kMaxImages) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    // Bytes that begin no known record end the walk, like the end of the file.
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) break;
    switch (record) {
      case EXTENSION_RECORD_TYPE:
        walking = SkipExtension(gif.get());
        break;
      case IMAGE_DESC_RECORD_TYPE: {
        if (reader.Left() < kImageDescriptorSize) {
          walking = false;
          break;
        }
        const std::uint8_t* desc = reader.Here();
        const int width = Word(desc + 4);
        const int height = Word(desc + 6);
        const std::uint8_t flags = desc[8];
        if (width == 0 || height == 0) throw DecodeError("GIF image of zero size");
        if (width > kMaxSide || height > kMaxSide) {
          walking = false;
          break;
        }
        const int localEntries = TableEntries(flags);
        const std::size_t tableBytes = 3u * static_cast<std::size_t>(localEntries);
        if (reader.Left() < kImageDescriptorSize + tableBytes) {
          // Cut off inside the local table: the image is as good as absent.
          walking = false;
          break;
        }
        ++imagesRead;
        const bool first = imagesRead == 1;
        const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
        if (first && pixels > kUnboundedPixels && size * kPixelsPerByteBound < pixels) {
          throw DecodeError("GIF file too short for its picture size");
        }
        const std::size_t codeSizeAt = kImageDescriptorSize + tableBytes;
        const bool hasCodeSize = reader.Left() > codeSizeAt;
        const int codeSize = hasCodeSize ? desc[codeSizeAt] : -1;
        // giflib cannot decode a code size above 8, and 0 leaves no room for a literal;
        // such data counts as damaged from its first pixel.
        const bool decodable = codeSize >= 1 && codeSize <= 8;
        if (first) {
          const Palette palette =
              localEntries > 0 ? PaletteFrom(desc + kImageDescriptorSize, localEntries) : global;
          if (!decodable || DGifGetImageHeader(gif.get()) != GIF_OK) {
            FillBlank(width, height, palette, bitmap);
            walking = false;
            break;
          }
          walking =
              DecodeFirstImage(gif.get(), width, height, (flags & 0x40) != 0, palette, bitmap);
        } else {
          walking =
              decodable && DGifGetImageHeader(gif.get()) == GIF_OK && SkipImageData(gif.get());
        }
        break;
      }
      case TERMINATE_RECORD_TYPE:
      default:
        walking = false;
        break;
    }
  }
  if (imagesRead == 0) throw DecodeError("GIF file holds no image");
}

void LoadGifImage(const std::string& path, WorkBitmap& bitmap) {
  const auto bytes = ReadWholeFile(path);
  DecodeGif(bytes.data(), bytes.size(), bitmap);
}

void LoadGifImage(const SourceFile& source, WorkBitmap& bitmap) {
  const auto bytes = ReadWholeFile(source);
  DecodeGif(bytes.data(), bytes.size(), bitmap);
}

}  // namespace brevine
