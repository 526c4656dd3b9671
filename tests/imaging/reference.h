#pragma once
// Direct, deliberately slow transcriptions of the pixel rules, one step per line, against
// which the fast operations are compared. They share no code with imaging/.

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "work_bitmap.h"

namespace brevine::reference {

inline int RoundEven(long double x) {
  // The default rounding mode is to nearest, ties to even.
  return static_cast<int>(std::nearbyintl(x));
}

inline std::uint8_t Clamp(double x) {
  if (!(x > 0)) return 0;
  if (x >= 255) return 255;
  return static_cast<std::uint8_t>(std::nearbyint(x));
}

// ---- Reduction -------------------------------------------------------------------------

struct Tables {
  std::vector<long long> index, fraction;
  long long normaliser;
};

inline Tables PositionTables(int m, int n) {
  if (n == 0) throw std::domain_error("zero length");
  Tables t;
  for (int i = 0; i <= n; ++i) {
    long double q = static_cast<long double>(m) / static_cast<long double>(n);
    long double xl = q * static_cast<long double>(i);
    double x = static_cast<double>(xl);
    double whole = std::trunc(x);
    double frac = x - whole;
    t.index.push_back(static_cast<long long>(whole));
    t.fraction.push_back(static_cast<long long>(std::trunc(frac * 256)));
  }
  long double q = static_cast<long double>(m) / static_cast<long double>(n);
  t.normaliser = static_cast<long long>(std::trunc(q * 256));
  return t;
}

// One pass over a line of `m` samples read through `at(k)`, giving `n` samples.
template <class Read>
std::vector<std::uint8_t> ReduceLine(const Tables& t, int n, Read at) {
  std::vector<std::uint8_t> out(n);
  for (int i = 0; i < n; ++i) {
    long long s = (at(t.index[i]) * (256 - t.fraction[i])) >> 8;
    for (long long k = t.index[i] + 1; k <= t.index[i + 1] - 1; ++k) s = s + at(k);
    if (t.fraction[i + 1] != 0) s = s + ((at(t.index[i + 1]) * t.fraction[i + 1]) >> 8);
    out[i] = static_cast<std::uint8_t>((s * 256) / t.normaliser);
  }
  return out;
}

inline void ReduceWidth(const WorkBitmap& src, WorkBitmap& dst) {
  const int m = src.Width(), n = dst.Width();
  const Tables t = PositionTables(m, n);
  for (int y = 0; y < src.Height(); ++y) {
    for (int c = 0; c < 3; ++c) {
      auto line = ReduceLine(t, n, [&](long long k) -> long long {
        if (k < 0 || k >= m) throw std::logic_error("read outside the row");
        return src.Row(y)[3 * k + c];
      });
      for (int i = 0; i < n; ++i) dst.Row(y)[3 * i + c] = line[i];
    }
  }
}

inline void ReduceHeight(const WorkBitmap& src, WorkBitmap& dst) {
  const int m = src.Height(), n = dst.Height();
  const Tables t = PositionTables(m, n);
  for (int x = 0; x < 3 * src.Width(); ++x) {
    auto line = ReduceLine(t, n, [&](long long k) -> long long {
      if (k < 0 || k >= m) throw std::logic_error("read outside the column");
      return src.Row(static_cast<int>(k))[x];
    });
    for (int i = 0; i < n; ++i) dst.Row(i)[x] = line[i];
  }
}

struct Size {
  long long width, height;
};

inline Size TargetSize(int w, int h, int bw, int bh) {
  long double a = static_cast<long double>(bw) / w;
  long double b = a * h;
  long long th = static_cast<long long>(std::trunc(b));
  if (th <= bh) return {bw, th};
  long double c = static_cast<long double>(bh) / h;
  long double d = c * w;
  return {static_cast<long long>(std::trunc(d)), bh};
}

// Separate objects only; sizes that fail are not handled here.
inline WorkBitmap FitToBox(const WorkBitmap& src, int bw, int bh) {
  WorkBitmap dst = src;
  if (src.Width() <= bw && src.Height() <= bh) return dst;
  const Size s = TargetSize(src.Width(), src.Height(), bw, bh);
  WorkBitmap mid(static_cast<int>(s.width), src.Height());
  reference::ReduceWidth(src, mid);
  dst.SetWidth(static_cast<int>(s.width));
  dst.SetHeight(static_cast<int>(s.height));
  reference::ReduceHeight(mid, dst);
  return dst;
}

// ---- Saturation ------------------------------------------------------------------------

inline void RgbToHsv(int c0, int c1, int c2, int& h, double& s, int& v) {
  h = 0;
  int big = c0;
  if (c1 > big) big = c1;
  if (c2 > big) big = c2;
  int small = c0;
  if (c1 < small) small = c1;
  if (c2 < small) small = c2;
  int d = big - small;
  v = big;
  if (big == 0) {
    s = 0;
  } else {
    long double q = static_cast<long double>(d) / static_cast<long double>(big);
    s = static_cast<double>(q);
  }
  if (d == 0) {
    h = 0;
    return;
  }
  if (big == c0) {
    long double a = static_cast<long double>(c1 - c2) / d;
    long double b = a * 60;
    h = RoundEven(b);
  }
  if (big == c1) {
    long double a = static_cast<long double>(c2 - c0) / d;
    long double b = a + 2;
    long double e = b * 60;
    h = RoundEven(e);
  }
  if (big == c2) {
    long double a = static_cast<long double>(c0 - c1) / d;
    long double b = a + 4;
    long double e = b * 60;
    h = RoundEven(e);
  }
  if (h < 0) h += 360;
  if (h > 359) h -= 360;
}

inline void HsvToRgb(int h, double s, int v, int& c0, int& c1, int& c2) {
  if (s == 0) {
    c0 = c1 = c2 = v;
    return;
  }
  long double tl = static_cast<long double>(h) / 60;
  double t = static_cast<double>(tl);
  int i = static_cast<int>(std::floor(t));
  long double fl = static_cast<long double>(t) - i;
  double f = static_cast<double>(fl);
  long double S = s, V = v;
  long double pa = 1 - S;
  long double pb = pa * V;
  int p = Clamp(static_cast<double>(pb));
  long double qa = S * f;
  long double qb = 1 - qa;
  long double qc = qb * V;
  int q = Clamp(static_cast<double>(qc));
  long double ua = 1 - static_cast<long double>(f);
  long double ub = S * ua;
  long double uc = 1 - ub;
  long double ud = uc * V;
  int u = Clamp(static_cast<double>(ud));
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
    case 5:
      c0 = v;
      c1 = p;
      c2 = q;
      break;
    default:
      throw std::logic_error("sector outside 0 ... 5");
  }
}

