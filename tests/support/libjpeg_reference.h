#pragma once
// libjpeg called directly, with nothing of the codecs in between, so that the tests and the
// benchmarks hold the codecs to the library itself. Each call sits in a setjmp leaf; a
// library error raises std::runtime_error once the leaf has returned.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include <jpeglib.h>

#include "work_bitmap.h"

namespace brevine::test {

using Bytes = std::vector<std::uint8_t>;

struct LibjpegEncode {
  int width = 0;
  int height = 0;
  int components = 3;  // samples per input pixel
  J_COLOR_SPACE inSpace = JCS_RGB;
  J_COLOR_SPACE fileSpace = JCS_UNKNOWN;  // JCS_UNKNOWN keeps the library's default
  int quality = 90;
  bool progressive = false;
  bool adobeMarker = true;            // only changed from the default when false
  std::vector<jpeg_scan_info> scans;  // a scan script of its own when not empty
  Bytes samples;                      // rows top first, `components` samples per pixel
  // The first component's sampling factors (the others keep 1 x 1); 0: the library's.
  int lumaH = 0;
  int lumaV = 0;
  int restartInterval = 0;  // MCUs between restart markers (0: none) ...
  int restartInRows = 0;    // ... or MCU rows between them
  // An EXIF block with this orientation (0: none).
  int orientation = 0;
};
Bytes EncodeWithLibjpeg(const LibjpegEncode& how);

// The bitmap through the library with the calls TJPEGImage::EncodeJpeg makes: red, green,
// blue rows, forced baseline tables, gray and progressive on request.
Bytes EncodeBitmapWithLibjpeg(const WorkBitmap& bitmap, int quality, bool gray, bool progressive);

struct LibjpegDecode {
  J_COLOR_SPACE out = JCS_UNKNOWN;  // JCS_UNKNOWN keeps the library's choice for the file
  // What the loader asks for on top: blue-green-red for colour files, one-channel files
  // quantised to 236 levels.
  bool likeTheLoader = false;
};

struct LibjpegImage {
  int width = 0;
  int height = 0;
  int components = 0;
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, Free> pixels;  // rows top first, malloc'd after the header

  std::size_t Size() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(components);
  }
  std::span<const std::uint8_t> Samples() const { return {pixels.get(), Size()}; }
};
// Full scale, block smoothing off, the library's defaults otherwise.
LibjpegImage DecodeWithLibjpeg(const std::uint8_t* data, std::size_t size,
                               const LibjpegDecode& how);
inline LibjpegImage DecodeWithLibjpeg(const Bytes& file, J_COLOR_SPACE out) {
  return DecodeWithLibjpeg(file.data(), file.size(), LibjpegDecode{out, false});
}

struct Segment {
  std::uint8_t marker;  // the byte after 0xFF
  Bytes payload;        // without the length field
};
// The marker segments up to EOI; entropy-coded data is stepped over.
std::vector<Segment> Segments(const Bytes& file);
int CountMarker(const Bytes& file, std::uint8_t marker);

}  // namespace brevine::test
