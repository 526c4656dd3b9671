#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "imaging.h"
#include "pixel_math.h"

namespace brevine {

namespace detail {

int RoundedHue(int which, int x, int d) {
  const long double hue =
      (static_cast<long double>(x) / static_cast<long double>(d) + 2 * which) * 60;
  return static_cast<int>(RoundHalfEven(hue));
}

}  // namespace detail

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
  // Where two bytes share the maximum, the later one decides; their hues agree.
  int whole;
  if (high == c2)
    whole = detail::RoundedHue(2, c0 - c1, d);
  else if (high == c1)
    whole = detail::RoundedHue(1, c2 - c0, d);
  else
    whole = detail::RoundedHue(0, c1 - c2, d);
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

// The hue step Round(60 x / d) for 0 < d < 256 and -d <= x <= d, where x is the
// difference of the two bytes that are not the largest, and `which` the largest byte's
// place (the later place wins a tie of largest bytes, as in RgbToHsv). The hue is then
// step + 120 which, plus 360 when negative. Away from exact ties the step follows from
// integers: 60 x / d = q + r / d exactly, whose distance to a tie is at least 1 / (2d),
// far beyond the long double error. At exact ties the long double evaluation decides,
// and it differs by `which`; those few entries are worked out with it. Independent of the
// factor, so filled once per process and only read after.
struct HueStepTable {
  // The three places' steps one after the other, `size` apart, and three bytes more: a
  // vector gather reads four bytes from an entry.
  std::vector<std::int8_t> steps;
  std::int32_t size = 0;
  std::int32_t start[256];  // steps[which x size + start[d] + x]; start[d] = d^2 + d

  HueStepTable() {
    std::int32_t at = 0;
    for (int d = 0; d < 256; ++d) {
      start[d] = at + d;
      at += 2 * d + 1;
    }
    size = at;
    steps.assign(3 * static_cast<std::size_t>(at) + 3, 0);
    for (int d = 1; d < 256; ++d) {
      for (int x = -d; x <= d; ++x) {
        const int num = 60 * x + 60 * d;  // kept positive for the division
        const int q = num / d, twiceRest = 2 * (num % d);
        for (int which = 0; which < 3; ++which) {
          int step = q + (twiceRest > d) - 60;
          if (twiceRest == d) step = RoundedHue(which, x, d) - 120 * which;
          steps[Index(which, d, x)] = static_cast<std::int8_t>(step);
        }
      }
    }
  }

  std::size_t Index(int which, int d, int x) const {
    return static_cast<std::size_t>(which * size + start[d] + x);
  }
  int Step(int which, int d, int x) const { return steps[Index(which, d, x)]; }

  static const HueStepTable& Get() {
    static const HueStepTable table;
    return table;
  }
};

// Per hue (0 ... 359): the weight of S' in the middle byte, which is f in odd sectors (q)
// and 1 - f in even ones (u), taken as j / 60 for the hue's j-th degree of its sector:
// it only decides, next to a tie the direct formula does; and the sector's byte places.
struct HueEntry {
  double middleWeight;
  std::uint8_t place[3];
};

// ClampByte of a value known only to within 1e-9 (every caller's error is below 1e-11),
// or -1 when it lies too close to a tie to decide. The value never exceeds 255 here (it
// is V minus a product of non-negative numbers).
constexpr double kNearTie = 1e-6;
// The vector kernel decides in single precision. Where a byte is decided at all (the value
// lies between -1 and 256), S' V w is at most 257 and carries at most five roundings of
// 2^-24 relative (factor / 100, times d, j / 60, the product), below 7.7e-5; the
// subtraction from V and the added half add 1.5e-5 each. 2^-12 leaves twice that.
constexpr float kNearTieSingle = 1.0f / 4096;

inline int DecideByte(double x) {
  constexpr double kNear = kNearTie;
  const double shifted = std::max(x, -1.0) + 0.5;
  const double whole = std::floor(shifted);
  const double rest = shifted - whole;
  if (rest < kNear || rest > 1 - kNear) return -1;
  return static_cast<int>(std::max(whole, 0.0));
}

// The direct formulas for a pixel whose hue is already known: V, d = V - min > 0.
inline void BoostKnownHue(int factor, int v, int d, int h, std::uint8_t* out) {
  const double s = static_cast<double>(static_cast<long double>(d) / v);
  const double scaled = static_cast<double>(static_cast<long double>(factor) * s / 100);
  int c0, c1, c2;
  HsvToRgb(h, scaled, v, c0, c1, c2);
  out[0] = static_cast<std::uint8_t>(c0);
  out[1] = static_cast<std::uint8_t>(c1);
  out[2] = static_cast<std::uint8_t>(c2);
}

// What the widest kernel looks up for a pixel by the place of its largest byte `which`, its
// spread d = V - min and the difference x of the other two (as the hue steps are indexed):
// how far the middle and the smallest byte lie below V, the hue step and the sector.
//
// With w = 60 - |step| the middle byte's value is V - A / 6000 for A = factor d w, and the
// smallest byte's the same with w = 60: ClampByte of it is V - ceil((A - 3000) / 6000), not
// below 0, worked out exactly in integers, except where A - 3000 is a multiple of 6000 (a
// tie, which the direct formulas decide). Only V is left to the pixel.
struct ByteSteps {
  // Byte 0: the sector plus one (0 for sector 5) and, in its top bit, a tie of either
  // byte; byte 1: the middle byte's distance below V (255 for any larger); byte 2: the
  // smallest byte's; byte 3: 0, so that a saturating byte subtraction from V in bytes 1-3
  // leaves the middle, the smallest and the largest byte there. A tie's bytes 1 and 2
  // name its row of TieBytes instead.
  std::vector<std::uint32_t> entries;  // at which x size + start[d] + x, as the steps
  // Per tie row: the spread and the hue its entries share.
  struct TieKey {
    std::uint8_t d;
    std::uint16_t h;
  };
  std::vector<TieKey> tieKeys;

