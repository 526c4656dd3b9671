#pragma once
// What the length model's files share: the zigzag order, the quantizing step and the
// entropy coder's byte count. Kept inline: they sit in the model's inner loops.

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jpeg_length_model.h"

namespace brevine::jpeg_length {

inline constexpr int kNaturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

inline int BitLength(unsigned v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

// compute_reciprocal() of libjpeg-turbo for one table given in natural order.
Divisors MakeDivisors(const std::array<std::uint16_t, 64>& quantNatural);

// The quantized magnitude of coefficient k (zigzag), as the library's quantizer gives it.
inline std::uint32_t QuantizedMagnitude(const Divisors& dv, int k, std::uint16_t magnitude) {
  return ((static_cast<std::uint32_t>(magnitude) + dv.corr[k]) * dv.recip[k]) >> dv.shift[k];
}

// Bit k set when magnitude k quantizes to a nonzero value: mags[k] > limits[k], with the
// limits (the smallest nonzero magnitude less one) as signed 16-bit lanes; magnitudes are
// at most 8192.
inline std::uint64_t NonzeroMask(const std::uint16_t* mags, const Divisors& dv) {
  const std::int16_t* limits = dv.limits.data();
  std::uint64_t nonzero = 0;
#if defined(__SSE2__)
  for (int k = 0; k < 64; k += 16) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mags + k));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mags + k + 8));
    const __m128i l0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(limits + k));
    const __m128i l1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(limits + k + 8));
    const __m128i m = _mm_packs_epi16(_mm_cmpgt_epi16(a0, l0), _mm_cmpgt_epi16(a1, l1));
    nonzero |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(m))) << k;
  }
#else
  for (int k = 0; k < 64; ++k) {
    if (static_cast<std::int32_t>(mags[k]) > limits[k]) nonzero |= std::uint64_t{1} << k;
  }
#endif
  return nonzero;
}

// Codes from a DHT's counts per length and its symbols; returns the number of symbols.
int CanonicalCodes(const std::uint8_t* bits, const std::uint8_t* vals, HuffTable& table);

// Counts the bytes the entropy coder emits: every 0xFF byte is followed by a stuffed 0x00.
class ByteCounter {
 public:
  void Put(std::uint32_t bits, int length) {
    acc_ = (acc_ << length) | bits;
    bits_ += length;
    if (bits_ >= 32) {
      bits_ -= 32;
      const std::uint32_t word = static_cast<std::uint32_t>(acc_ >> bits_);
      bytes_ += 4 + CountFF(word);
    }
  }
  std::int64_t Bytes() const { return bytes_; }
  // The last partial byte is padded with one bits, as libjpeg's flush does.
  std::int64_t Finish() {
    while (bits_ >= 8) {
      bits_ -= 8;
      bytes_ += ((acc_ >> bits_) & 0xFF) == 0xFF ? 2 : 1;
    }
    if (bits_ > 0) {
      const std::uint64_t last = ((acc_ << (8 - bits_)) | (0xFFu >> bits_)) & 0xFF;
      bytes_ += last == 0xFF ? 2 : 1;
      bits_ = 0;
    }
    return bytes_;
  }

 private:
  static int CountFF(std::uint32_t word) {
    const std::uint32_t x = ~word;  // 0xFF bytes become zero bytes
    std::uint32_t t = (x & 0x7F7F7F7Fu) + 0x7F7F7F7Fu;
    t = ~(t | x | 0x7F7F7F7Fu);  // 0x80 in each byte that was 0xFF
    return static_cast<int>(((t >> 7) * 0x01010101u) >> 24);
  }
  std::uint64_t acc_ = 0;
  int bits_ = 0;
  std::int64_t bytes_ = 0;
};

}  // namespace brevine::jpeg_length
