#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging.h"
#include "reduction_pass.h"

namespace brevine {
namespace detail {

Pass BuildPass(int m, int n) {
  if (n <= 0) throw std::domain_error("reduction to a zero length");
  const long double ratio = static_cast<long double>(m) / static_cast<long double>(n);
  Pass pass;
  pass.normaliser = static_cast<std::int64_t>(ratio * 256.0L);  // truncates toward zero
  // An integer division by zero; it also keeps an empty input from being read.
  if (pass.normaliser == 0) throw std::domain_error("reduction normaliser is zero");

  std::vector<int> index(static_cast<std::size_t>(n) + 1);
  std::vector<int> fraction(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double x = static_cast<double>(ratio * static_cast<long double>(i));
    const double whole = std::trunc(x);
    index[i] = static_cast<int>(whole);
    fraction[i] = static_cast<int>((x - whole) * 256.0);
  }

  pass.footprints.resize(static_cast<std::size_t>(n));
  std::int64_t span = 0;
  for (int i = 0; i < n; ++i) {
    Footprint& f = pass.footprints[i];
    f.first = index[i];
    f.firstWeight = 256 - fraction[i];
    f.last = index[i + 1];
    f.lastWeight = fraction[i + 1];
    // Never read outside the input, whatever the rounding did.
    const int lastRead = f.lastWeight != 0 ? f.last : f.last - 1;
    if (f.first < 0 || f.first >= m || lastRead >= m || f.last < f.first)
      throw std::logic_error("reduction footprint outside its input");
    span = std::max<std::int64_t>(span, std::int64_t{f.last} - f.first + 1);
    if (f.last <= f.first) pass.advancing = false;
  }
  pass.maxSpan = static_cast<int>(std::min<std::int64_t>(span, 1 << 30));
  // One more than the span: when first and last coincide (only in an enlarging pass) the
  // pixel is counted twice.
  pass.maxSum = 255 * (span + 1);
  if (pass.maxSum < kTableSums) {
    pass.quotient.resize(static_cast<std::size_t>(pass.maxSum) + 1);
    for (std::int64_t s = 0; s <= pass.maxSum; ++s) pass.quotient[s] = pass.Divide(s);
    pass.reciprocal = static_cast<float>(256.0 / static_cast<double>(pass.normaliser));
    pass.reciprocalExact = true;
    for (std::int64_t s = 0; s <= pass.maxSum && pass.reciprocalExact; ++s) {
      const auto q = static_cast<std::int64_t>(static_cast<float>(s) * pass.reciprocal);
      pass.reciprocalExact = q == (s * 256) / pass.normaliser;
    }
  }
  return pass;
}

namespace {

// One row of the width pass for `rows` rows at once that share the footprints.
template <int kRows, bool kTable>
void ReduceRows(const Pass& pass, const std::uint8_t* const* in, std::uint8_t* const* out) {
  using Sum = std::conditional_t<kTable, std::uint32_t, std::int64_t>;
  const int n = static_cast<int>(pass.footprints.size());
  const std::uint8_t* table = pass.quotient.data();
  for (int i = 0; i < n; ++i) {
    const Footprint f = pass.footprints[i];
    Sum sum[kRows][3];
    for (int r = 0; r < kRows; ++r) {
      const std::uint8_t* p = in[r] + 3 * static_cast<std::size_t>(f.first);
      for (int c = 0; c < 3; ++c) sum[r][c] = (Sum{p[c]} * f.firstWeight) >> 8;
    }
    for (int k = f.first + 1; k < f.last; ++k) {
      for (int r = 0; r < kRows; ++r) {
        const std::uint8_t* p = in[r] + 3 * static_cast<std::size_t>(k);
        sum[r][0] += p[0];
        sum[r][1] += p[1];
        sum[r][2] += p[2];
      }
    }
    if (f.lastWeight != 0) {
      for (int r = 0; r < kRows; ++r) {
        const std::uint8_t* p = in[r] + 3 * static_cast<std::size_t>(f.last);
        for (int c = 0; c < 3; ++c) sum[r][c] += (Sum{p[c]} * f.lastWeight) >> 8;
      }
    }
    for (int r = 0; r < kRows; ++r) {
      std::uint8_t* o = out[r] + 3 * static_cast<std::size_t>(i);
      for (int c = 0; c < 3; ++c) o[c] = kTable ? table[sum[r][c]] : pass.Divide(sum[r][c]);
    }
  }
}

}  // namespace

#if defined(__SSE2__)
// Eight rows at a time with one row per 16-bit lane. Each block of source bytes is
// transposed into lanes once; a footprint then costs a few vector operations per channel
// for all eight rows, with the very truncations of the scalar rule (a byte times a weight
// of at most 256 fits 16 bits, and the table path guarantees sums below 2^16).
class EightRowWidthPass {
 public:
  static constexpr int kRows = 8;

