#include <algorithm>
#include <cmath>
#include <cstdint>
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
  const int u = detail::ClampByteInline(static_cast<double>((1 - ls * (1 - static_cast<long double>(f))) * lv));
  // Hues outside 0 ... 359 only come from direct callers; the hexcone repeats every 360.
  int i = static_cast<int>(std::fmod(sector, 6.0));
  if (i < 0) i += 6;
  switch (i) {
    case 0: c0 = v; c1 = u; c2 = p; break;
    case 1: c0 = q; c1 = v; c2 = p; break;
    case 2: c0 = p; c1 = v; c2 = u; break;
    case 3: c0 = p; c1 = q; c2 = v; break;
    case 4: c0 = u; c1 = p; c2 = v; break;
    default: c0 = v; c1 = p; c2 = q; break;
  }
}

namespace {

// The fast path below gives the bytes of the direct formulas for every input; it avoids
// their long double divisions per pixel by these per-call tables (filled with the very
// formulas) and by deciding a rounding in double precision whenever the value is clearly
// away from a tie, falling back to the direct formulas otherwise.
struct BoostTables {
  // Indexed by V * (V + 1) / 2 + d for 0 <= d <= V: the scaled saturation S' and the
  // smallest output byte p = ClampByte((1 - S') V), which depend on d and V only.
  std::vector<double> scaled;
  std::vector<std::uint8_t> smallest;
  // Indexed by hue: the sector, and the weight of S' in the middle byte, which is f in
  // odd sectors (q) and 1 - f in even ones (u). Approximate: only used to decide.
  int sector[360];
  double middleWeight[360];
  // ceil(2^26 / d): exact quotients for every numerator the hue can produce (< 2^18).
  std::uint32_t reciprocal[256];

  explicit BoostTables(int factor) : scaled(256 * 257 / 2), smallest(256 * 257 / 2) {
    for (int v = 0; v < 256; ++v) {
      for (int d = 0; d <= v; ++d) {
        const double s = v == 0 ? 0.0 : static_cast<double>(static_cast<long double>(d) / v);
        const double sp = static_cast<double>(static_cast<long double>(factor) * s / 100);
        const std::size_t k = static_cast<std::size_t>(v) * (v + 1) / 2 + d;
        scaled[k] = sp;
        smallest[k] = sp == 0 ? static_cast<std::uint8_t>(v)
                              : detail::ClampByteInline(static_cast<double>(
                                    (1 - static_cast<long double>(sp)) * v));
      }
    }
    for (int h = 0; h < 360; ++h) {
      const double t = static_cast<double>(static_cast<long double>(h) / 60);
      const double i = std::floor(t);
      const double f = t - i;
      sector[h] = static_cast<int>(i);
      middleWeight[h] = (sector[h] & 1) ? f : 1 - f;
    }
    reciprocal[0] = 0;
    for (std::uint32_t d = 1; d < 256; ++d) reciprocal[d] = ((1u << 26) + d - 1) / d;
  }
};

// Where the largest, the middle and the smallest output byte go, by sector.
constexpr std::uint8_t kPlace[6][3] = {{0, 1, 2}, {1, 0, 2}, {1, 2, 0},
                                       {2, 1, 0}, {2, 0, 1}, {0, 2, 1}};

// Decides ClampByte of a value whose exact counterpart differs from `x` by far less than
// 1e-6; returns -1 when `x` is too close to a tie to decide.
inline int DecideByte(double x) {
  if (x <= 0.0) return 0;
  if (x >= 255.0) return 255;
  const int whole = static_cast<int>(x);
  const double diff = x - whole;
  if (std::fabs(diff - 0.5) < 1e-6) return -1;
  return whole + (diff > 0.5);
}

inline void BoostPixel(const BoostTables& t, const std::uint8_t* in, std::uint8_t* out) {
  const int c0 = in[0], c1 = in[1], c2 = in[2];
  const int v = std::max(c0, std::max(c1, c2));
  const int d = v - std::min(c0, std::min(c1, c2));
  if (d == 0) {  // grey: S = 0, every byte stays V
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    return;
  }
  const std::size_t k = static_cast<std::size_t>(v) * (v + 1) / 2 + d;
  const double sp = t.scaled[k];
  if (sp == 0) {
    out[0] = out[1] = out[2] = static_cast<std::uint8_t>(v);
    return;
  }
  // Hue = Round(60 (x / d + offset)) as the exact rational 60 (x + offset d) / d, shifted
  // by 360 to stay positive. Its distance to a tie is 0 or at least 1 / (2d), far beyond
  // the long double error, so only exact ties need the direct formula.
  int x, offsetTimes60;
  if (v == c2) {
    x = c0 - c1;
    offsetTimes60 = 240;
  } else if (v == c1) {
    x = c2 - c0;
    offsetTimes60 = 120;
  } else {
    x = c1 - c2;
    offsetTimes60 = 0;
  }
  const std::uint32_t num = static_cast<std::uint32_t>(60 * x + (offsetTimes60 + 360) * d);
  const std::uint32_t quotient =
      static_cast<std::uint32_t>((std::uint64_t{num} * t.reciprocal[d]) >> 26);
  const std::uint32_t twiceRest = 2 * (num - quotient * static_cast<std::uint32_t>(d));
  int h;
  if (twiceRest == static_cast<std::uint32_t>(d)) {
    double s;
    int vv;
    RgbToHsv(c0, c1, c2, h, s, vv);
  } else {
    h = static_cast<int>(quotient) + (twiceRest > static_cast<std::uint32_t>(d));
    if (h >= 360) h -= 360;
  }
  const int middle = DecideByte((1.0 - sp * t.middleWeight[h]) * v);
  if (middle < 0) {
    int r0, r1, r2;
    HsvToRgb(h, sp, v, r0, r1, r2);
    out[0] = static_cast<std::uint8_t>(r0);
    out[1] = static_cast<std::uint8_t>(r1);
    out[2] = static_cast<std::uint8_t>(r2);
    return;
  }
  const std::uint8_t* place = kPlace[t.sector[h]];
  const std::uint8_t low = t.smallest[k];
  out[place[0]] = static_cast<std::uint8_t>(v);
  out[place[1]] = static_cast<std::uint8_t>(middle);
  out[place[2]] = low;
}

}  // namespace

void BoostSaturation(const WorkBitmap& source, WorkBitmap& destination, int factor) {
  if (factor < 0) factor = 0;
  destination.Assign(source);
  if (destination.Empty()) return;
  const BoostTables tables(factor);
  // Each pixel is read before it is written and no neighbour is read, so working on the
  // destination alone is the same as reading the source.
  std::uint8_t* p = destination.Data();
  std::uint8_t* const end = p + destination.ByteCount();
  for (; p != end; p += 3) BoostPixel(tables, p, p);
}

}  // namespace brevine