inline void BoostPixel(const std::uint8_t* in, std::uint8_t* out, int factor) {
  if (factor < 0) factor = 0;
  int h = 0, v = 0;
  double s;
  RgbToHsv(in[0], in[1], in[2], h, s, v);
  long double a = static_cast<long double>(factor) * s;
  long double b = a / 100;
  double scaled = static_cast<double>(b);
  int c0, c1, c2;
  HsvToRgb(h, scaled, v, c0, c1, c2);
  out[0] = Clamp(c0);
  out[1] = Clamp(c1);
  out[2] = Clamp(c2);
}

inline WorkBitmap BoostSaturation(const WorkBitmap& src, int factor) {
  WorkBitmap dst = src;
  for (int y = 0; y < dst.Height(); ++y)
    for (int x = 0; x < dst.Width(); ++x)
      BoostPixel(src.Row(y) + 3 * x, dst.Row(y) + 3 * x, factor);
  return dst;
}

// ---- Sharpening ------------------------------------------------------------------------

inline std::uint8_t SharpenByte(int acc, int m, int p) {
  long double a = static_cast<long double>(acc) / 4;
  long double b = a * p;
  long double c = b / 100;
  long double d = static_cast<long double>((100LL - p) * m) / 100;
  long double e = c + d;
  return Clamp(static_cast<double>(e));
}

// Reads through `src` and writes through `dst`; pass the same object for the in-place run.
inline void Sharpen(const WorkBitmap& src, WorkBitmap& dst, int p) {
  const int w = src.Width(), h = src.Height();
  std::vector<const std::uint8_t*> rows;
  for (int y = 0; y < h; ++y) rows.push_back(src.Row(y));
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* cur = rows[y];
    const std::uint8_t* above = rows[y == 0 ? y : y - 1];
    const std::uint8_t* below = rows[y == h - 1 ? y : y + 1];
    std::uint8_t* out = dst.Row(y);
    for (int x = 0; x < w; ++x) {
      int l = x == 0 ? x : x - 1;
      int r = x == w - 1 ? x : x + 1;
      int acc[3];
      for (int c = 0; c < 3; ++c)
        acc[c] = 8 * cur[3 * x + c] - cur[3 * l + c] - above[3 * x + c] - below[3 * x + c] -
                 cur[3 * r + c];
      for (int c = 0; c < 3; ++c) out[3 * x + c] = SharpenByte(acc[c], cur[3 * x + c], p);
    }
  }
}

}  // namespace brevine::reference
