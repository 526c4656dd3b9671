#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "imaging.h"
#include "pixel_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brevine {
namespace {

using detail::SharpenByteDirect;
using detail::SharpenByteExact;

// Strengths outside the exact integer range: the direct formula, byte by byte, in the
// documented order. `kInPlace`: the output row is the current row, so the left neighbour
// is the byte just written.
template <bool kInPlace>
void SharpenRowDirect(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                      std::uint8_t* out, int width, int strength) {
  int left[3] = {row[0], row[1], row[2]};  // the centre itself at x = 0
  for (int x = 0; x < width; ++x) {
    const int at = 3 * x;
    const int right = x + 1 < width ? at + 3 : at;
    int acc[3];
    int centre[3];
    for (int c = 0; c < 3; ++c) {
      centre[c] = row[at + c];
      const int l = kInPlace ? left[c] : row[(x > 0 ? at - 3 : at) + c];
      acc[c] = 8 * centre[c] - l - up[at + c] - down[at + c] - row[right + c];
    }
    for (int c = 0; c < 3; ++c) {
      const std::uint8_t value = SharpenByteDirect(acc[c], centre[c], strength);
      out[at + c] = value;
      left[c] = value;
    }
  }
}

// Largest magnitudes of the numerator acc p + 4 (100 - p) M over every input, for the
// strengths of the exact form.
constexpr int kLowestNumerator = -1020 * detail::kSharpenExactMax;
constexpr int kHighestNumerator = 255 * (400 + 4 * detail::kSharpenExactMax);

// ClampByte(n / 400) for every numerator n, so that the rounding is one lookup. It does not
// depend on the strength; filled once per process and never written again.
const std::uint8_t* RoundedQuotients() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(kHighestNumerator - kLowestNumerator + 1);
    for (int n = kLowestNumerator; n <= kHighestNumerator; ++n)
      t[n - kLowestNumerator] = SharpenByteExact(n);
    return t;
  }();
  return table.data() - kLowestNumerator;  // indexed by the numerator itself
}

// The exact integer form, numerator = acc p + 4 (100 - p) M
//   = M (400 + 4p) - p (D + R) - p (U + L).
// The first part reads only bytes that are not yet written when their pixel is reached,
// so it is computed for whole rows first (vectorised), before any of them is written. In
// place, U and L are outputs, so each byte waits for its left neighbour and the byte
// above: a chain of "add, multiply, subtract, look up". Two rows run as a wavefront, the
// lower one pixel behind, so that their chains overlap instead of waiting on each other.
class ExactSharpener {
 public:
  ExactSharpener(int width, int strength)
      : width_(width), strength_(strength), rounded_(RoundedQuotients()) {
    for (auto& part : partial_) part.resize(3 * static_cast<std::size_t>(width));
  }

  // Rows y and y + 1 (`pair`) or row y alone, in place; `rows` are all source rows.
  void InPlace(const std::uint8_t* const* rows, int y, int height, bool pair) {
    const int p = strength_;
    const int last = height - 1;
    // The upper neighbour of the first row is final already (or is the row itself).
    Fixed(rows[y], rows[y > 0 ? y - 1 : y], rows[y < last ? y + 1 : y], partial_[0].data());
    std::uint8_t* const top = const_cast<std::uint8_t*>(rows[y]);
    int t0 = top[0], t1 = top[1], t2 = top[2];  // left neighbours: the centre at x = 0
    const std::int32_t* pt = partial_[0].data();
    const std::uint8_t* const round = rounded_;
    auto upper = [&](int b) {
      t0 = round[pt[b] - p * t0];
      t1 = round[pt[b + 1] - p * t1];
      t2 = round[pt[b + 2] - p * t2];
      top[b] = static_cast<std::uint8_t>(t0);
      top[b + 1] = static_cast<std::uint8_t>(t1);
      top[b + 2] = static_cast<std::uint8_t>(t2);
    };
    if (!pair) {
      for (int b = 0; b < 3 * width_; b += 3) upper(b);
      return;
    }
    const int z = y + 1;
    Fixed(rows[z], nullptr, rows[z < last ? z + 1 : z], partial_[1].data());
    std::uint8_t* const low = const_cast<std::uint8_t*>(rows[z]);
    int l0 = low[0], l1 = low[1], l2 = low[2];
    const std::int32_t* pl = partial_[1].data();
    // Step x: the upper row produces pixel x; the lower row then produces pixel x - 1, whose
    // upper neighbour is the upper row's previous output, still held in t0 ... t2 until
    // the upper row moves on. So the lower row goes first within a step.
    auto lower = [&](int b) {  // t0 ... t2 hold the upper row's output at this pixel
      l0 = round[pl[b] - p * (t0 + l0)];
      l1 = round[pl[b + 1] - p * (t1 + l1)];
      l2 = round[pl[b + 2] - p * (t2 + l2)];
      low[b] = static_cast<std::uint8_t>(l0);
      low[b + 1] = static_cast<std::uint8_t>(l1);
      low[b + 2] = static_cast<std::uint8_t>(l2);
    };
    upper(0);
    for (int b = 3; b < 3 * width_; b += 3) {
      lower(b - 3);
      upper(b);
    }
    lower(3 * width_ - 3);
  }

