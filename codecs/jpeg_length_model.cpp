#include "jpeg_length_model.h"

#include <cstddef>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "jpeg_length_model_parts.h"

extern "C" {
#include <jpeglib.h>
}

namespace brevine {

using jpeg_length::BitLength;
using jpeg_length::NonzeroMask;
using jpeg_length::QuantizedMagnitude;

JpegLengthModel::JpegLengthModel(const WorkBitmap& bitmap, bool gray, bool progressive)
    : gray_(gray),
      progressive_(progressive),
      components_(gray ? 1 : 3),
      slotsPerMcu_(gray ? 1 : 6) {
  if (bitmap.Empty() || bitmap.Width() > JPEG_MAX_DIMENSION ||
      bitmap.Height() > JPEG_MAX_DIMENSION) {
    throw std::invalid_argument("JpegLengthModel: size outside what libjpeg encodes");
  }
  LoadLibraryTables();
  BuildBlocks(bitmap);
}

std::int64_t JpegLengthModel::Length(int quality, std::int64_t stopAbove) const {
  if (quality < 1 || quality > 100) throw std::invalid_argument("quality outside 1..100");
  return progressive_ ? ProgressiveLength(quality, stopAbove)
                      : SequentialLength(quality, stopAbove);
}

// Every nonzero AC coefficient of magnitude m costs exactly bitlen(m) raw bits over all the
// scans that carry its bits (first scan, then one bit per refinement) plus at least one
// bit of Huffman symbol; every block costs at least one DC symbol bit and, in progressive
// output, one DC refinement bit. Markers come on top.
std::int64_t JpegLengthModel::LowerBound(int quality, std::int64_t stopAbove) const {
  if (quality < 1 || quality > 100) throw std::invalid_argument("quality outside 1..100");
  const std::array<Divisors, 2>& divisors = divisors_[quality];
  std::int64_t fixedBytes = headerLength_;
  for (const Scan& scan : scans_) {
    if (progressive_) fixedBytes += 2 + 2 + 1 + 2 * scan.components + 3;
  }
  // Sequential output uses fixed tables, so its shortest codes and its EOB code are known;
  // progressive tables are built per scan and may give any symbol a one-bit code.
  int dcMin[2] = {1, 1};
  int acMin[2] = {1, 1};
  int eob[2] = {0, 0};
  if (!progressive_) {
    for (int t = 0; t < 2; ++t) {
      auto shortest = [](const HuffTable& table) {
        int best = 16;
        for (const HuffCode& c : table) {
          if (c.length != 0 && c.length < best) best = c.length;
        }
        return best;
      };
      dcMin[t] = shortest(dcTables_[t]);
      acMin[t] = shortest(acTables_[t]);
      eob[t] = acTables_[t][0].length;
    }
  }
  std::int64_t bits = progressive_ ? static_cast<std::int64_t>(slots_) * 2 : 0;
  const std::int64_t budgetBytes = stopAbove - fixedBytes;
  const std::int64_t budgetBits =
      budgetBytes > std::numeric_limits<std::int64_t>::max() / 8 ? budgetBytes : budgetBytes * 8;
  for (std::size_t slot = 0; slot < slots_; ++slot) {
    const int pos = static_cast<int>(slot % static_cast<std::size_t>(slotsPerMcu_));
    const int table = !gray_ && pos >= 4 ? 1 : 0;
    if (!progressive_) bits += dcMin[table];
    if (padding_[slot]) {
      bits += eob[table];
      continue;
    }
    const Divisors& dv = divisors[table];
    const std::uint16_t* mags = magnitudes_.data() + slot * 64;
    std::uint64_t nonzero = NonzeroMask(mags, dv) & ~std::uint64_t{1};
    if ((nonzero >> 63) == 0) bits += eob[table];
    while (nonzero != 0) {
      const int k = __builtin_ctzll(nonzero);
      nonzero &= nonzero - 1;
      bits += acMin[table] + BitLength(QuantizedMagnitude(dv, k, mags[k]));
    }
    if ((slot & 255) == 0 && bits > budgetBits) break;
  }
  return fixedBytes + (bits + 7) / 8;
}

}  // namespace brevine