  static constexpr std::uint32_t kTie = 0x80;
  // Tie rows at most: a megabyte of them per thousand. The program's factor needs about a
  // thousand; a factor with more takes the 256-bit kernel.
  static constexpr std::size_t kMaxTieRows = 16384;

  ByteSteps(int factor, const HueStepTable& steps)
      : entries(3 * static_cast<std::size_t>(steps.size), 0) {
    auto below = [factor](int d, int w, bool& tie) {
      const std::int64_t a = std::int64_t{factor} * d * w;
      if (a % 6000 == 3000) tie = true;
      const std::int64_t distance = a <= 3000 ? 0 : (a - 3000 + 5999) / 6000;
      return static_cast<std::uint32_t>(std::min<std::int64_t>(distance, 255));
    };
    std::uint32_t byWeight[61];  // both distances and the tie, by w, for one d
    // The tie row of each step of the current d and place, -1 while it has none.
    std::int32_t rowOfStep[121];
    for (int d = 0; d < 256; ++d) {
      bool lowTie = false;
      const std::uint32_t low = below(d, 60, lowTie) << 16;
      for (int w = 0; w <= 60; ++w) {
        bool tie = lowTie;
        byWeight[w] = below(d, w, tie) << 8 | low;
        if (tie) byWeight[w] |= kTie;
      }
      for (int which = 0; which < 3; ++which) {
        std::fill(std::begin(rowOfStep), std::end(rowOfStep), -1);
        for (int x = -d; x <= d; ++x) {
          const int step = d == 0 ? 0 : steps.Step(which, d, x);
          const int sectorPlusOne = 2 * which + 1 - (step < 0) + (step == 60);
          std::uint32_t bytes = byWeight[60 - std::abs(step)];
          if (bytes & kTie) {
            // Every x with this step has the same hue, so the same bytes for each V.
            std::int32_t& row = rowOfStep[step + 60];
            if (row < 0) {
              row = static_cast<std::int32_t>(tieKeys.size());
              const int h = step + 120 * which;
              tieKeys.push_back(
                  {static_cast<std::uint8_t>(d), static_cast<std::uint16_t>(h < 0 ? h + 360 : h)});
            }
            bytes = kTie | static_cast<std::uint32_t>(row & 0xFFFF) << 8;
          }
          entries[steps.Index(which, d, x)] = bytes | static_cast<std::uint32_t>(sectorPlusOne);
        }
      }
    }
  }

