#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "imaging.h"

namespace brevine {
namespace {

// The footprint of one output pixel: the first, partly covered source pixel `first` with
// weight `firstWeight` (1 ... 256), the whole pixels strictly between `first` and `last`,
// and `last` with weight `lastWeight` (0 ... 255; 0 means `last` is not read at all).
struct Footprint {
  int first;
  int firstWeight;
  int last;
  int lastWeight;
};

// Sums stay below 2^16 up to a ratio of about 255, which covers every photo reduction;
// then a division table of that many bytes replaces the per-byte division and the height
// pass can accumulate in 16-bit lanes.
constexpr std::int64_t kTableSums = 1 << 16;

struct Pass {
  std::vector<Footprint> footprints;
  std::int64_t normaliser = 0;  // N, kept in 64 bits so huge ratios stay exact
  std::int64_t maxSum = 0;      // bound on any channel sum S of this pass
  std::vector<std::uint8_t> quotient;  // low byte of S * 256 / N for S <= maxSum, when small

  std::uint8_t Divide(std::int64_t sum) const {
    return static_cast<std::uint8_t>((sum * 256) / normaliser);
  }
};

// Position tables of one pass from input length m to output length n, with the real
// arithmetic at exactly the documented points, then folded into footprints.
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
  }
  // One more than the span: when first and last coincide (only in an enlarging pass) the
  // pixel is counted twice.
  pass.maxSum = 255 * (span + 1);
  if (pass.maxSum < kTableSums) {
    pass.quotient.resize(static_cast<std::size_t>(pass.maxSum) + 1);
    for (std::int64_t s = 0; s <= pass.maxSum; ++s) pass.quotient[s] = pass.Divide(s);
  }
  return pass;
}

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

template <bool kTable>
void ReduceWidthRows(const Pass& pass, const WorkBitmap& source, WorkBitmap& destination) {
  const int height = source.Height();
  constexpr int kGroup = 4;
  int y = 0;
  for (; y + kGroup <= height; y += kGroup) {
    const std::uint8_t* in[kGroup];
    std::uint8_t* out[kGroup];
    for (int r = 0; r < kGroup; ++r) {
      in[r] = source.Row(y + r);
      out[r] = destination.Row(y + r);
    }
    ReduceRows<kGroup, kTable>(pass, in, out);
  }
  for (; y < height; ++y) {
    const std::uint8_t* in[1] = {source.Row(y)};
    std::uint8_t* out[1] = {destination.Row(y)};
    ReduceRows<1, kTable>(pass, in, out);
  }
}

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
      for (std::size_t x = 0; x < bytes; ++x) out[x] = pass.Divide(static_cast<std::int64_t>(sum[x]));
    }
  }
}

}  // namespace

void ReduceWidth(const WorkBitmap& source, WorkBitmap& destination) {
  if (destination.Height() != source.Height())
    throw std::invalid_argument("width pass needs equal heights");
  const Pass pass = BuildPass(source.Width(), destination.Width());
  if (&source == &destination) return;  // equal widths: the pass is a copy
  if (!pass.quotient.empty())
    ReduceWidthRows<true>(pass, source, destination);
  else
    ReduceWidthRows<false>(pass, source, destination);
}

void ReduceHeight(const WorkBitmap& source, WorkBitmap& destination) {
  if (destination.Width() != source.Width())
    throw std::invalid_argument("height pass needs equal widths");
  const Pass pass = BuildPass(source.Height(), destination.Height());
  if (&source == &destination) return;
  if (!pass.quotient.empty())
    ReduceColumns<std::uint16_t>(pass, source, destination);
  else
    ReduceColumns<std::int64_t>(pass, source, destination);
}

void FitToBox(const WorkBitmap& source, WorkBitmap& destination, int boxWidth, int boxHeight,
              int mode) {
  const int width = source.Width();
  const int height = source.Height();
  // Every failure before the width pass leaves the destination as a copy of the source.
  // The copy is made only then, or when the image already fits: on success the
  // destination is overwritten anyway, and skipping the copy keeps a separate destination
  // from ever holding a source-sized image.
  auto fail = [&](const auto& error) {
    destination.Assign(source);
    throw error;
  };
  if (mode != 1) fail(std::invalid_argument("unknown fit mode"));
  if (width <= boxWidth && height <= boxHeight) {
    destination.Assign(source);
    return;
  }
  if (boxWidth < 0 || boxHeight < 0) fail(std::invalid_argument("negative box size"));
  // A floating-point division by zero (or 0 / 0) is a failure, not an infinity.
  if (width == 0 || height == 0) fail(std::domain_error("empty image does not fit the box"));

  // Divide first, multiply second, truncate last; the rounded quotient is what makes
  // 224 x 168 in 160 x 160 come out 119 high rather than 120.
  std::int64_t targetWidth = boxWidth;
  std::int64_t targetHeight = static_cast<std::int64_t>(
      static_cast<long double>(boxWidth) / width * static_cast<long double>(height));
  if (targetHeight > boxHeight) {
    targetWidth = static_cast<std::int64_t>(
        static_cast<long double>(boxHeight) / height * static_cast<long double>(width));
    targetHeight = boxHeight;
  }
  if (targetWidth == 0) fail(std::domain_error("reduction to a zero width"));

  WorkBitmap intermediate(static_cast<int>(targetWidth), height);
  ReduceWidth(source, intermediate);
  destination.SetSize(static_cast<int>(targetWidth), static_cast<int>(targetHeight));
  ReduceHeight(intermediate, destination);
}

}  // namespace brevine
