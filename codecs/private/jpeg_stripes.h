#pragma once
// Decoding one baseline JPEG in stripes on several threads, where its restart markers allow:
// the entropy-coded data starts afresh at each marker, so a run of whole intervals decodes
// on its own. Each stripe starts one MCU row above its first row and ends one below its
// last, so that the fancy upsampling of its rows sees the neighbours the whole decode sees;
// those two rows are decoded and dropped. The rows reach the sink in order, each byte as
// the sequential decode gives it.

#include <cstddef>
#include <cstdint>

namespace brevine {

class RowSink;

namespace jpeg_detail {

// What the caller's own header read found; the stripes must agree with it.
struct StripeFrame {
  int width = 0;
  int height = 0;
  int colorSpace = 0;  // the file's J_COLOR_SPACE
  int orientation = 1;
};

// Decodes `data` (the whole file) in stripes with up to `threads` threads and hands every
// row to `sink`, Begin included. Returns false, before the sink has heard anything, when the
// file does not allow it: not a baseline or extended Huffman frame with one interleaved scan
// of three components, no restart markers, markers missing, out of sequence or followed by
// anything but the end of the image, fewer than two stripes, or a frame that disagrees with
// `frame`. The caller then decodes sequentially. Raises when a stripe fails to decode.
bool DecodeJpegStripes(const std::uint8_t* data, std::size_t size, const StripeFrame& frame,
                       RowSink& sink, int threads);

// The same on an open file, mapped for the time of the decode (read through `fd` only).
bool DecodeJpegStripes(int fd, std::uint64_t size, const StripeFrame& frame, RowSink& sink,
                       int threads);

// The stripes' row buffers: one per thread and one more, so that the stripe the rows are
// handed on from always has its own while the threads decode the next ones.
inline int StripeBuffers(int threads) { return threads + 1; }

// The bytes of each buffer for a frame of this MCU grid with a restart marker every
// `interval` MCUs (0 when it gives fewer than two stripes or too large ones), from the
// header alone; and the same worked out from a whole file's markers (0 when the file does
// not allow stripes).
std::size_t StripeBufferBytes(int width, int height, int mcuWidth, int mcuHeight, int interval);
std::size_t StripeBufferBytes(const std::uint8_t* data, std::size_t size);

// The number of stripes the file splits into (0 when it does not allow stripes), for tests.
std::size_t CountJpegStripes(const std::uint8_t* data, std::size_t size);

}  // namespace jpeg_detail
}  // namespace brevine