  bool Usable() const { return tieKeys.size() <= kMaxTieRows; }
};

// A group of sixteen pixels as the widest kernel notes it: the first pixel, the lanes
// with a tie and, per lane, its tie row x 256 + V.
struct TieGroup {
  std::int32_t at[16];
  std::uint32_t pixel;
  std::uint32_t lanes;
};
constexpr std::size_t kNotedGroups = 64;

// The bytes of the direct formulas at the ties of ByteSteps, 256 per tie row (one per V),
// each worked out when first met: the middle byte in bits 8-15, the smallest in 16-23, and
// bit 24 once it holds them (the largest byte is V). Zeroed memory that only the ties a
// photo meets ever touch.
class TieBytes {
 public:
  static constexpr std::uint32_t kKnown = 1u << 24;

  explicit TieBytes(std::size_t rows)
      : bytes_(static_cast<std::uint32_t*>(std::calloc(rows * 256, sizeof(std::uint32_t)))) {
    if (!bytes_) throw std::bad_alloc();
  }

  // Writes the direct formulas' bytes over the tied pixels of `group`, in pixels from `p`.
  void Finish(int factor, const ByteSteps::TieKey* keys, const TieGroup& group, std::uint8_t* p) {
    for (std::uint32_t lanes = group.lanes; lanes != 0; lanes &= lanes - 1) {
      const int l = __builtin_ctz(lanes);
      const auto at = static_cast<std::uint32_t>(group.at[l]);
      const ByteSteps::TieKey& key = keys[at >> 8];
      const int v = static_cast<int>(at & 0xFF);
      std::uint32_t& known = bytes_[at];
      if (!(known & kKnown)) {
        std::uint8_t out[3];
        BoostKnownHue(factor, v, key.d, key.h, out);
        const std::uint8_t* place = kPlace[key.h / 60];
        known = kKnown | std::uint32_t{out[place[1]]} << 8 | std::uint32_t{out[place[2]]} << 16;
      }
      const std::uint8_t* place = kPlace[key.h / 60];
      std::uint8_t* q =
          p + 3 * (static_cast<std::size_t>(group.pixel) + static_cast<std::size_t>(l));
      q[place[0]] = static_cast<std::uint8_t>(v);
      q[place[1]] = static_cast<std::uint8_t>(known >> 8);
      q[place[2]] = static_cast<std::uint8_t>(known >> 16);
    }
  }

 private:
  struct Free {
    void operator()(std::uint32_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint32_t[], Free> bytes_;
};

// What the fast paths need. They give the bytes of the direct formulas for every input:
// with d = V - min, S' V is factor d / 100 and the middle byte is V - S' V w, both to
// within 1e-11, so ClampByte of them is decided in double precision wherever the value is
// clearly away from a tie; the few others take the direct formulas.
struct BoostTables {
  int factor;
  double reachPerStep;  // S' V per unit of d: factor / 100
  const HueStepTable* hueSteps;
  HueEntry hue[360];
  std::unique_ptr<ByteSteps> byteSteps;  // for the widest kernel only
  std::unique_ptr<TieBytes> tieBytes;    // with it