  void Separate(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                std::uint8_t* out) {
    const int p = strength_;
    std::int32_t* part = partial_[0].data();
    Fixed(row, up, down, part);
    for (int b = 0; b < 3 * width_; ++b) out[b] = rounded_[part[b] - p * row[b >= 3 ? b - 3 : b]];
  }

 private:
  // M (400 + 4p) - p (U + D + R) for every byte of a row, without U when `up` is null.
  void Fixed(const std::uint8_t* row, const std::uint8_t* up, const std::uint8_t* down,
             std::int32_t* part) const {
    const int p = strength_;
    const int centreWeight = 400 + 4 * p;
    const int bytes = 3 * width_;
    const int inner = bytes - 3;  // the last pixel is its own right neighbour
    int b = 0;
#if defined(__SSE2__)
    // Pairs (M, U + D + R) times (400 + 4p, -p), added in 32 bits: one pmaddwd.
    const __m128i weights = _mm_set1_epi32(static_cast<int>(
        (static_cast<std::uint32_t>(-p) << 16) | static_cast<std::uint32_t>(centreWeight)));
    const __m128i zero = _mm_setzero_si128();
    for (; b + 16 <= inner; b += 16) {
      const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + b));
      const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + b + 3));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + b));
      __m128i sumLo = _mm_add_epi16(_mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(d, zero));
      __m128i sumHi = _mm_add_epi16(_mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(d, zero));
      if (up) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + b));
        sumLo = _mm_add_epi16(sumLo, _mm_unpacklo_epi8(u, zero));
        sumHi = _mm_add_epi16(sumHi, _mm_unpackhi_epi8(u, zero));
      }
      const __m128i mLo = _mm_unpacklo_epi8(m, zero);
      const __m128i mHi = _mm_unpackhi_epi8(m, zero);
      __m128i* out = reinterpret_cast<__m128i*>(part + b);
      _mm_storeu_si128(out, _mm_madd_epi16(_mm_unpacklo_epi16(mLo, sumLo), weights));
      _mm_storeu_si128(out + 1, _mm_madd_epi16(_mm_unpackhi_epi16(mLo, sumLo), weights));
      _mm_storeu_si128(out + 2, _mm_madd_epi16(_mm_unpacklo_epi16(mHi, sumHi), weights));
      _mm_storeu_si128(out + 3, _mm_madd_epi16(_mm_unpackhi_epi16(mHi, sumHi), weights));
    }
#endif
    for (; b < bytes; ++b) {
      const int right = b < inner ? row[b + 3] : row[b];
      part[b] = row[b] * centreWeight - p * ((up ? up[b] : 0) + down[b] + right);
    }
  }

  int width_;
  int strength_;
  const std::uint8_t* rounded_;
  std::vector<std::int32_t> partial_[2];
};

}  // namespace

void SharpenImage(const WorkBitmap& source, WorkBitmap& destination, int strength) {
  if (source.Width() != destination.Width() || source.Height() != destination.Height())
    throw std::invalid_argument("sharpening needs equal sizes");
  if (source.Empty()) return;
  const int width = source.Width();
  const int height = source.Height();
  // All source row addresses are taken before any pixel is written. In place, the row
  // above is then already sharpened and the row below not yet, as the filter requires.
  std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = source.Row(y);
  const bool inPlace = &source == &destination;
  const bool exact = strength >= 0 && strength <= detail::kSharpenExactMax;
  if (exact) {
    ExactSharpener sharpener(width, strength);
    if (inPlace) {
      for (int y = 0; y < height; y += 2) sharpener.InPlace(rows.data(), y, height, y + 1 < height);
    } else {
      for (int y = 0; y < height; ++y)
        sharpener.Separate(rows[y > 0 ? y - 1 : y], rows[y], rows[y + 1 < height ? y + 1 : y],
                           destination.Row(y));
    }
    return;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* up = rows[y > 0 ? y - 1 : y];
    const std::uint8_t* down = rows[y + 1 < height ? y + 1 : y];
    if (inPlace)
      SharpenRowDirect<true>(up, rows[y], down, destination.Row(y), width, strength);
    else
      SharpenRowDirect<false>(up, rows[y], down, destination.Row(y), width, strength);
  }
}

}  // namespace brevine
