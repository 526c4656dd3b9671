#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging.h"
#include "pixel_math.h"

namespace brevine {

void RgbToHsv(int c0, int c1, int c2, int& h, double& s, int& v) {
  const int high = std::max(c0, std::max(c1, c2));
  const int low = std::min(c0, std::min(c1, c2));
  const int d = high - low;
  v = high;
  s = high == 0 ? 0.0 : static_cast<double>(static_cast<long double>(d) / high);
  if (d == 0) {
    h = 0;
    return;
  }
  const long double ld = d;
  long double hue = 0;
  // Later tests replace earlier ones; where two bytes share the maximum they agree.
  if (high == c0) hue = (static_cast<long double>(c1 - c2) / ld) * 60;
  if (high == c1) hue = (static_cast<long double>(c2 - c0) / ld + 2) * 60;
  if (high == c2) hue = (static_cast<long double>(c0 - c1) / ld + 4) * 60;
  int whole = static_cast<int>(detail::RoundHalfEven(hue));
  if (whole < 0) whole += 360;
  if (whole > 359) whole -= 360;
  h = whole;
}

void HsvToRgb(int h, double s, int v, int& c0, int& c1, int& c2) {
  if (s == 0) {
    c0 = c1 = c2 = v;
    return;
  }
  const double t = static_cast<double>(static_cast<long double>(h) / 60);
  const double sector = std::floor(t);
  const double f = static_cast<double>(static_cast<long double>(t) - sector);
  const long double ls = s;
  const long double lv = v;
  const int p = detail::ClampByteInline(static_cast<double>((1 - ls) * lv));
  const int q = detail::ClampByteInline(static_cast<double>((1 - ls * f) * lv));
  const int u = detail::ClampByteInline(
      static_cast<double>((1 - ls * (1 - static_cast<long double>(f))) * lv));
  // Hues outside 0 ... 359 only come from direct callers; the hexcone repeats every 360.
  int i = static_cast<int>(std::fmod(sector, 6.0));
  if (i < 0) i += 6;
  switch (i) {
    case 0:
      c0 = v;
      c1 = u;
      c2 = p;
      break;
    case 1:
      c0 = q;
      c1 = v;
      c2 = p;
      break;
    case 2:
      c0 = p;
      c1 = v;
      c2 = u;
      break;
    case 3:
      c0 = p;
      c1 = q;
      c2 = v;
      break;
    case 4:
      c0 = u;
      c1 = p;
      c2 = v;
      break;
    default:
      c0 = v;
      c1 = p;
      c2 = q;
      break;
  }
}

namespace detail {

// Where the largest, the middle and the smallest output byte go, by sector.
constexpr std::uint8_t kPlace[6][3] = {{0, 1, 2}, {1, 0, 2}, {1, 2, 0},
                                       {2, 1, 0}, {2, 0, 1}, {0, 2, 1}};

// Per hue: the weight of S' in the middle byte, which is f in odd sectors (q) and 1 - f in
// even ones (u), approximate because it only decides; the sector's byte places; and the
// hue itself in 0 ... 359, as the entries are indexed by the hue before it is wrapped.
struct HueEntry {
  double middleWeight;
  std::uint8_t place[3];
  std::int16_t hue;
};
// Hues before wrapping lie in -60 ... 359.
constexpr int kHueLow = -60;
constexpr int kHueEntries = 360 - kHueLow;

constexpr std::int8_t kTieStep = 127;

// Round(60 x / d) for 0 < d < 256 and -d <= x <= d, rows of 2d + 1 entries by d, from
// integers: 60 x / d = q + r / d exactly. Exact ties are marked kTieStep instead: there the
// long double evaluation decides. Independent of the factor, so filled once per process.
const std::vector<std::int8_t>& HueSteps() {
  static const std::vector<std::int8_t> table = [] {
    std::vector<std::int8_t> t;
    t.reserve(256 * 256);
    for (int d = 0; d < 256; ++d) {
      for (int x = -d; x <= d; ++x) {
        if (d == 0) {
          t.push_back(0);
          continue;
        }
        const int num = 60 * x + 60 * d;  // kept positive for the division
        const int q = num / d, twiceRest = 2 * (num % d);
        if (twiceRest == d)
          t.push_back(kTieStep);
        else
          t.push_back(static_cast<std::int8_t>(q + (twiceRest > d) - 60));
      }
    }
    return t;
  }();
  return table;
}

// The fast path below gives the bytes of the direct formulas for every input; it avoids
// their long double divisions per pixel by these per-call tables (filled with the very
// formulas) and by deciding a rounding in double precision whenever the value is clearly
// away from a tie, falling back to the direct formulas otherwise.
struct BoostTables {
  // Indexed by V * (V + 1) / 2 + d for 0 <= d <= V: the scaled saturation S' and the
  // smallest output byte p = ClampByte((1 - S') V), which depend on d and V only.
  std::vector<double> scaled;
  std::vector<std::uint8_t> smallest;
  // S' V, only to decide the middle byte as V - S' V w. Single precision halves the
  // table (it stays in the level-2 cache beside the others); its error, below 2e-5 on
  // every value that can round to a byte, is covered by DecideByte's margin.
  std::vector<float> reach;
  HueEntry hue[kHueEntries];    // by hue - kHueLow
  std::uint32_t rowStart[256];  // V * (V + 1) / 2
  // Round(60 x / d) for -d <= x <= d, or kTieStep, at steps[stepStart[d] + x].
  const std::int8_t* steps;
  std::int32_t stepStart[256];

