#include "format_writers.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brevine::test {

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

namespace {

void PutLe16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutLe32(Bytes& out, std::uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}
void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Size field n of a GIF table holding at least `entries` (2^(n+1) entries).
int GifTableField(std::size_t entries) {
  int n = 0;
  while ((std::size_t{2} << n) < entries) ++n;
  return n;
}

void PutGifTable(Bytes& out, const std::vector<std::uint32_t>& table) {
  const std::size_t size = std::size_t{2} << GifTableField(table.size());
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint32_t c = i < table.size() ? table[i] : 0;
    out.push_back(static_cast<std::uint8_t>(c >> 16));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
  }
}

void PutSubBlocks(Bytes& out, const Bytes& data) {
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + at, data.begin() + at + n);
  }
  out.push_back(0);
}

}  // namespace

// ---- GIF ------------------------------------------------------------------------------

GifWriter::GifWriter(const std::vector<std::uint32_t>& globalTable, int screenWidth,
                     int screenHeight, const std::string& signature) {
  out_.assign(signature.begin(), signature.end());
  PutLe16(out_, screenWidth);
  PutLe16(out_, screenHeight);
  out_.push_back(globalTable.empty() ? 0x70 : 0xF0 | GifTableField(globalTable.size()));
  out_.push_back(0);  // background
  out_.push_back(0);  // aspect
  if (!globalTable.empty()) PutGifTable(out_, globalTable);
}

GifWriter& GifWriter::Extension(std::uint8_t label, const Bytes& data) {
  out_.push_back('!');
  out_.push_back(label);
  PutSubBlocks(out_, data);
  return *this;
}

GifWriter& GifWriter::GraphicControl(int transparentIndex, int delay, int disposal) {
  Bytes data{static_cast<std::uint8_t>((disposal << 2) | (transparentIndex >= 0 ? 1 : 0))};
  PutLe16(data, delay);
  data.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
  return Extension(0xF9, data);
}

GifWriter& GifWriter::Image(const GifImageSpec& image) {
  out_.push_back(',');
  PutLe16(out_, image.left);
  PutLe16(out_, image.top);
  PutLe16(out_, image.width);
  PutLe16(out_, image.height);
  std::uint8_t flags = image.interlaced ? 0x40 : 0;
  if (!image.localTable.empty()) flags |= 0x80 | GifTableField(image.localTable.size());
  out_.push_back(flags);
  if (!image.localTable.empty()) PutGifTable(out_, image.localTable);

  std::vector<std::uint8_t> ordered;
  if (image.interlaced) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < image.height; y += kStep[pass]) {
        const auto row = image.indices.begin() + static_cast<std::ptrdiff_t>(y) * image.width;
        ordered.insert(ordered.end(), row, row + image.width);
      }
    }
  } else {
    ordered = image.indices;
  }
  int maxIndex = 1;
  for (std::uint8_t i : ordered) maxIndex = std::max<int>(maxIndex, i);
  int codeSize = 2;
  while ((1 << codeSize) <= maxIndex) ++codeSize;
  Append(out_, GifImageData(ordered, codeSize));
  return *this;
}

GifWriter& GifWriter::Raw(const Bytes& bytes) {
  Append(out_, bytes);
  return *this;
}

Bytes GifWriter::Finish(bool trailer) {
  Bytes result = out_;
  if (trailer) result.push_back(';');
  return result;
}

Bytes GifImageData(const std::vector<std::uint8_t>& indices, int minCodeSize) {
  const int width = minCodeSize + 1;
  const unsigned clear = 1u << minCodeSize;
  const std::size_t runLimit = (std::size_t{1} << minCodeSize) - 2;
  Bytes packed;
  std::uint32_t accumulator = 0;
  int bits = 0;
  auto put = [&](unsigned code) {
    accumulator |= code << bits;
    bits += width;
    while (bits >= 8) {
      packed.push_back(static_cast<std::uint8_t>(accumulator));
      accumulator >>= 8;
      bits -= 8;
    }
  };
  std::size_t run = runLimit;
  for (std::uint8_t index : indices) {
    if (run == runLimit) {
      put(clear);
      run = 0;
    }
    put(index);
    ++run;
  }
  put(clear + 1);
  if (bits > 0) packed.push_back(static_cast<std::uint8_t>(accumulator));
  Bytes out{static_cast<std::uint8_t>(minCodeSize)};
  PutSubBlocks(out, packed);
  return out;
}

// ---- PNG ------------------------------------------------------------------------------

int PngChannels(int colourType) {
  switch (colourType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

namespace {

// One filtered row (filter byte 0) of the given pixels of row y.
void PutRow(Bytes& out, const PngSpec& layout, std::uint32_t y, std::uint32_t x0,
            std::uint32_t dx) {
  const int channels = PngChannels(layout.colourType);
  out.push_back(0);
  std::uint32_t acc = 0;
  int bits = 0;
  for (std::uint32_t x = x0; x < layout.width; x += dx) {
    for (int c = 0; c < channels; ++c) {
      const std::uint16_t s =
          layout.samples[(static_cast<std::size_t>(y) * layout.width + x) * channels + c];
      if (layout.depth == 16) {
        out.push_back(static_cast<std::uint8_t>(s >> 8));
        out.push_back(static_cast<std::uint8_t>(s));
      } else if (layout.depth == 8) {
        out.push_back(static_cast<std::uint8_t>(s));
      } else {
        // Any depth packs, the invalid ones the rejection tests need included.
        acc = (acc << layout.depth) | (s & ((1u << layout.depth) - 1));
        bits += layout.depth;
        while (bits >= 8) {
          bits -= 8;
          out.push_back(static_cast<std::uint8_t>(acc >> bits));
          acc &= (1u << bits) - 1;
        }
      }
    }
  }
  if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc << (8 - bits)));
}

}  // namespace