  explicit EightRowWidthPass(const Pass& pass) : pass_(pass) {
    // Keep a chunk's transposed source within about 24 KiB, so it stays in L1.
    chunk_ = std::max(1, 512 / std::max(1, pass.maxSpan));
    const std::size_t pixels = static_cast<std::size_t>(chunk_) * (pass.maxSpan + 1) + 8;
    lanes_.resize(3 * pixels + 32);
    sums_.resize(3 * static_cast<std::size_t>(chunk_));
  }

  void Run(const std::uint8_t* const* in, std::uint8_t* const* out, std::size_t rowBytes) {
    const int n = static_cast<int>(pass_.footprints.size());
    const Footprint* fp = pass_.footprints.data();
    const std::uint8_t* table = pass_.quotient.data();
    for (int i0 = 0; i0 < n; i0 += chunk_) {
      const int i1 = std::min(n, i0 + chunk_);
      const int base = fp[i0].first;
      const Footprint& tail = fp[i1 - 1];
      const int end = tail.lastWeight != 0 ? tail.last + 1 : tail.last;
      const std::size_t from = 3 * static_cast<std::size_t>(base);
      const std::size_t count = 3 * static_cast<std::size_t>(end - base);
      for (std::size_t u = 0; u < count; u += 16) Transpose(in, from + u, rowBytes, &lanes_[u].v);

      __m128i* sums = &sums_.data()->v;
      for (int i = i0; i < i1; ++i, sums += 3) {
        const Footprint f = fp[i];
        const __m128i* first = &lanes_[3 * static_cast<std::size_t>(f.first - base)].v;
        const __m128i w0 = _mm_set1_epi16(static_cast<short>(f.firstWeight));
        __m128i s0 = _mm_srli_epi16(_mm_mullo_epi16(first[0], w0), 8);
        __m128i s1 = _mm_srli_epi16(_mm_mullo_epi16(first[1], w0), 8);
        __m128i s2 = _mm_srli_epi16(_mm_mullo_epi16(first[2], w0), 8);
        const __m128i* last = first + 3 * static_cast<std::size_t>(f.last - f.first);
        for (const __m128i* p = first + 3; p != last; p += 3) {
          s0 = _mm_add_epi16(s0, p[0]);
          s1 = _mm_add_epi16(s1, p[1]);
          s2 = _mm_add_epi16(s2, p[2]);
        }
        if (f.lastWeight != 0) {
          const __m128i w1 = _mm_set1_epi16(static_cast<short>(f.lastWeight));
          s0 = _mm_add_epi16(s0, _mm_srli_epi16(_mm_mullo_epi16(last[0], w1), 8));
          s1 = _mm_add_epi16(s1, _mm_srli_epi16(_mm_mullo_epi16(last[1], w1), 8));
          s2 = _mm_add_epi16(s2, _mm_srli_epi16(_mm_mullo_epi16(last[2], w1), 8));
        }
        sums[0] = s0;
        sums[1] = s1;
        sums[2] = s2;
      }

      // Back to rows, divided on the way: sixteen output bytes of all eight rows at a time
      // by the reciprocal where it is exact, the rest through the quotient table.
      const std::size_t outBytes = 3 * static_cast<std::size_t>(i1 - i0);
      std::size_t x = 0;
      if (pass_.reciprocalExact) {
        const __m128 reciprocal = _mm_set1_ps(pass_.reciprocal);
        for (; x + 16 <= outBytes; x += 16) {
          __m128i rows[kRows];
          DivideAndTranspose(&sums_[x].v, reciprocal, rows);
          for (int r = 0; r < kRows; ++r) {
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(out[r] + 3 * static_cast<std::size_t>(i0) + x), rows[r]);
          }
        }
      }
      const std::uint16_t* lanes = reinterpret_cast<const std::uint16_t*>(sums_.data());
      for (int r = 0; r < kRows; ++r) {
        std::uint8_t* o = out[r] + 3 * static_cast<std::size_t>(i0);
        const std::uint16_t* s = lanes + r;
        for (std::size_t k = x; k < outBytes; ++k) o[k] = table[s[8 * k]];
      }
    }
  }

