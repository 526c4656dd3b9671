#pragma once
// Rounding helpers shared by the pixel operations and kept inline for their inner loops.

#include <cmath>
#include <cstdint>

namespace brevine::detail {

// Round to nearest, ties to even, without depending on the thread's rounding mode (a
// library we load could have changed it). Valid for |x| < 2^62, which every caller meets.
inline long double RoundHalfEven(long double x) {
  const long double whole = std::floor(x);
  const long double diff = x - whole;  // exact: both lie in the same binade range
  if (diff > 0.5L) return whole + 1;
  if (diff < 0.5L) return whole;
  return (static_cast<std::int64_t>(whole) & 1) == 0 ? whole : whole + 1;
}

inline std::uint8_t ClampByteInline(double x) {
  if (!(x > 0.0)) return 0;  // also NaN
  if (x >= 255.0) return 255;
  const int whole = static_cast<int>(x);  // x is positive, so truncation is the floor
  const double diff = x - whole;
  if (diff > 0.5) return static_cast<std::uint8_t>(whole + 1);
  if (diff < 0.5) return static_cast<std::uint8_t>(whole);
  return static_cast<std::uint8_t>(whole + (whole & 1));
}

// The direct formula: real terms in long double in the documented order.
inline std::uint8_t SharpenByteDirect(int acc, int centre, int strength) {
  const long double scaled = static_cast<long double>(acc) / 4 * strength / 100;
  const long double kept = static_cast<long double>((std::int64_t{100} - strength) * centre) / 100;
  return ClampByteInline(static_cast<double>(scaled + kept));
}

// ClampByte((acc p + 4 (100 - p) M) / 400) computed exactly in integers, ties to even.
// Equal to the direct formula for strengths 0 ... kSharpenExactMax, checked over every
// input; beyond them the long double roundings can break a tie differently.
inline std::uint8_t SharpenByteExact(int numerator) {
  if (numerator <= 200) return 0;  // the exact value is at most 0.5, which rounds to 0
  if (numerator >= 255 * 400) return 255;
  const unsigned n = static_cast<unsigned>(numerator);
  unsigned q = n / 400;
  const unsigned r = n - q * 400;
  q += (r > 200) | ((r == 200) & q);
  return static_cast<std::uint8_t>(q);
}

constexpr int kSharpenExactMax = 150;

}  // namespace brevine::detail
