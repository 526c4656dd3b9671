#pragma once
// The exact length of the JPEG that TJPEGImage::EncodeJpeg writes, for every quality,
// without running the encoder per quality.
//
// Everything in front of quantization (colour conversion, 2x2 chroma averaging, edge
// replication, the integer forward DCT) does not depend on the quality, so it is run
// once when the model is built. Length(q) then quantizes the stored coefficients the way
// libjpeg-turbo does (by reciprocal multiplication, which is not always a plain rounding
// division), walks them with the standard Huffman tables and counts the bytes the entropy
// coder emits, stuffed 0x00 bytes and the padded last byte included, plus the markers.
// The tests hold it to the library's output for every quality.
//
// Progressive output follows the library's simple progression script scan by scan: the
// symbols of each scan are gathered, coded with the optimal Huffman table the library would
// build from their counts (jpeg_gen_optimal_table), and the scan's tables and bytes counted.

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "work_bitmap.h"

namespace brevine {

namespace jpeg_length {

// One quantization table as libjpeg-turbo divides by it: by reciprocal multiplication,
// zigzag order.
struct Divisors {
  std::array<std::uint16_t, 64> recip;
  std::array<std::uint16_t, 64> corr;
  std::array<std::uint8_t, 64> shift;   // total right shift of the product
  std::array<std::int16_t, 64> limits;  // magnitudes above this quantize to nonzero
};
struct HuffCode {
  std::uint16_t code;
  std::uint8_t length;
};
using HuffTable = std::array<HuffCode, 256>;

}  // namespace jpeg_length

class JpegLengthModel {
 public:
  // Raises EJPEG when libjpeg rejects its own default tables (it never should), and
  // std::invalid_argument for an empty bitmap or one wider or taller than libjpeg allows.
  JpegLengthModel(const WorkBitmap& bitmap, bool gray, bool progressive = false);

  // The file length at quality q (1..100). When the length grows beyond stopAbove the
  // count stops early and some value above stopAbove is returned.
  std::int64_t Length(int quality,
                      std::int64_t stopAbove = std::numeric_limits<std::int64_t>::max()) const;

  // A cheap lower bound on Length(quality); it also stops early once above stopAbove.
  std::int64_t LowerBound(int quality,
                          std::int64_t stopAbove = std::numeric_limits<std::int64_t>::max()) const;

  // Markers and tables around the entropy-coded data (constant for every quality; for
  // progressive output without the scans' own segments).
  std::int64_t HeaderLength() const { return headerLength_; }

 private:
  using Divisors = jpeg_length::Divisors;
  using HuffCode = jpeg_length::HuffCode;
  using HuffTable = jpeg_length::HuffTable;
  struct Scan {
    int components;      // 1, or all of them in the interleaved DC scans
    int component;       // the one component of a non-interleaved scan
    int ss, se, ah, al;  // spectral band and successive-approximation bits
  };

  void LoadLibraryTables();
  void BuildBlocks(const WorkBitmap& bitmap);
  void AddPlaneBlocks(const std::vector<std::uint8_t>& plane, int planeWidth, int bx, int by,
                      std::size_t slot);
  std::int64_t SequentialLength(int quality, std::int64_t stopAbove) const;
  std::int64_t ProgressiveLength(int quality, std::int64_t stopAbove) const;
  // Quantized coefficients of every slot (zigzag order); padding slots repeat the DC of
  // the slot before them, as the library's dummy blocks do.
  // nonzero gets one mask per slot: bit k set when coefficient k is not 0.
  void Quantize(int quality, std::vector<std::int16_t>& coefficients,
                std::vector<std::uint64_t>& nonzero) const;

  bool gray_;
  bool progressive_;
  int components_;   // 1 or 3
  int slotsPerMcu_;  // 1 or 6 (four luminance blocks, Cb, Cr)
  std::int64_t headerLength_;
  // Per slot in encoding order: 64 magnitudes in zigzag order, the signs as a bit mask,
  // and whether the slot is a padding block (copy of the previous DC, no AC).
  std::vector<std::uint16_t> magnitudes_;
  std::vector<std::uint64_t> negative_;
  std::vector<std::uint8_t> padding_;
  std::size_t slots_ = 0;
  // libjpeg's quantization tables as divisors, per quality (index 1..100) for luminance
  // and, in colour, chroma.
  std::vector<std::array<Divisors, 2>> divisors_;
  std::array<HuffTable, 2> dcTables_{};
  std::array<HuffTable, 2> acTables_{};
  std::vector<Scan> scans_;  // the library's progression script for this colour space
  // Non-interleaved scans visit a component's own blocks row by row: their slots.
  std::array<std::vector<std::uint32_t>, 3> componentSlots_;
};

}  // namespace brevine
