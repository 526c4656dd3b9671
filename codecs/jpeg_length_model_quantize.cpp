// Quantizing as libjpeg-turbo does it: by reciprocal multiplication, which is not always a
// plain rounding division.

#include <algorithm>

#include "jpeg_length_model.h"
#include "jpeg_length_model_parts.h"

namespace brevine {
namespace jpeg_length {

// compute_reciprocal() of libjpeg-turbo with 16-bit DCT elements (its SIMD build; its C
// quantizer gives the same results with these tables).
Divisors MakeDivisors(const std::array<std::uint16_t, 64>& quantNatural) {
  Divisors d{};
  for (int k = 0; k < 64; ++k) {
    const std::uint32_t divisor = static_cast<std::uint32_t>(quantNatural[kNaturalOrder[k]]) << 3;
    const int b = BitLength(divisor) - 1;
    int r = 16 + b;
    std::uint32_t fq = (std::uint32_t{1} << r) / divisor;
    const std::uint32_t fr = (std::uint32_t{1} << r) % divisor;
    std::uint32_t c = divisor / 2;
    if (fr == 0) {
      fq >>= 1;
      --r;
    } else if (fr <= divisor / 2) {
      ++c;
    } else {
      ++fq;
    }
    d.recip[k] = static_cast<std::uint16_t>(fq);
    d.corr[k] = static_cast<std::uint16_t>(c);
    d.shift[k] = static_cast<std::uint8_t>(r);
    // Nonzero exactly when (a + c) * fq >= 2^r.
    const std::int64_t need = ((std::int64_t{1} << r) + fq - 1) / fq;
    const auto zeroBelow = static_cast<std::int32_t>(std::max<std::int64_t>(0, need - c));
    d.limits[k] = static_cast<std::int16_t>(std::min(zeroBelow, 32767) - 1);
  }
  return d;
}

}  // namespace jpeg_length

void JpegLengthModel::Quantize(int quality, std::vector<std::int16_t>& coefficients,
                               std::vector<std::uint64_t>& nonzeroMasks) const {
  const std::array<Divisors, 2>& divisors = divisors_[quality];
  coefficients.assign(slots_ * 64, 0);
  nonzeroMasks.assign(slots_, 0);
  for (std::size_t slot = 0; slot < slots_; ++slot) {
    std::int16_t* out = coefficients.data() + slot * 64;
    if (padding_[slot]) {
      out[0] = coefficients[(slot - 1) * 64];  // never the first slot of an MCU
      nonzeroMasks[slot] = out[0] != 0 ? 1 : 0;
      continue;
    }
    const int pos = static_cast<int>(slot % static_cast<std::size_t>(slotsPerMcu_));
    const int table = !gray_ && pos >= 4 ? 1 : 0;
    const Divisors& dv = divisors[table];
    const std::uint16_t* mags = magnitudes_.data() + slot * 64;
    const std::uint64_t negative = negative_[slot];
    // Most coefficients quantize to zero: only the others (and the DC) are divided.
    std::uint64_t nonzero = jpeg_length::NonzeroMask(mags, dv) | 1;
    nonzeroMasks[slot] = nonzero;
    while (nonzero != 0) {
      const int k = __builtin_ctzll(nonzero);
      nonzero &= nonzero - 1;
      const auto v = static_cast<std::int16_t>(jpeg_length::QuantizedMagnitude(dv, k, mags[k]));
      out[k] = ((negative >> k) & 1) ? static_cast<std::int16_t>(-v) : v;
    }
    if (out[0] == 0) nonzeroMasks[slot] &= ~std::uint64_t{1};
  }
}

}  // namespace brevine
