#pragma once
// Small writers of GIF, PNG and BMP files, byte by byte, so that tests and fuzz seeds can
// make exactly the file a case needs, damaged ones included. No test framework here.

#include <cstdint>
#include <string>
#include <vector>

namespace brevine::test {

using Bytes = std::vector<std::uint8_t>;

// ---- GIF ------------------------------------------------------------------------------

struct GifImageSpec {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  std::vector<std::uint32_t> localTable;  // 0xRRGGBB entries; empty means none
  std::vector<std::uint8_t> indices;      // width * height, top row first
};

class GifWriter {
 public:
  // An empty global table writes none.
  explicit GifWriter(const std::vector<std::uint32_t>& globalTable = {}, int screenWidth = 1,
                     int screenHeight = 1, const std::string& signature = "GIF89a");
  GifWriter& Extension(std::uint8_t label, const Bytes& data);
  GifWriter& GraphicControl(int transparentIndex, int delay = 10, int disposal = 0);
  GifWriter& Image(const GifImageSpec& image);
  GifWriter& Raw(const Bytes& bytes);
  Bytes Finish(bool trailer = true);

 private:
  Bytes out_;
};

// LZW data of the indices (code size byte, sub-blocks, terminator), uncompressed codes
// with a clear code often enough that the code width never grows.
Bytes GifImageData(const std::vector<std::uint8_t>& indices, int minCodeSize);

// ---- PNG ------------------------------------------------------------------------------

struct PngSpec {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int depth = 8;
  int colourType = 2;
  bool interlaced = false;
  // width * height * channels samples, each within the bit depth, top row first.
  std::vector<std::uint16_t> samples;
};

int PngChannels(int colourType);
// The zlib stream of the filtered rows (filter type 0, Adam7 order when interlaced).
Bytes PngImageData(const PngSpec& layout);
Bytes PngChunk(const char* type, const Bytes& data, bool goodCrc = true);
Bytes PngHeaderData(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                    int compression = 0, int filter = 0, int interlace = 0);
Bytes PngSignature();
// Signature, IHDR, PLTE (when a palette is given), one IDAT, IEND.
Bytes MakePng(const PngSpec& layout, const std::vector<std::uint32_t>& palette = {});

// ---- BMP ------------------------------------------------------------------------------

// An uncompressed BMP with a 40-byte info header. For 1, 4 and 8 bits `pixels` holds one
// index per pixel and `palette` the table; for 24 and 32 bits it holds blue, green, red.
Bytes MakeBmp(int width, int height, int bitsPerPixel, const std::vector<std::uint8_t>& pixels,
              const std::vector<std::uint32_t>& palette = {}, bool topDown = false);

void Append(Bytes& out, const Bytes& more);

}  // namespace brevine::test