  explicit BoostTables(int f)
      : factor(f), reachPerStep(static_cast<double>(f) / 100), hueSteps(&HueStepTable::Get()) {
    for (int h = 0; h < 360; ++h) {
      const int sector = h / 60;
      const double f60 = static_cast<double>(h - 60 * sector) / 60;
      HueEntry& e = hue[h];
      e.middleWeight = (sector & 1) ? f60 : 1 - f60;
      for (int j = 0; j < 3; ++j) e.place[j] = kPlace[sector][j];
    }
  }
};

// Reads `in` fully before it writes `out`, which may be the same pixel.
inline void BoostPixel(const BoostTables& t, const std::uint8_t* in, std::uint8_t* out) {
  const int c0 = in[0], c1 = in[1], c2 = in[2];
  const int v = std::max(c0, std::max(c1, c2));
  // Grey pixels (d = 0) need no test of their own: S' = 0 there, so every byte below
  // comes out as V, the pixel as it was.
  const int d = v - std::min(c0, std::min(c1, c2));
  const int which = v == c2 ? 2 : (v == c1 ? 1 : 0);
  const int x = which == 2 ? c0 - c1 : (which == 1 ? c2 - c0 : c1 - c2);
  int h = t.hueSteps->Step(which, d, x) + 120 * which;
  if (h < 0) h += 360;
  const HueEntry& e = t.hue[h];
  const double reach = d * t.reachPerStep;
  const int middle = DecideByte(v - reach * e.middleWeight);
  const int smallest = DecideByte(v - reach);
  if ((middle | smallest) < 0) {
    BoostKnownHue(t.factor, v, d, h, out);
    return;
  }
  out[e.place[0]] = static_cast<std::uint8_t>(v);
  out[e.place[1]] = static_cast<std::uint8_t>(middle);
  out[e.place[2]] = static_cast<std::uint8_t>(smallest);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define BREVINE_BOOST_AVX2 1
#define BREVINE_AVX2_FUNCTION __attribute__((target("avx2")))

// ClampByte of eight values known to within 1.2e-4, as DecideByte works it out with the
// wider margin kNearTieSingle; lanes too close to a tie to decide are added to `near`.
BREVINE_AVX2_FUNCTION inline __m256i DecideBytes(__m256 x, __m256& near) {
  const __m256 kept = _mm256_max_ps(x, _mm256_set1_ps(-1.0f));
  const __m256 whole = _mm256_round_ps(kept, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256 off = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), _mm256_sub_ps(kept, whole));
  near = _mm256_or_ps(near, _mm256_cmp_ps(off, _mm256_set1_ps(0.5f - kNearTieSingle), _CMP_GT_OQ));
  return _mm256_max_epi32(_mm256_cvtps_epi32(whole), _mm256_setzero_si256());
}

// Lanes of a vector kernel stored as arrays, for the few pixels finished one by one:
// those whose hue step is an exact tie, and those next to a tie of either byte. `twoWhich`
// is twice the place of the largest byte.
struct LaneValues {
  std::int32_t v[16], d[16], x[16], step[16], twoWhich[16];
};

inline void ResolveTies(const HueStepTable& steps, unsigned lanes, LaneValues& a) {
  for (; lanes != 0; lanes &= lanes - 1) {
    const int l = __builtin_ctz(lanes);
    a.step[l] = steps.Step(a.twoWhich[l] / 2, a.d[l], a.x[l]);
  }
}

inline void FinishNearTies(int factor, unsigned lanes, const LaneValues& a, std::uint8_t* q) {
  for (; lanes != 0; lanes &= lanes - 1) {
    const int l = __builtin_ctz(lanes);
    int h = a.step[l] + 60 * a.twoWhich[l];
    if (h < 0) h += 360;
    BoostKnownHue(factor, a.v[l], a.d[l], h, q + 3 * l);
  }
}

// Eight pixels at a time in 32-bit lanes, with the decisions of BoostPixel: the hue step
// from a single-precision division (a non-tie lies at least 1 / (2d) from a tie, and an
// exact tie comes out exact), ties from the table, the two bytes in single precision.
// Works while 32 bytes can be read from a group's start and returns the pixels done;
// pixels next to a tie of either byte take the direct formulas.
BREVINE_AVX2_FUNCTION std::size_t BoostRunAvx2(const BoostTables& t, std::uint8_t* p,
                                               std::size_t pixels) {
  // Pixels 0-3 into the low half, 4-7 into the high half, then one byte per lane.
  const __m256i spread = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
  const __m256i byte0 =
      _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1, 0, -1, -1, -1, 3,
                       -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  const __m256i byte1 = _mm256_add_epi32(byte0, _mm256_set1_epi32(1));
  const __m256i byte2 = _mm256_add_epi32(byte0, _mm256_set1_epi32(2));
  // Each lane holds V | middle << 8 | smallest << 16; by sector, which of those bytes goes
  // to c0, c1, c2 (kPlace turned round), indexed by sector + 1 with sector 5 also at 0.
  auto choice = [](int c0, int c1, int c2) { return c0 | c1 << 8 | c2 << 16 | 0x80 << 24; };
  const __m256i choose =
      _mm256_setr_epi32(choice(0, 2, 1), choice(0, 1, 2), choice(1, 0, 2), choice(2, 0, 1),
                        choice(2, 1, 0), choice(1, 2, 0), choice(0, 2, 1), choice(0, 2, 1));
  // The byte offset of each lane within its half, for the byte shuffle.
  const __m256i laneBytes =
      _mm256_setr_epi32(0, 0x040404, 0x080808, 0x0C0C0C, 0, 0x040404, 0x080808, 0x0C0C0C);
  // Back: the three low bytes of each lane packed, then the halves joined.
  const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0,
                                        1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i sixty = _mm256_set1_epi32(60);
  const __m256 reachPerStep = _mm256_set1_ps(static_cast<float>(t.reachPerStep));
  const __m256 sixtieth = _mm256_set1_ps(1.0f / 60);
  const HueStepTable& steps = *t.hueSteps;

  std::size_t i = 0;
  for (; i + 11 <= pixels; i += 8) {
    std::uint8_t* q = p + 3 * i;
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i lanes = _mm256_permutevar8x32_epi32(raw, spread);
    const __m256i c0 = _mm256_shuffle_epi8(lanes, byte0);
    const __m256i c1 = _mm256_shuffle_epi8(lanes, byte1);
    const __m256i c2 = _mm256_shuffle_epi8(lanes, byte2);
    const __m256i v = _mm256_max_epi32(c0, _mm256_max_epi32(c1, c2));
    const __m256i d = _mm256_sub_epi32(v, _mm256_min_epi32(c0, _mm256_min_epi32(c1, c2)));
    const __m256i top2 = _mm256_cmpeq_epi32(v, c2);
    const __m256i top1 = _mm256_andnot_si256(top2, _mm256_cmpeq_epi32(v, c1));
    __m256i x = _mm256_blendv_epi8(_mm256_sub_epi32(c1, c2), _mm256_sub_epi32(c2, c0), top1);
    x = _mm256_blendv_epi8(x, _mm256_sub_epi32(c0, c1), top2);
    // 4 where c2 is the largest, 2 where c1 is, else 0 (the masks are -1 or 0).
    const __m256i twoWhich = _mm256_or_si256(_mm256_and_si256(top2, _mm256_set1_epi32(4)),
                                             _mm256_and_si256(top1, _mm256_set1_epi32(2)));

    // The step Round(60 x / d); a grey pixel has x = 0 and divides by 1.
    const __m256 quotient = _mm256_div_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(60)),
                                          _mm256_cvtepi32_ps(_mm256_max_epi32(d, one)));
    __m256i step = _mm256_cvtps_epi32(quotient);
    const int ties = _mm256_movemask_ps(_mm256_cmp_ps(
        _mm256_sub_ps(quotient, _mm256_floor_ps(quotient)), _mm256_set1_ps(0.5f), _CMP_EQ_OQ));
    if (ties != 0) {
      LaneValues a;
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.step), step);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.twoWhich), twoWhich);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.d), d);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.x), x);
      ResolveTies(steps, static_cast<unsigned>(ties), a);
      step = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.step));
    }
    // The hue is step + 120 which (+ 360 when negative), and the step lies in -60 ... 60,
    // so the sector is 2 which, less one for a negative step, plus one for a step of 60.
    // The weight of S' in the middle byte is (60 - |step|) / 60 either way: j / 60 in odd
    // sectors and (60 - j) / 60 in even ones, a single rounding from exact.
    const __m256i below = _mm256_cmpgt_epi32(zero, step);
    const __m256i above = _mm256_cmpeq_epi32(step, sixty);
    const __m256i sectorPlusOne =
        _mm256_add_epi32(_mm256_sub_epi32(_mm256_add_epi32(below, one), above), twoWhich);
    const __m256 weight = _mm256_mul_ps(
        _mm256_cvtepi32_ps(_mm256_sub_epi32(sixty, _mm256_abs_epi32(step))), sixtieth);
    const __m256 reach = _mm256_mul_ps(_mm256_cvtepi32_ps(d), reachPerStep);
    const __m256 largest = _mm256_cvtepi32_ps(v);
    __m256 close = _mm256_setzero_ps();
    const __m256i mid = DecideBytes(_mm256_sub_ps(largest, _mm256_mul_ps(reach, weight)), close);
    const __m256i low = DecideBytes(_mm256_sub_ps(largest, reach), close);
    const int near = _mm256_movemask_ps(close);
    const __m256i bytes =
        _mm256_or_si256(v, _mm256_or_si256(_mm256_slli_epi32(mid, 8), _mm256_slli_epi32(low, 16)));
    const __m256i control =
        _mm256_add_epi32(_mm256_permutevar8x32_epi32(choose, sectorPlusOne), laneBytes);
    const __m256i pixel = _mm256_shuffle_epi8(bytes, control);
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixel, pack), join);
    // Exactly the group's 24 bytes: a store reaching into the next group's bytes would
    // hold up that group's load until the store had gone through.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 16), _mm256_extracti128_si256(packed, 1));
    if (near != 0) {
      LaneValues a;
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.v), v);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.d), d);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.step), step);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.twoWhich), twoWhich);
      FinishNearTies(t.factor, static_cast<unsigned>(near), a, q);
    }
  }
  return i;
}