 private:
  // S x reciprocal truncated, for the eight 16-bit sums of `v`, as 16-bit lanes.
  static __m128i Quotients(__m128i v, __m128 reciprocal) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low =
        _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(v, zero)), reciprocal));
    const __m128i high =
        _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(v, zero)), reciprocal));
    // Only the low byte is kept, as the division does.
    const __m128i byte = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(low, byte), _mm_and_si128(high, byte));
  }

  // The quotients of sixteen lane vectors (output bytes x ... x + 15, each holding the
  // eight rows) as eight rows of sixteen bytes.
  static void DivideAndTranspose(const __m128i* sums, __m128 reciprocal, __m128i* rows) {
    __m128i pairs[8];
    for (int k = 0; k < 8; ++k) {
      // Bytes x + 2k for rows 0-7, then x + 2k + 1 for rows 0-7; interleaved, each 16-bit
      // word holds both bytes of one row.
      const __m128i b = _mm_packus_epi16(Quotients(sums[2 * k], reciprocal),
                                         Quotients(sums[2 * k + 1], reciprocal));
      pairs[k] = _mm_unpacklo_epi8(b, _mm_srli_si128(b, 8));
    }
    // An 8 x 8 transpose of 16-bit words: word r of pairs[k] becomes word k of rows[r].
    __m128i a[8], c[8];
    for (int k = 0; k < 4; ++k) {
      a[2 * k] = _mm_unpacklo_epi16(pairs[2 * k], pairs[2 * k + 1]);
      a[2 * k + 1] = _mm_unpackhi_epi16(pairs[2 * k], pairs[2 * k + 1]);
    }
    // a[2k]: rows 0-3 of pairs 2k, 2k+1; a[2k+1]: rows 4-7.
    for (int k = 0; k < 2; ++k) {
      c[4 * k] = _mm_unpacklo_epi32(a[4 * k], a[4 * k + 2]);
      c[4 * k + 1] = _mm_unpackhi_epi32(a[4 * k], a[4 * k + 2]);
      c[4 * k + 2] = _mm_unpacklo_epi32(a[4 * k + 1], a[4 * k + 3]);
      c[4 * k + 3] = _mm_unpackhi_epi32(a[4 * k + 1], a[4 * k + 3]);
    }
    // c[4k + j]: rows 2j, 2j + 1 of pairs 4k ... 4k + 3.
    for (int j = 0; j < 4; ++j) {
      rows[2 * j] = _mm_unpacklo_epi64(c[j], c[4 + j]);
      rows[2 * j + 1] = _mm_unpackhi_epi64(c[j], c[4 + j]);
    }
  }

  static __m128i LoadRow(const std::uint8_t* row, std::size_t offset, std::size_t rowBytes) {
    if (offset + 16 <= rowBytes)
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + offset));
    alignas(16) std::uint8_t padded[16] = {};  // never read past the end of a row
    std::memcpy(padded, row + offset, rowBytes - offset);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
  }

  // Sixteen bytes of each of the eight rows into sixteen vectors, one per byte position,
  // holding that byte of the eight rows as 16-bit lanes.
  static void Transpose(const std::uint8_t* const* in, std::size_t offset, std::size_t rowBytes,
                        __m128i* out) {
    __m128i r[8];
    for (int k = 0; k < 8; ++k) r[k] = LoadRow(in[k], offset, rowBytes);
    __m128i a[8], b[8], c[8];
    for (int k = 0; k < 4; ++k) {
      a[2 * k] = _mm_unpacklo_epi8(r[2 * k], r[2 * k + 1]);
      a[2 * k + 1] = _mm_unpackhi_epi8(r[2 * k], r[2 * k + 1]);
    }
    // a[0..3]: rows 0-3, a[4..7]: rows 4-7; pairs of rows interleaved per byte.
    b[0] = _mm_unpacklo_epi16(a[0], a[2]);
    b[1] = _mm_unpackhi_epi16(a[0], a[2]);
    b[2] = _mm_unpacklo_epi16(a[1], a[3]);
    b[3] = _mm_unpackhi_epi16(a[1], a[3]);
    b[4] = _mm_unpacklo_epi16(a[4], a[6]);
    b[5] = _mm_unpackhi_epi16(a[4], a[6]);
    b[6] = _mm_unpacklo_epi16(a[5], a[7]);
    b[7] = _mm_unpackhi_epi16(a[5], a[7]);
    // b[k] holds bytes 4k ... 4k + 3 of rows 0-3 (k < 4) or rows 4-7 (k >= 4).
    for (int k = 0; k < 4; ++k) {
      c[2 * k] = _mm_unpacklo_epi32(b[k], b[k + 4]);
      c[2 * k + 1] = _mm_unpackhi_epi32(b[k], b[k + 4]);
    }
    // c[k] holds bytes 2k and 2k + 1, each for rows 0-7.
    const __m128i zero = _mm_setzero_si128();
    for (int k = 0; k < 8; ++k) {
      out[2 * k] = _mm_unpacklo_epi8(c[k], zero);
      out[2 * k + 1] = _mm_unpackhi_epi8(c[k], zero);
    }
  }

  const Pass& pass_;
  int chunk_;
  // Wrapped: a vector of a vector type directly loses its alignment attribute.
  struct Lanes {
    __m128i v;
  };
  std::vector<Lanes> lanes_;
  std::vector<Lanes> sums_;
};
#else
class EightRowWidthPass {};
#endif