  explicit BoostTables(int factor)
      : scaled(256 * 257 / 2), smallest(256 * 257 / 2), reach(256 * 257 / 2) {
    for (int v = 0; v < 256; ++v) {
      rowStart[v] = static_cast<std::uint32_t>(v * (v + 1) / 2);
      for (int d = 0; d <= v; ++d) {
        const double s = v == 0 ? 0.0 : static_cast<double>(static_cast<long double>(d) / v);
        const double sp = static_cast<double>(static_cast<long double>(factor) * s / 100);
        const std::size_t k = static_cast<std::size_t>(v) * (v + 1) / 2 + d;
        scaled[k] = sp;
        reach[k] = static_cast<float>(sp * v);
        smallest[k] = sp == 0 ? static_cast<std::uint8_t>(v)
                              : detail::ClampByteInline(
                                    static_cast<double>((1 - static_cast<long double>(sp)) * v));
      }
    }
    for (int raw = kHueLow; raw < 360; ++raw) {
      const int h = raw < 0 ? raw + 360 : raw;
      const double t = static_cast<double>(static_cast<long double>(h) / 60);
      const double i = std::floor(t);
      const double f = t - i;
      const int sector = static_cast<int>(i);
      HueEntry& e = hue[raw - kHueLow];
      e.middleWeight = (sector & 1) ? f : 1 - f;
      for (int j = 0; j < 3; ++j) e.place[j] = kPlace[sector][j];
      e.hue = static_cast<std::int16_t>(h);
    }
    const std::vector<std::int8_t>& allSteps = HueSteps();
    steps = allSteps.data();
    std::int32_t start = 0;
    for (int d = 0; d < 256; ++d) {
      stepStart[d] = start + d;
      start += 2 * d + 1;
    }
  }
};

// Decides ClampByte of a value whose exact counterpart differs from `x` by far less than
// 1e-4 (the error bound of the evaluation is below 2e-5 here); returns -1 when `x` is too
// close to a tie to decide. `x` never exceeds 255 here (it is V minus a product of
// non-negative numbers). Fixed point with 24 fraction bits, branch-free apart from the
// rare tie: the bytes of a photo make any test on them unpredictable.
inline int DecideByte(double x) {
  constexpr double kOne = 1 << 24;
  constexpr std::int64_t kHalf = 1 << 23;
  constexpr std::int64_t kNear = 1678;  // 1e-4 in units of 2^-24, rounded up
  // Shifted by one so that the truncation below is a floor.
  const std::int64_t fixed = static_cast<std::int64_t>(std::max(x, -1.0) * kOne + kOne);
  const std::int64_t fraction = fixed & ((std::int64_t{1} << 24) - 1);
  if (static_cast<std::uint64_t>(fraction - kHalf + kNear) < 2 * kNear) return -1;
  return static_cast<int>(std::max<std::int64_t>((fixed - kHalf) >> 24, 0));
}

// Works in place: `p` is read before it is written, as the boost requires.
inline void BoostPixel(const BoostTables& t, std::uint8_t* p) {
  const int c0 = p[0], c1 = p[1], c2 = p[2];
  const int v = std::max(c0, std::max(c1, c2));
  // Grey pixels (d = 0) need no test of their own: S' = 0 there, so every byte below
  // comes out as V, the pixel as it was.
  const int d = v - std::min(c0, std::min(c1, c2));
  const std::size_t k = t.rowStart[v] + static_cast<std::size_t>(d);
  // Hue = Round(60 (x / d + offset)). Away from ties this is Round(60 x / d) + 60 offset
  // (the offset adds an even number of whole degrees), and 60 x / d is a rational whose
  // distance to a tie is 0 or at least 1 / (2d), far beyond the long double error; so only
  // exact ties need the direct formula. The later tests of the direct formula win, hence
  // c2 before c1 before c0.
  const bool top2 = v == c2;
  const bool top1 = !top2 && v == c1;
  const int x = top2 ? c0 - c1 : (top1 ? c2 - c0 : c1 - c2);
  const int step = t.steps[t.stepStart[d] + x];
  int raw;
  if (step == kTieStep) {
    double s;
    int vv;
    RgbToHsv(c0, c1, c2, raw, s, vv);
  } else {
    raw = step + (top2 ? 240 : (top1 ? 120 : 0));
  }
  const HueEntry& e = t.hue[raw - kHueLow];
  const int middle = DecideByte(v - static_cast<double>(t.reach[k]) * e.middleWeight);
  if (middle < 0) {
    int r0, r1, r2;
    HsvToRgb(e.hue, t.scaled[k], v, r0, r1, r2);
    p[0] = static_cast<std::uint8_t>(r0);
    p[1] = static_cast<std::uint8_t>(r1);
    p[2] = static_cast<std::uint8_t>(r2);
    return;
  }
  p[e.place[0]] = static_cast<std::uint8_t>(v);
  p[e.place[1]] = static_cast<std::uint8_t>(middle);
  p[e.place[2]] = t.smallest[k];
}

}  // namespace detail

SaturationBoost::SaturationBoost(int factor) : factor_(std::max(factor, 0)) {
  if (factor_ == 0) return;
  tables_ = std::make_unique<detail::BoostTables>(factor_);
  // Every entry starts as black, which the boost leaves black: a true entry already.
  memo_.assign(std::size_t{1} << kMemoBits, 0);
}

SaturationBoost::~SaturationBoost() = default;

void SaturationBoost::Apply(std::uint8_t* p, std::size_t pixels) {
  std::uint8_t* const end = p + 3 * pixels;
  if (factor_ == 0) {
    // S' = 0 for every pixel: each becomes grey at its largest byte.
    for (; p != end; p += 3) p[0] = p[1] = p[2] = std::max(p[0], std::max(p[1], p[2]));
    return;
  }
  // Each pixel is read before it is written and no neighbour is read. A photo repeats its
  // colours everywhere, so each result is kept in a small table by its input (a pure
  // function of three bytes: a kept result is the computed one), and most pixels are one
  // look-up.
  std::uint64_t* memo = memo_.data();
  for (; p != end; p += 3) {
    const std::uint32_t key = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    std::uint64_t& entry = memo[(key * 0x9E3779B1u) >> (32 - kMemoBits)];
    if ((entry & 0xFFFFFF) == key) {
      const auto result = static_cast<std::uint32_t>(entry >> 24);
      p[0] = static_cast<std::uint8_t>(result);
      p[1] = static_cast<std::uint8_t>(result >> 8);
      p[2] = static_cast<std::uint8_t>(result >> 16);
      continue;
    }
    detail::BoostPixel(*tables_, p);
    const std::uint32_t result = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    entry = key | std::uint64_t{result} << 24;
  }
}

void BoostSaturation(const WorkBitmap& source, WorkBitmap& destination, int factor) {
  destination.Assign(source);
  if (destination.Empty()) return;
  // Working on the destination alone is the same as reading the source: every pixel is
  // read before it is written.
  SaturationBoost(factor).Apply(destination.Data(),
                                static_cast<std::size_t>(destination.Width()) *
                                    static_cast<std::size_t>(destination.Height()));
}

}  // namespace brevine