#define BREVINE_AVX512_FUNCTION __attribute__((target("avx512f,avx512bw")))
// GCC 12's own 512-bit intrinsics start from an undefined vector, which its flow analysis
// reports as uninitialised (GCC bug 105593); nothing here reads such a value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// Sixteen pixels at a time, where the processor has 512-bit vectors: the places of the
// largest byte and the differences as in BoostRunAvx2, then everything else from ByteSteps,
// gathered; pixels whose bytes are exact ties take theirs from TieBytes, gathered too.
BREVINE_AVX512_FUNCTION std::size_t BoostRunAvx512(BoostTables& t, std::uint8_t* p,
                                                   std::size_t pixels) {
  // Pixels 4k ... 4k + 3 into the k-th quarter, then one byte per lane.
  const __m512i spread = _mm512_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0, 6, 7, 8, 0, 9, 10, 11, 0);
  // The same per quarter: byte 0 of each pixel into its lane (0xFF clears a byte).
  const __m512i byte0 = _mm512_set4_epi32(-247, -250, -253, -256);  // 0xFFFFFF09 ... 0xFFFFFF00
  const __m512i byte1 = _mm512_add_epi32(byte0, _mm512_set1_epi32(1));
  const __m512i byte2 = _mm512_add_epi32(byte0, _mm512_set1_epi32(2));
  // By sector, which lane byte goes to c0, c1, c2: the largest is byte 3, the middle 1,
  // the smallest 2.
  auto choice = [](int c0, int c1, int c2) { return c0 | c1 << 8 | c2 << 16 | 0x80 << 24; };
  const __m512i choose = _mm512_setr_epi32(
      choice(3, 2, 1), choice(3, 1, 2), choice(1, 3, 2), choice(2, 3, 1), choice(2, 1, 3),
      choice(1, 2, 3), choice(3, 2, 1), choice(3, 2, 1), 0, 0, 0, 0, 0, 0, 0, 0);
  const __m512i laneBytes = _mm512_set4_epi32(0x0C0C0C, 0x080808, 0x040404, 0);
  const __m512i pack = _mm512_set4_epi32(-1, 0x0E0D0C0A, 0x09080605, 0x04020100);
  const __m512i join = _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
  const __m512i one = _mm512_set1_epi32(1);
  const __m512i whichSize = _mm512_set1_epi32(t.hueSteps->size);
  const __m512i twoWhichSize = _mm512_set1_epi32(2 * t.hueSteps->size);
  // Byte 0 of each lane into bytes 1-3, byte 0 cleared.
  const __m512i toUpperBytes =
      _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(0x00000080)),
                       _mm512_set4_epi32(0x0C0C0C00, 0x08080800, 0x04040400, 0));
  const void* const table = t.byteSteps->entries.data();
  TieBytes& ties = *t.tieBytes;
  const ByteSteps::TieKey* const keys = t.byteSteps->tieKeys.data();
  const __m512i tieBit = _mm512_set1_epi32(static_cast<int>(ByteSteps::kTie));
  const __m512i rowMask = _mm512_set1_epi32(0xFFFF00);

  TieGroup notes[kNotedGroups];
  std::size_t i = 0;
  while (i + 22 <= pixels) {
    // Runs of at most kNotedGroups groups, whose ties are finished while they are in cache.
    const std::size_t runEnd = std::min(pixels, i + 16 * kNotedGroups);
    std::uint64_t tied = 0;
    unsigned group = 0;
    for (; i + 22 <= pixels && i < runEnd; i += 16) {
      std::uint8_t* q = p + 3 * i;
      const __m512i raw = _mm512_loadu_si512(q);
      const __m512i lanes = _mm512_permutexvar_epi32(spread, raw);
      const __m512i c0 = _mm512_shuffle_epi8(lanes, byte0);
      const __m512i c1 = _mm512_shuffle_epi8(lanes, byte1);
      const __m512i c2 = _mm512_shuffle_epi8(lanes, byte2);
      const __m512i v = _mm512_max_epi32(c0, _mm512_max_epi32(c1, c2));
      const __m512i d = _mm512_sub_epi32(v, _mm512_min_epi32(c0, _mm512_min_epi32(c1, c2)));
      const __mmask16 top2 = _mm512_cmpeq_epi32_mask(v, c2);
      const __mmask16 top1 = _mm512_mask_cmpeq_epi32_mask(static_cast<__mmask16>(~top2), v, c1);
      __m512i x = _mm512_sub_epi32(c1, c2);
      x = _mm512_mask_sub_epi32(x, top1, c2, c0);
      x = _mm512_mask_sub_epi32(x, top2, c0, c1);
      // which x size + d^2 + d + x; d (d + 1) < 2^16 in the low half of a lane, 0 in the high.
      __m512i index = _mm512_add_epi32(_mm512_mullo_epi16(d, _mm512_add_epi32(d, one)), x);
      index = _mm512_mask_add_epi32(index, top1, index, whichSize);
      index = _mm512_mask_add_epi32(index, top2, index, twoWhichSize);
      // V in bytes 1-3.
      const __m512i spreadV = _mm512_shuffle_epi8(v, toUpperBytes);
      const __m512i entry = _mm512_i32gather_epi32(index, table, 4);
      // Bytes 1-3 of each lane: the middle, the smallest and the largest byte.
      const __m512i bytes = _mm512_subs_epu8(spreadV, entry);
      // Ties are noted, not branched on: their groups come too irregularly for a branch to
      // be foreseen, and the gather it waits for is slow. Every group writes its note into
      // its own place, so that no store waits for a gather to learn its address (the next
      // gather would wait for that store); the groups with a tie are marked in `tied`.
      const __mmask16 tie = _mm512_test_epi32_mask(entry, tieBit);
      TieGroup& note = notes[group];
      _mm512_storeu_si512(note.at, _mm512_or_si512(_mm512_and_si512(entry, rowMask), v));
      note.pixel = static_cast<std::uint32_t>(i);
      note.lanes = tie;
      tied |= std::uint64_t{tie != 0} << group;
      ++group;
      // The sector plus one selects the bytes' places (the index takes the low four bits).
      const __m512i control = _mm512_add_epi32(_mm512_permutexvar_epi32(entry, choose), laneBytes);
      const __m512i pixel = _mm512_shuffle_epi8(bytes, control);
      const __m512i packed = _mm512_permutexvar_epi32(join, _mm512_shuffle_epi8(pixel, pack));
      // Exactly the group's 48 bytes (see BoostRunAvx2).
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm512_castsi512_si256(packed));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 32), _mm512_extracti32x4_epi32(packed, 2));
    }
    for (; tied != 0; tied &= tied - 1)
      ties.Finish(t.factor, keys, notes[__builtin_ctzll(tied)], p);
  }
  return i;
}
#pragma GCC diagnostic pop
#endif

}  // namespace detail