RowPass::RowPass(const Pass& pass) : pass_(pass) {
#if defined(__SSE2__)
  if (!pass.quotient.empty() && pass.advancing) eight_ = std::make_unique<EightRowWidthPass>(pass);
#endif
}

RowPass::~RowPass() = default;

void RowPass::Run(const std::uint8_t* const* in, std::uint8_t* const* out, int count,
                  std::size_t inBytes) {
  const bool table = !pass_.quotient.empty();
  constexpr int kGroup = 4;
  int y = 0;
#if defined(__SSE2__)
  if (eight_) {
    for (; y + EightRowWidthPass::kRows <= count; y += EightRowWidthPass::kRows)
      eight_->Run(in + y, out + y, inBytes);
  }
#else
  (void)inBytes;
#endif
  for (; y + kGroup <= count; y += kGroup) {
    if (table)
      ReduceRows<kGroup, true>(pass_, in + y, out + y);
    else
      ReduceRows<kGroup, false>(pass_, in + y, out + y);
  }
  for (; y < count; ++y) {
    if (table)
      ReduceRows<1, true>(pass_, in + y, out + y);
    else
      ReduceRows<1, false>(pass_, in + y, out + y);
  }
}

namespace {

// The height pass produces a whole output row from one footprint: the weighted rows are
// added into one sum per byte, which vectorises.
template <class Sum>
void ReduceColumns(const Pass& pass, const WorkBitmap& source, WorkBitmap& destination) {
  const std::size_t bytes = destination.Stride();
  std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(source.Height()));
  for (int y = 0; y < source.Height(); ++y) rows[y] = source.Row(y);
  std::vector<Sum> sums(bytes);
  Sum* sum = sums.data();
  const int n = static_cast<int>(pass.footprints.size());
  for (int i = 0; i < n; ++i) {
    const Footprint f = pass.footprints[i];
    const std::uint8_t* first = rows[f.first];
    const Sum w0 = static_cast<Sum>(f.firstWeight);
    for (std::size_t x = 0; x < bytes; ++x) sum[x] = static_cast<Sum>(first[x] * w0) >> 8;
    for (int k = f.first + 1; k < f.last; ++k) {
      const std::uint8_t* row = rows[k];
      for (std::size_t x = 0; x < bytes; ++x) sum[x] = static_cast<Sum>(sum[x] + row[x]);
    }
    if (f.lastWeight != 0) {
      const std::uint8_t* last = rows[f.last];
      const Sum w1 = static_cast<Sum>(f.lastWeight);
      for (std::size_t x = 0; x < bytes; ++x)
        sum[x] = static_cast<Sum>(sum[x] + (static_cast<Sum>(last[x] * w1) >> 8));
    }
    std::uint8_t* out = destination.Row(i);
    if (!pass.quotient.empty()) {
      const std::uint8_t* table = pass.quotient.data();
      for (std::size_t x = 0; x < bytes; ++x) out[x] = table[sum[x]];
    } else {
      for (std::size_t x = 0; x < bytes; ++x)
        out[x] = pass.Divide(static_cast<std::int64_t>(sum[x]));
    }
  }
}

}  // namespace
}  // namespace detail

