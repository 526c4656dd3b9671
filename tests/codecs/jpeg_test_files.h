#pragma once
// JPEG files made and read by libjpeg itself, and a walk over a file's markers, so the
// tests compare the codec with the library rather than with its own output.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

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
};
Bytes EncodeWithLibjpeg(const LibjpegEncode& how);

struct LibjpegImage {
  int width = 0;
  int height = 0;
  int components = 0;
  Bytes samples;
};
// Full scale, block smoothing off, the library's defaults otherwise.
LibjpegImage DecodeWithLibjpeg(const Bytes& file, J_COLOR_SPACE out);

struct Segment {
  std::uint8_t marker;  // the byte after 0xFF
  Bytes payload;        // without the length field
};
// The marker segments up to EOI; entropy-coded data is stepped over.
std::vector<Segment> Segments(const Bytes& file);
int CountMarker(const Bytes& file, std::uint8_t marker);

}  // namespace brevine::test