SaturationBoost::SaturationBoost(int factor, Kernel kernel) : factor_(std::max(factor, 0)) {
  if (factor_ == 0) return;
  tables_ = std::make_unique<detail::BoostTables>(factor_);
#if defined(BREVINE_BOOST_AVX2)
  if (kernel != Kernel::kPortable && __builtin_cpu_supports("avx2")) lanes_ = 8;
  if (kernel == Kernel::kFastest && __builtin_cpu_supports("avx512f") &&
      __builtin_cpu_supports("avx512bw")) {
    auto byteSteps = std::make_unique<detail::ByteSteps>(factor_, *tables_->hueSteps);
    if (byteSteps->Usable()) {
      tables_->tieBytes = std::make_unique<detail::TieBytes>(byteSteps->tieKeys.size());
      tables_->byteSteps = std::move(byteSteps);
      lanes_ = 16;
    }
  }
#else
  (void)kernel;
#endif
}

SaturationBoost::~SaturationBoost() = default;

void SaturationBoost::Apply(std::uint8_t* p, std::size_t pixels) {
  if (factor_ == 0) {
    // S' = 0 for every pixel: each becomes grey at its largest byte.
    for (std::uint8_t* const end = p + 3 * pixels; p != end; p += 3)
      p[0] = p[1] = p[2] = std::max(p[0], std::max(p[1], p[2]));
    return;
  }
  // Each pixel is read before it is written and no neighbour is read.
  std::size_t done = 0;
#if defined(BREVINE_BOOST_AVX2)
  if (lanes_ == 16) done = detail::BoostRunAvx512(*tables_, p, pixels);
  if (lanes_ >= 8) done += detail::BoostRunAvx2(*tables_, p + 3 * done, pixels - done);
#endif
  for (std::uint8_t* q = p + 3 * done; done < pixels; ++done, q += 3)
    detail::BoostPixel(*tables_, q, q);
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
