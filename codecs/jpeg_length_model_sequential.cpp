// The sequential count: the standard Huffman tables over the quantized blocks, MCU by MCU.

#include "jpeg_length_model.h"
#include "jpeg_length_model_parts.h"

namespace brevine {

using jpeg_length::BitLength;
using jpeg_length::ByteCounter;
using jpeg_length::NonzeroMask;
using jpeg_length::QuantizedMagnitude;

std::int64_t JpegLengthModel::SequentialLength(int quality, std::int64_t stopAbove) const {
  const std::array<Divisors, 2>& divisors = divisors_[quality];
  const int slotComponent[6] = {0, 0, 0, 0, 1, 2};
  const int slotTable[6] = {0, 0, 0, 0, 1, 1};
  std::int32_t lastDc[3] = {0, 0, 0};
  ByteCounter out;
  const std::int64_t budget = stopAbove - headerLength_;

  std::size_t slot = 0;
  while (slot < slots_) {
    for (int pos = 0; pos < slotsPerMcu_; ++pos, ++slot) {
      const int table = gray_ ? 0 : slotTable[pos];
      const int component = gray_ ? 0 : slotComponent[pos];
      const HuffTable& dcTable = dcTables_[table];
      const HuffTable& acTable = acTables_[table];
      if (padding_[slot]) {
        out.Put(dcTable[0].code, dcTable[0].length);
        out.Put(acTable[0].code, acTable[0].length);
        continue;
      }
      const Divisors& dv = divisors[table];
      const std::uint16_t* mags = magnitudes_.data() + slot * 64;
      const std::uint64_t negative = negative_[slot];

      std::uint64_t nonzero = NonzeroMask(mags, dv);
      auto quantize = [&](int k) {
        const auto v = static_cast<std::int32_t>(QuantizedMagnitude(dv, k, mags[k]));
        return ((negative >> k) & 1) ? -v : v;
      };

      const std::int32_t dc = quantize(0);
      const std::int32_t diff = dc - lastDc[component];
      lastDc[component] = dc;
      {
        const unsigned magnitude = static_cast<unsigned>(diff < 0 ? -diff : diff);
        const int nbits = BitLength(magnitude);
        out.Put(dcTable[nbits].code, dcTable[nbits].length);
        if (nbits > 0) {
          const std::uint32_t extra =
              static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << nbits) - 1);
          out.Put(extra, nbits);
        }
      }
      nonzero &= ~std::uint64_t{1};
      int previous = 0;
      while (nonzero != 0) {
        const int k = __builtin_ctzll(nonzero);
        nonzero &= nonzero - 1;
        int run = k - previous - 1;
        while (run > 15) {
          out.Put(acTable[0xF0].code, acTable[0xF0].length);
          run -= 16;
        }
        const std::int32_t v = quantize(k);
        const unsigned magnitude = static_cast<unsigned>(v < 0 ? -v : v);
        const int nbits = BitLength(magnitude);
        const HuffCode& code = acTable[(run << 4) | nbits];
        out.Put(code.code, code.length);
        out.Put(static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << nbits) - 1), nbits);
        previous = k;
      }
      if (previous != 63) out.Put(acTable[0].code, acTable[0].length);
    }
    if (out.Bytes() > budget) return headerLength_ + out.Bytes();
  }
  return headerLength_ + out.Finish();
}

}  // namespace brevine