using detail::BuildPass;
using detail::Pass;

void ReduceWidth(const WorkBitmap& source, WorkBitmap& destination) {
  if (destination.Height() != source.Height())
    throw std::invalid_argument("width pass needs equal heights");
  const Pass pass = BuildPass(source.Width(), destination.Width());
  if (&source == &destination) return;  // equal widths: the pass is a copy
  std::vector<const std::uint8_t*> in(static_cast<std::size_t>(source.Height()));
  std::vector<std::uint8_t*> out(in.size());
  for (int y = 0; y < source.Height(); ++y) {
    in[y] = source.Row(y);
    out[y] = destination.Row(y);
  }
  detail::RowPass(pass).Run(in.data(), out.data(), source.Height(), source.Stride());
}

void ReduceHeight(const WorkBitmap& source, WorkBitmap& destination) {
  if (destination.Width() != source.Width())
    throw std::invalid_argument("height pass needs equal widths");
  const Pass pass = BuildPass(source.Height(), destination.Height());
  if (&source == &destination) return;
  if (!pass.quotient.empty())
    detail::ReduceColumns<std::uint16_t>(pass, source, destination);
  else
    detail::ReduceColumns<std::int64_t>(pass, source, destination);
}

namespace detail {

FitPlan PlanFit(int width, int height, int boxWidth, int boxHeight, int mode) {
  if (mode != 1) throw std::invalid_argument("unknown fit mode");
  if (width <= boxWidth && height <= boxHeight) return {true, width, height};
  if (boxWidth < 0 || boxHeight < 0) throw std::invalid_argument("negative box size");
  // A floating-point division by zero (or 0 / 0) is a failure, not an infinity.
  if (width == 0 || height == 0) throw std::domain_error("empty image does not fit the box");

  // Divide first, multiply second, truncate last; the rounded quotient is what makes
  // 224 x 168 in 160 x 160 come out 119 high rather than 120.
  std::int64_t targetWidth = boxWidth;
  std::int64_t targetHeight = static_cast<std::int64_t>(static_cast<long double>(boxWidth) / width *
                                                        static_cast<long double>(height));
  if (targetHeight > boxHeight) {
    targetWidth = static_cast<std::int64_t>(static_cast<long double>(boxHeight) / height *
                                            static_cast<long double>(width));
    targetHeight = boxHeight;
  }
  if (targetWidth == 0) throw std::domain_error("reduction to a zero width");
  return {false, static_cast<int>(targetWidth), static_cast<int>(targetHeight)};
}

}  // namespace detail

void FitToBox(const WorkBitmap& source, WorkBitmap& destination, int boxWidth, int boxHeight,
              int mode) {
  // Every failure before the width pass leaves the destination as a copy of the source.
  // The copy is made only then, or when the image already fits: on success the
  // destination is overwritten anyway, and skipping the copy keeps a separate destination
  // from ever holding a source-sized image.
  detail::FitPlan plan;
  try {
    plan = detail::PlanFit(source.Width(), source.Height(), boxWidth, boxHeight, mode);
  } catch (...) {
    destination.Assign(source);
    throw;
  }
  if (plan.fits) {
    destination.Assign(source);
    return;
  }
  WorkBitmap intermediate(plan.width, source.Height());
  ReduceWidth(source, intermediate);
  destination.SetSize(plan.width, plan.height);
  ReduceHeight(intermediate, destination);
}

}  // namespace brevine