Bytes PngImageData(const PngSpec& layout) {
  const std::size_t expected =
      static_cast<std::size_t>(layout.width) * layout.height * PngChannels(layout.colourType);
  if (layout.samples.size() != expected) throw std::invalid_argument("sample count");
  Bytes raw;
  if (!layout.interlaced) {
    for (std::uint32_t y = 0; y < layout.height; ++y) PutRow(raw, layout, y, 0, 1);
  } else {
    static constexpr std::uint32_t kXStart[7] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr std::uint32_t kXStep[7] = {8, 8, 4, 4, 2, 2, 1};
    static constexpr std::uint32_t kYStart[7] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr std::uint32_t kYStep[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int pass = 0; pass < 7; ++pass) {
      if (kXStart[pass] >= layout.width) continue;  // no columns: the pass is absent
      for (std::uint32_t y = kYStart[pass]; y < layout.height; y += kYStep[pass]) {
        PutRow(raw, layout, y, kXStart[pass], kXStep[pass]);
      }
    }
  }
  uLongf size = compressBound(raw.size());
  Bytes packed(size);
  if (compress2(packed.data(), &size, raw.data(), raw.size(), 6) != Z_OK) {
    throw std::runtime_error("compress2");
  }
  packed.resize(size);
  return packed;
}

Bytes PngChunk(const char* type, const Bytes& data, bool goodCrc) {
  Bytes out;
  out.reserve(data.size() + 12);
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(type[i]));
  Append(out, data);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  // zlib answers 0 for a null buffer whatever the running value: an empty chunk's data
  // (IEND's) must not be handed over at all.
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  PutBe32(out, static_cast<std::uint32_t>(goodCrc ? crc : ~crc));
  return out;
}

Bytes PngHeaderData(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                    int compression, int filter, int interlace) {
  Bytes data;
  PutBe32(data, width);
  PutBe32(data, height);
  for (int v : {depth, colourType, compression, filter, interlace}) {
    data.push_back(static_cast<std::uint8_t>(v));
  }
  return data;
}

Bytes PngSignature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

Bytes MakePng(const PngSpec& layout, const std::vector<std::uint32_t>& palette) {
  Bytes out = PngSignature();
  Append(out, PngChunk("IHDR", PngHeaderData(layout.width, layout.height, layout.depth,
                                             layout.colourType, 0, 0, layout.interlaced)));
  if (!palette.empty()) {
    Bytes rgb;
    for (std::uint32_t c : palette) {
      rgb.push_back(static_cast<std::uint8_t>(c >> 16));
      rgb.push_back(static_cast<std::uint8_t>(c >> 8));
      rgb.push_back(static_cast<std::uint8_t>(c));
    }
    Append(out, PngChunk("PLTE", rgb));
  }
  Append(out, PngChunk("IDAT", PngImageData(layout)));
  Append(out, PngChunk("IEND", {}));
  return out;
}

// ---- BMP ------------------------------------------------------------------------------

Bytes MakeBmp(int width, int height, int bitsPerPixel, const std::vector<std::uint8_t>& pixels,
              const std::vector<std::uint32_t>& palette, bool topDown) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
  const std::size_t tableBytes = palette.size() * 4;
  const std::size_t offset = 14 + 40 + tableBytes;
  Bytes out{'B', 'M'};
  PutLe32(out, static_cast<std::uint32_t>(offset + rowBytes * height));
  PutLe32(out, 0);
  PutLe32(out, static_cast<std::uint32_t>(offset));
  PutLe32(out, 40);
  PutLe32(out, static_cast<std::uint32_t>(width));
  PutLe32(out, static_cast<std::uint32_t>(topDown ? -height : height));
  PutLe16(out, 1);
  PutLe16(out, bitsPerPixel);
  PutLe32(out, 0);  // no compression
  PutLe32(out, static_cast<std::uint32_t>(rowBytes * height));
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, static_cast<std::uint32_t>(palette.size()));
  PutLe32(out, 0);
  for (std::uint32_t c : palette) PutLe32(out, c);
  const int bytesPerPixel = bitsPerPixel / 8;
  for (int i = 0; i < height; ++i) {
    const int y = topDown ? i : height - 1 - i;
    Bytes row(rowBytes, 0);
    for (int x = 0; x < width; ++x) {
      const std::size_t p = static_cast<std::size_t>(y) * width + x;
      if (bitsPerPixel >= 24) {
        std::memcpy(&row[x * bytesPerPixel], &pixels[p * 3], 3);
      } else {
        const int bit = x * bitsPerPixel;
        row[bit / 8] |= static_cast<std::uint8_t>(pixels[p] << (8 - bitsPerPixel - bit % 8));
      }
    }
    Append(out, row);
  }
  return out;
}

}  // namespace brevine::test
