#include "jpeg_length_model.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "codecs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

extern "C" {
#include <jpeglib.h>
}

namespace brevine {
namespace {

constexpr int kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                   12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                   35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                   58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// ---- libjpeg's tables, read from the library itself -------------------------------------
//
// Reading them from jpeg_set_defaults / jpeg_set_quality instead of copying them keeps the
// quality scaling and the Huffman tables the library's by construction.

struct RawTables {
  unsigned short quant[101][2][64];  // natural order
  unsigned char dcBits[2][17];
  unsigned char dcVals[2][256];
  unsigned char acBits[2][17];
  unsigned char acVals[2][256];
  struct {
    int count;
    struct {
      int components, component, ss, se, ah, al;
    } scan[16];
  } script[2];  // colour, gray
};

struct LeafErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void LeafErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<LeafErrorManager*>(cinfo->err)->jump, 1);
}
extern "C" void LeafOutputMessage(j_common_ptr) {}

// C-style leaf: nothing with a destructor lives between setjmp and the library calls.
// Returns 0, or the library's message code (-1 for a table it did not provide).
int ReadDefaultTables(RawTables* out) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  LeafErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = LeafErrorExit;
  err.pub.output_message = LeafOutputMessage;
  if (setjmp(err.jump)) {
    int code = err.pub.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code != 0 ? code : -1;
  }
  jpeg_create_compress(&cinfo);
  cinfo.in_color_space = JCS_RGB;
  cinfo.input_components = 3;
  jpeg_set_defaults(&cinfo);
  for (int t = 0; t < 2; ++t) {
    const JHUFF_TBL* dc = cinfo.dc_huff_tbl_ptrs[t];
    const JHUFF_TBL* ac = cinfo.ac_huff_tbl_ptrs[t];
    if (dc == nullptr || ac == nullptr) {
      jpeg_destroy_compress(&cinfo);
      return -1;
    }
    std::memcpy(out->dcBits[t], dc->bits, 17);
    std::memcpy(out->dcVals[t], dc->huffval, 256);
    std::memcpy(out->acBits[t], ac->bits, 17);
    std::memcpy(out->acVals[t], ac->huffval, 256);
  }
  for (int q = 1; q <= 100; ++q) {
    jpeg_set_quality(&cinfo, q, TRUE);
    for (int t = 0; t < 2; ++t) {
      const JQUANT_TBL* qt = cinfo.quant_tbl_ptrs[t];
      if (qt == nullptr) {
        jpeg_destroy_compress(&cinfo);
        return -1;
      }
      for (int i = 0; i < 64; ++i) out->quant[q][t][i] = qt->quantval[i];
    }
  }
  for (int g = 0; g < 2; ++g) {
    if (g == 1) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_simple_progression(&cinfo);
    if (cinfo.num_scans > 16) {
      jpeg_destroy_compress(&cinfo);
      return -1;
    }
    out->script[g].count = cinfo.num_scans;
    for (int i = 0; i < cinfo.num_scans; ++i) {
      const jpeg_scan_info& si = cinfo.scan_info[i];
      out->script[g].scan[i].components = si.comps_in_scan;
      out->script[g].scan[i].component = si.component_index[0];
      out->script[g].scan[i].ss = si.Ss;
      out->script[g].scan[i].se = si.Se;
      out->script[g].scan[i].ah = si.Ah;
      out->script[g].scan[i].al = si.Al;
    }
  }
  jpeg_destroy_compress(&cinfo);
  return 0;
}

// jpeg_gen_optimal_table: Huffman code lengths from symbol counts, limited to 16 bits, with
// the all-ones code point kept free by a pseudo-symbol 256. Ties go to the larger symbol,
// as in the library. Returns the number of symbols; bits[1..16] and vals as in a DHT.
int OptimalTable(std::array<std::int64_t, 257> freq, std::uint8_t bits[17],
                 std::uint8_t vals[256]) {
  constexpr int kMaxLength = 32;
  int lengthCount[kMaxLength + 1] = {};
  int codesize[257] = {};
  int others[257];
  std::fill(others, others + 257, -1);
  freq[256] = 1;
  for (;;) {
    int c1 = -1;
    std::int64_t v = 1000000000LL;
    for (int i = 0; i <= 256; ++i) {
      if (freq[i] != 0 && freq[i] <= v) {
        v = freq[i];
        c1 = i;
      }
    }
    int c2 = -1;
    v = 1000000000LL;
    for (int i = 0; i <= 256; ++i) {
      if (freq[i] != 0 && freq[i] <= v && i != c1) {
        v = freq[i];
        c2 = i;
      }
    }
    if (c2 < 0) break;
    freq[c1] += freq[c2];
    freq[c2] = 0;
    ++codesize[c1];
    while (others[c1] >= 0) {
      c1 = others[c1];
      ++codesize[c1];
    }
    others[c1] = c2;
    ++codesize[c2];
    while (others[c2] >= 0) {
      c2 = others[c2];
      ++codesize[c2];
    }
  }
  for (int i = 0; i <= 256; ++i) {
    if (codesize[i] != 0) {
      if (codesize[i] > kMaxLength) throw std::length_error("Huffman code too long");
      ++lengthCount[codesize[i]];
    }
  }
  int i = kMaxLength;
  for (; i > 16; --i) {
    while (lengthCount[i] > 0) {
      int j = i - 2;
      while (lengthCount[j] == 0) --j;
      lengthCount[i] -= 2;
      ++lengthCount[i - 1];
      lengthCount[j + 1] += 2;
      --lengthCount[j];
    }
  }
  while (lengthCount[i] == 0) --i;
  --lengthCount[i];
  bits[0] = 0;
  for (int l = 1; l <= 16; ++l) bits[l] = static_cast<std::uint8_t>(lengthCount[l]);
  int p = 0;
  for (int l = 1; l <= kMaxLength; ++l) {
    for (int sym = 0; sym <= 255; ++sym) {
      if (codesize[sym] == l) vals[p++] = static_cast<std::uint8_t>(sym);
    }
  }
  return p;
}

// ---- the quality-independent front end, bit-exact with libjpeg-turbo -----------------

// jpeg_fdct_islow: the LL&M integer DCT; output scaled up by 8.
void ForwardDctIslow(std::int32_t* data) {
  constexpr int kConstBits = 13;
  constexpr int kPass1Bits = 2;
  constexpr std::int64_t F0298 = 2446, F0390 = 3196, F0541 = 4433, F0765 = 6270, F0899 = 7373,
                         F1175 = 9633, F1501 = 12299, F1847 = 15137, F1961 = 16069, F2053 = 16819,
                         F2562 = 20995, F3072 = 25172;
  auto descale = [](std::int64_t x, int n) {
    return static_cast<std::int32_t>((x + (std::int64_t{1} << (n - 1))) >> n);
  };
  for (int pass = 0; pass < 2; ++pass) {
    const int step = pass == 0 ? 1 : 8;  // distance between elements of one line
    const int next = pass == 0 ? 8 : 1;  // distance between lines
    const int oddShift = pass == 0 ? kConstBits - kPass1Bits : kConstBits + kPass1Bits;
    for (int line = 0; line < 8; ++line) {
      std::int32_t* d = data + line * next;
      std::int64_t tmp0 = d[0 * step] + d[7 * step];
      std::int64_t tmp7 = d[0 * step] - d[7 * step];
      std::int64_t tmp1 = d[1 * step] + d[6 * step];
      std::int64_t tmp6 = d[1 * step] - d[6 * step];
      std::int64_t tmp2 = d[2 * step] + d[5 * step];
      std::int64_t tmp5 = d[2 * step] - d[5 * step];
      std::int64_t tmp3 = d[3 * step] + d[4 * step];
      std::int64_t tmp4 = d[3 * step] - d[4 * step];

      std::int64_t tmp10 = tmp0 + tmp3;
      std::int64_t tmp13 = tmp0 - tmp3;
      std::int64_t tmp11 = tmp1 + tmp2;
      std::int64_t tmp12 = tmp1 - tmp2;

      if (pass == 0) {
        d[0 * step] = static_cast<std::int32_t>((tmp10 + tmp11) * (1 << kPass1Bits));
        d[4 * step] = static_cast<std::int32_t>((tmp10 - tmp11) * (1 << kPass1Bits));
      } else {
        d[0 * step] = descale(tmp10 + tmp11, kPass1Bits);
        d[4 * step] = descale(tmp10 - tmp11, kPass1Bits);
      }
      std::int64_t z1 = (tmp12 + tmp13) * F0541;
      d[2 * step] = descale(z1 + tmp13 * F0765, oddShift);
      d[6 * step] = descale(z1 + tmp12 * -F1847, oddShift);

      z1 = tmp4 + tmp7;
      std::int64_t z2 = tmp5 + tmp6;
      std::int64_t z3 = tmp4 + tmp6;
      std::int64_t z4 = tmp5 + tmp7;
      std::int64_t z5 = (z3 + z4) * F1175;
      tmp4 *= F0298;
      tmp5 *= F2053;
      tmp6 *= F3072;
      tmp7 *= F1501;
      z1 *= -F0899;
      z2 *= -F2562;
      z3 *= -F1961;
      z4 *= -F0390;
      z3 += z5;
      z4 += z5;
      d[7 * step] = descale(tmp4 + z1 + z3, oddShift);
      d[5 * step] = descale(tmp5 + z2 + z4, oddShift);
      d[3 * step] = descale(tmp6 + z2 + z3, oddShift);
      d[1 * step] = descale(tmp7 + z1 + z4, oddShift);
    }
  }
}

// jccolor.c's fixed-point RGB -> YCbCr (16 fraction bits; Cb and Cr round with 0.5 - 1/65536
// so that they never reach 256).
inline std::uint8_t LumaOf(int r, int g, int b) {
  return static_cast<std::uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
}
inline std::uint8_t CbOf(int r, int g, int b) {
  return static_cast<std::uint8_t>((-11059 * r - 21709 * g + 32768 * b + (128 << 16) + 32767) >>
                                   16);
}
inline std::uint8_t CrOf(int r, int g, int b) {
  return static_cast<std::uint8_t>((32768 * r - 27439 * g - 5329 * b + (128 << 16) + 32767) >> 16);
}

inline int BitLength(unsigned v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

// Bit k set when magnitude k quantizes to a nonzero value: mags[k] > limits[k], with the
// limits (the smallest nonzero magnitude less one) as signed 16-bit lanes; magnitudes are
// at most 8192.
inline std::uint64_t NonzeroMask(const std::uint16_t* mags, const std::int16_t* limits) {
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
template <typename Table>
int CanonicalCodes(const unsigned char* bits, const unsigned char* vals, Table& table) {
  table = {};
  std::uint32_t code = 0;
  int p = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < bits[length]; ++i, ++p) {
      table[vals[p]] = {static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(length)};
      ++code;
    }
    code <<= 1;
  }
  return p;
}

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

}  // namespace

JpegLengthModel::JpegLengthModel(const WorkBitmap& bitmap, bool gray, bool progressive)
    : gray_(gray),
      progressive_(progressive),
      components_(gray ? 1 : 3),
      slotsPerMcu_(gray ? 1 : 6) {
  if (bitmap.Empty() || bitmap.Width() > JPEG_MAX_DIMENSION ||
      bitmap.Height() > JPEG_MAX_DIMENSION) {
    throw std::invalid_argument("JpegLengthModel: size outside what libjpeg encodes");
  }
  LoadLibraryTables();
  BuildBlocks(bitmap);
}

void JpegLengthModel::LoadLibraryTables() {
  auto raw = std::make_unique<RawTables>();
  if (int code = ReadDefaultTables(raw.get()); code != 0) throw EJPEG(code);
  quant_ = {};
  for (int q = 1; q <= 100; ++q) {
    for (int t = 0; t < 2; ++t) {
      for (int i = 0; i < 64; ++i) quant_[q][t][i] = raw->quant[q][t][i];
    }
  }
  auto makeTable = [](const unsigned char* bits, const unsigned char* vals, HuffTable& table,
                      int& valueCount) { valueCount = CanonicalCodes(bits, vals, table); };
  const auto& script = raw->script[gray_ ? 1 : 0];
  scans_.clear();
  for (int i = 0; i < script.count; ++i) {
    const auto& si = script.scan[i];
    if ((si.components != 1 && si.components != components_) || si.component < 0 ||
        si.component >= components_ || si.ss < 0 || si.se > 63 || si.ss > si.se ||
        (si.ss == 0 && si.se != 0) || si.al < 0 || si.al > 13) {
      throw std::invalid_argument("JpegLengthModel: unexpected progression script");
    }
    scans_.push_back({si.components, si.component, si.ss, si.se, si.ah, si.al});
  }
  // SOI, APP0 (JFIF), DQT per table, SOF, then for sequential output DHT per table and
  // SOS, and EOI. Progressive scans add their own DHT and SOS segments.
  std::int64_t header = 2 + 18;
  header += static_cast<std::int64_t>(gray_ ? 1 : 2) * (4 + 1 + 64);
  header += 2 + 8 + 3 * components_;
  header += 2;
  if (progressive_) {
    headerLength_ = header;
    return;
  }
  for (int t = 0; t < (gray_ ? 1 : 2); ++t) {
    int dcCount = 0;
    int acCount = 0;
    makeTable(raw->dcBits[t], raw->dcVals[t], dcTables_[t], dcCount);
    makeTable(raw->acBits[t], raw->acVals[t], acTables_[t], acCount);
    header += (4 + 1 + 16 + dcCount) + (4 + 1 + 16 + acCount);
  }
  if (gray_) {
    int unused = 0;
    makeTable(raw->dcBits[1], raw->dcVals[1], dcTables_[1], unused);
    makeTable(raw->acBits[1], raw->acVals[1], acTables_[1], unused);
  }
  header += 2 + 6 + 2 * components_;
  headerLength_ = header;
}

void JpegLengthModel::AddPlaneBlocks(const std::vector<std::uint8_t>& plane, int planeWidth, int bx,
                                     int by, std::size_t slot) {
  std::int32_t block[64];
  for (int y = 0; y < 8; ++y) {
    const std::uint8_t* row =
        plane.data() + static_cast<std::size_t>(by * 8 + y) * planeWidth + bx * 8;
    for (int x = 0; x < 8; ++x) block[y * 8 + x] = static_cast<int>(row[x]) - 128;
  }
  ForwardDctIslow(block);
  std::uint16_t* mags = magnitudes_.data() + slot * 64;
  std::uint64_t negative = 0;
  for (int k = 0; k < 64; ++k) {
    const std::int32_t v = block[kNaturalOrder[k]];
    if (v < 0) negative |= std::uint64_t{1} << k;
    mags[k] = static_cast<std::uint16_t>(v < 0 ? -v : v);
  }
  negative_[slot] = negative;
}

void JpegLengthModel::BuildBlocks(const WorkBitmap& bitmap) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const int yBlocksX = (w + 7) / 8;
  const int yBlocksY = (h + 7) / 8;
  // Planes padded to whole blocks by repeating the last column and row, as libjpeg's
  // preprocessing does.
  const int yw = yBlocksX * 8;
  const int yh = yBlocksY * 8;
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(yw) * yh);
  std::vector<std::uint8_t> cb;
  std::vector<std::uint8_t> cr;
  const int mcuX = gray_ ? yBlocksX : (w + 15) / 16;
  const int mcuY = gray_ ? yBlocksY : (h + 15) / 16;
  const int cw = mcuX * 8;  // chroma plane (colour only)
  const int ch = mcuY * 8;
  if (!gray_) {
    cb.resize(static_cast<std::size_t>(cw) * ch);
    cr.resize(static_cast<std::size_t>(cw) * ch);
  }
  // Chroma is averaged over 2 x 2 full-resolution samples of a row padded to 2 * cw.
  std::vector<std::uint8_t> cbRows[2];
  std::vector<std::uint8_t> crRows[2];
  for (int i = 0; i < 2; ++i) {
    cbRows[i].resize(static_cast<std::size_t>(cw) * 2);
    crRows[i].resize(static_cast<std::size_t>(cw) * 2);
  }
  const int chromaRows = (h + 1) / 2;
  for (int y = 0; y < (gray_ ? h : 2 * chromaRows); ++y) {
    const std::uint8_t* src = bitmap.Row(std::min(y, h - 1));
    std::uint8_t* dstLuma = y < yh ? luma.data() + static_cast<std::size_t>(y) * yw : nullptr;
    std::uint8_t* rowCb = cbRows[y & 1].data();
    std::uint8_t* rowCr = crRows[y & 1].data();
    for (int x = 0; x < w; ++x) {
      const int b = src[3 * x];
      const int g = src[3 * x + 1];
      const int r = src[3 * x + 2];
      if (dstLuma != nullptr) dstLuma[x] = LumaOf(r, g, b);
      if (!gray_) {
        rowCb[x] = CbOf(r, g, b);
        rowCr[x] = CrOf(r, g, b);
      }
    }
    if (dstLuma != nullptr) std::fill(dstLuma + w, dstLuma + yw, dstLuma[w - 1]);
    if (gray_) continue;
    std::fill(rowCb + w, rowCb + 2 * cw, rowCb[w - 1]);
    std::fill(rowCr + w, rowCr + 2 * cw, rowCr[w - 1]);
    if ((y & 1) == 1) {
      const int cy = y / 2;
      std::uint8_t* outCb = cb.data() + static_cast<std::size_t>(cy) * cw;
      std::uint8_t* outCr = cr.data() + static_cast<std::size_t>(cy) * cw;
      int bias = 1;  // 1, 2, 1, 2, ... so that rounding does not drift one way
      for (int x = 0; x < cw; ++x) {
        outCb[x] = static_cast<std::uint8_t>((cbRows[0][2 * x] + cbRows[0][2 * x + 1] +
                                              cbRows[1][2 * x] + cbRows[1][2 * x + 1] + bias) >>
                                             2);
        outCr[x] = static_cast<std::uint8_t>((crRows[0][2 * x] + crRows[0][2 * x + 1] +
                                              crRows[1][2 * x] + crRows[1][2 * x + 1] + bias) >>
                                             2);
        bias ^= 3;
      }
    }
  }
  for (int y = h; y < yh; ++y) {
    std::memcpy(luma.data() + static_cast<std::size_t>(y) * yw,
                luma.data() + static_cast<std::size_t>(h - 1) * yw, yw);
  }
  // Chroma rows below the picture repeat the last averaged row (not the last picture row).
  for (int y = chromaRows; y < ch && !gray_; ++y) {
    std::memcpy(cb.data() + static_cast<std::size_t>(y) * cw,
                cb.data() + static_cast<std::size_t>(chromaRows - 1) * cw, cw);
    std::memcpy(cr.data() + static_cast<std::size_t>(y) * cw,
                cr.data() + static_cast<std::size_t>(chromaRows - 1) * cw, cw);
  }

  slots_ = static_cast<std::size_t>(mcuX) * mcuY * slotsPerMcu_;
  magnitudes_.assign(slots_ * 64, 0);
  negative_.assign(slots_, 0);
  padding_.assign(slots_, 0);
  for (auto& list : componentSlots_) list.clear();
  componentSlots_[0].resize(static_cast<std::size_t>(yBlocksX) * yBlocksY);
  std::size_t slot = 0;
  for (int my = 0; my < mcuY; ++my) {
    for (int mx = 0; mx < mcuX; ++mx) {
      if (gray_) {
        componentSlots_[0][slot] = static_cast<std::uint32_t>(slot);
        AddPlaneBlocks(luma, yw, mx, my, slot++);
        continue;
      }
      for (int sub = 0; sub < 4; ++sub) {
        const int bx = 2 * mx + (sub & 1);
        const int by = 2 * my + (sub >> 1);
        // Blocks of the MCU outside the picture's blocks are the library's dummy blocks.
        if (bx < yBlocksX && by < yBlocksY) {
          componentSlots_[0][static_cast<std::size_t>(by) * yBlocksX + bx] =
              static_cast<std::uint32_t>(slot);
          AddPlaneBlocks(luma, yw, bx, by, slot);
        } else {
          padding_[slot] = 1;
        }
        ++slot;
      }
      componentSlots_[1].push_back(static_cast<std::uint32_t>(slot));
      AddPlaneBlocks(cb, cw, mx, my, slot++);
      componentSlots_[2].push_back(static_cast<std::uint32_t>(slot));
      AddPlaneBlocks(cr, cw, mx, my, slot++);
    }
  }
}

// compute_reciprocal() of libjpeg-turbo with 16-bit DCT elements (its SIMD build; its C
// quantizer gives the same results with these tables).
JpegLengthModel::Divisors JpegLengthModel::MakeDivisors(
    const std::array<std::uint16_t, 64>& quantNatural) {
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
    d.zeroBelow[k] = static_cast<std::int32_t>(std::max<std::int64_t>(0, need - c));
  }
  return d;
}

void JpegLengthModel::MakeLimits(const Divisors& divisors, std::int16_t* limits) {
  for (int k = 0; k < 64; ++k) {
    limits[k] = static_cast<std::int16_t>(std::min(divisors.zeroBelow[k], 32767) - 1);
  }
}

// Every nonzero AC coefficient of magnitude m costs exactly bitlen(m) raw bits over all the
// scans that carry its bits (first scan, then one bit per refinement) plus at least one
// bit of Huffman symbol; every block costs at least one DC symbol bit and, in progressive
// output, one DC refinement bit. Markers come on top.
std::int64_t JpegLengthModel::LowerBound(int quality, std::int64_t stopAbove) const {
  if (quality < 1 || quality > 100) throw std::invalid_argument("quality outside 1..100");
  const Divisors divisors[2] = {MakeDivisors(quant_[quality][0]), MakeDivisors(quant_[quality][1])};
  std::int16_t limits[2][64];
  for (int t = 0; t < 2; ++t) MakeLimits(divisors[t], limits[t]);
  std::int64_t fixedBytes = headerLength_;
  for (const Scan& scan : scans_) {
    if (progressive_) fixedBytes += 2 + 2 + 1 + 2 * scan.components + 3;
  }
  // Sequential output uses fixed tables, so its shortest codes and its EOB code are known;
  // progressive tables are built per scan and may give any symbol a one-bit code.
  int dcMin[2] = {1, 1};
  int acMin[2] = {1, 1};
  int eob[2] = {0, 0};
  if (!progressive_) {
    for (int t = 0; t < 2; ++t) {
      auto shortest = [](const HuffTable& table) {
        int best = 16;
        for (const HuffCode& c : table) {
          if (c.length != 0 && c.length < best) best = c.length;
        }
        return best;
      };
      dcMin[t] = shortest(dcTables_[t]);
      acMin[t] = shortest(acTables_[t]);
      eob[t] = acTables_[t][0].length;
    }
  }
  std::int64_t bits = progressive_ ? static_cast<std::int64_t>(slots_) * 2 : 0;
  const std::int64_t budgetBytes = stopAbove - fixedBytes;
  const std::int64_t budgetBits =
      budgetBytes > std::numeric_limits<std::int64_t>::max() / 8 ? budgetBytes : budgetBytes * 8;
  for (std::size_t slot = 0; slot < slots_; ++slot) {
    const int pos = static_cast<int>(slot % static_cast<std::size_t>(slotsPerMcu_));
    const int table = !gray_ && pos >= 4 ? 1 : 0;
    if (!progressive_) bits += dcMin[table];
    if (padding_[slot]) {
      bits += eob[table];
      continue;
    }
    const Divisors& dv = divisors[table];
    const std::uint16_t* mags = magnitudes_.data() + slot * 64;
    std::uint64_t nonzero = NonzeroMask(mags, limits[table]) & ~std::uint64_t{1};
    if ((nonzero >> 63) == 0) bits += eob[table];
    while (nonzero != 0) {
      const int k = __builtin_ctzll(nonzero);
      nonzero &= nonzero - 1;
      const std::uint32_t product =
          (static_cast<std::uint32_t>(mags[k]) + dv.corr[k]) * dv.recip[k];
      bits += acMin[table] + BitLength(product >> dv.shift[k]);
    }
    if ((slot & 255) == 0 && bits > budgetBits) break;
  }
  return fixedBytes + (bits + 7) / 8;
}

std::int64_t JpegLengthModel::Length(int quality, std::int64_t stopAbove) const {
  if (quality < 1 || quality > 100) throw std::invalid_argument("quality outside 1..100");
  return progressive_ ? ProgressiveLength(quality, stopAbove)
                      : SequentialLength(quality, stopAbove);
}

void JpegLengthModel::Quantize(int quality, std::vector<std::int16_t>& coefficients,
                               std::vector<std::uint64_t>& nonzeroMasks) const {
  const Divisors divisors[2] = {MakeDivisors(quant_[quality][0]), MakeDivisors(quant_[quality][1])};
  std::int16_t limits[2][64];
  for (int t = 0; t < 2; ++t) MakeLimits(divisors[t], limits[t]);
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
    std::uint64_t nonzero = NonzeroMask(mags, limits[table]) | 1;
    nonzeroMasks[slot] = nonzero;
    while (nonzero != 0) {
      const int k = __builtin_ctzll(nonzero);
      nonzero &= nonzero - 1;
      const std::uint32_t product =
          (static_cast<std::uint32_t>(mags[k]) + dv.corr[k]) * dv.recip[k];
      const auto v = static_cast<std::int16_t>(product >> dv.shift[k]);
      out[k] = ((negative >> k) & 1) ? static_cast<std::int16_t>(-v) : v;
    }
    if (out[0] == 0) nonzeroMasks[slot] &= ~std::uint64_t{1};
  }
}

std::int64_t JpegLengthModel::SequentialLength(int quality, std::int64_t stopAbove) const {
  Divisors divisors[2] = {MakeDivisors(quant_[quality][0]), MakeDivisors(quant_[quality][1])};
  std::int16_t limits[2][64];
  for (int t = 0; t < 2; ++t) MakeLimits(divisors[t], limits[t]);
  const int slotComponent[6] = {0, 0, 0, 0, 1, 2};
  const int slotTable[6] = {0, 0, 0, 0, 1, 1};
  std::int32_t lastDc[3] = {0, 0, 0};
  ByteCounter out;
  const std::int64_t budget = stopAbove - headerLength_;

  std::size_t slot = 0;
  while (slot < slots_) {
    for (int pos = 0; pos < slotsPerMcu_; ++pos, ++slot) {
      const int table = gray_ ? 0 : slotTable[pos];
      const int component = gray_ ? 0 : slotComponent[pos];
      const HuffTable& dcTable = dcTables_[table];
      const HuffTable& acTable = acTables_[table];
      if (padding_[slot]) {
        out.Put(dcTable[0].code, dcTable[0].length);
        out.Put(acTable[0].code, acTable[0].length);
        continue;
      }
      const Divisors& dv = divisors[table];
      const std::uint16_t* mags = magnitudes_.data() + slot * 64;
      const std::uint64_t negative = negative_[slot];

      std::uint64_t nonzero = NonzeroMask(mags, limits[table]);
      auto quantize = [&](int k) {
        const std::uint32_t product =
            (static_cast<std::uint32_t>(mags[k]) + dv.corr[k]) * dv.recip[k];
        const std::int32_t v = static_cast<std::int32_t>(product >> dv.shift[k]);
        return ((negative >> k) & 1) ? -v : v;
      };

      const std::int32_t dc = quantize(0);
      const std::int32_t diff = dc - lastDc[component];
      lastDc[component] = dc;
      {
        const unsigned magnitude = static_cast<unsigned>(diff < 0 ? -diff : diff);
        const int nbits = BitLength(magnitude);
        out.Put(dcTable[nbits].code, dcTable[nbits].length);
        if (nbits > 0) {
          const std::uint32_t extra =
              static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << nbits) - 1);
          out.Put(extra, nbits);
        }
      }
      nonzero &= ~std::uint64_t{1};
      int previous = 0;
      while (nonzero != 0) {
        const int k = __builtin_ctzll(nonzero);
        nonzero &= nonzero - 1;
        int run = k - previous - 1;
        while (run > 15) {
          out.Put(acTable[0xF0].code, acTable[0xF0].length);
          run -= 16;
        }
        const std::int32_t v = quantize(k);
        const unsigned magnitude = static_cast<unsigned>(v < 0 ? -v : v);
        const int nbits = BitLength(magnitude);
        const HuffCode& code = acTable[(run << 4) | nbits];
        out.Put(code.code, code.length);
        out.Put(static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << nbits) - 1), nbits);
        previous = k;
      }
      if (previous != 63) out.Put(acTable[0].code, acTable[0].length);
    }
    if (out.Bytes() > budget) return headerLength_ + out.Bytes();
  }
  return headerLength_ + out.Finish();
}

}  // namespace brevine

namespace brevine {

// The library's progressive entropy coder (jcphuff.c) in its statistics-gathering form:
// each scan's symbols and raw bits are recorded once, counted, given the optimal table,
// then replayed through the byte counter with that table's codes.
std::int64_t JpegLengthModel::ProgressiveLength(int quality, std::int64_t stopAbove) const {
  std::vector<std::int16_t> coef;
  std::vector<std::uint64_t> nonzeroMasks;
  Quantize(quality, coef, nonzeroMasks);
  std::int64_t total = headerLength_;

  constexpr std::uint64_t kSymbolFlag = std::uint64_t{1} << 48;
  constexpr int kMaxCorrectionBits = 1000;  // the library's correction-bit buffer
  std::vector<std::uint64_t> tokens;
  std::vector<std::uint8_t> pendingBits;  // correction bits waiting for the next EOB run
  std::vector<std::uint8_t> blockBits;
  const int tableOf[3] = {0, 1, 1};

  for (const Scan& scan : scans_) {
    tokens.clear();
    std::array<std::array<std::int64_t, 257>, 2> freq{};
    auto symbol = [&](int table, int value) {
      tokens.push_back(kSymbolFlag | (static_cast<std::uint64_t>(table) << 40) |
                       static_cast<std::uint64_t>(value));
      ++freq[table][value];
    };
    auto raw = [&](std::uint32_t value, int n) {
      if (n > 0) {
        tokens.push_back((static_cast<std::uint64_t>(n) << 32) | (value & ((1u << n) - 1)));
      }
    };

    if (scan.ss == 0) {
      // DC scans: interleaved over every slot of every MCU (padding slots included), or
      // one component's blocks.
      std::int32_t last[3] = {0, 0, 0};
      auto dcOf = [&](std::size_t slot, int component) {
        const std::int32_t dc = coef[slot * 64];
        if (scan.ah == 0) {
          const std::int32_t shifted = dc >> scan.al;  // arithmetic, as IRIGHT_SHIFT
          const std::int32_t diff = shifted - last[component];
          last[component] = shifted;
          const int nbits = BitLength(static_cast<unsigned>(diff < 0 ? -diff : diff));
          symbol(tableOf[component], nbits);
          raw(static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff), nbits);
        } else {
          raw(static_cast<std::uint32_t>(dc >> scan.al) & 1, 1);
        }
      };
      if (scan.components > 1) {
        const int componentOfPos[6] = {0, 0, 0, 0, 1, 2};
        for (std::size_t slot = 0; slot < slots_; ++slot) {
          dcOf(slot, componentOfPos[slot % 6]);
        }
      } else {
        for (const std::uint32_t slot : componentSlots_[scan.component]) {
          dcOf(slot, scan.component);
        }
      }
    } else {
      const int table = tableOf[scan.component];
      std::int32_t eobRun = 0;
      pendingBits.clear();
      auto emitEobRun = [&]() {
        if (eobRun == 0) return;
        const int nbits = BitLength(static_cast<unsigned>(eobRun)) - 1;
        symbol(table, nbits << 4);
        raw(static_cast<std::uint32_t>(eobRun), nbits);
        eobRun = 0;
        for (const std::uint8_t bit : pendingBits) raw(bit, 1);
        pendingBits.clear();
      };
      // Only the coefficients of the band that are nonzero after the point transform.
      const std::uint64_t band =
          (scan.se == 63 ? ~std::uint64_t{0} : ((std::uint64_t{1} << (scan.se + 1)) - 1)) &
          ~((std::uint64_t{1} << scan.ss) - 1);
      for (const std::uint32_t slot : componentSlots_[scan.component]) {
        const std::int16_t* block = coef.data() + static_cast<std::size_t>(slot) * 64;
        std::uint64_t present = 0;
        for (std::uint64_t m = nonzeroMasks[slot] & band; m != 0; m &= m - 1) {
          const int k = __builtin_ctzll(m);
          const int v = block[k];
          if (((v < 0 ? -v : v) >> scan.al) != 0) present |= std::uint64_t{1} << k;
        }
        const int last = present != 0 ? 63 - __builtin_clzll(present) : scan.ss - 1;
        int run = 0;
        int previous = scan.ss - 1;
        if (scan.ah == 0) {
          for (std::uint64_t m = present; m != 0; m &= m - 1) {
            const int k = __builtin_ctzll(m);
            const int v = block[k];
            const int magnitude = (v < 0 ? -v : v) >> scan.al;
            run = k - previous - 1;
            previous = k;
            emitEobRun();
            while (run > 15) {
              symbol(table, 0xF0);
              run -= 16;
            }
            const int nbits = BitLength(static_cast<unsigned>(magnitude));
            symbol(table, (run << 4) + nbits);
            raw(static_cast<std::uint32_t>(v < 0 ? ~magnitude : magnitude), nbits);
          }
          if (last < scan.se) {
            ++eobRun;
            if (eobRun == 0x7FFF) emitEobRun();
          }
        } else {
          int lastNew = 0;  // the last coefficient that becomes nonzero in this scan
          for (std::uint64_t m = present; m != 0; m &= m - 1) {
            const int k = __builtin_ctzll(m);
            const int v = block[k];
            if (((v < 0 ? -v : v) >> scan.al) == 1) lastNew = k;
          }
          blockBits.clear();
          for (std::uint64_t m = present; m != 0; m &= m - 1) {
            const int k = __builtin_ctzll(m);
            const int v = block[k];
            const int magnitude = (v < 0 ? -v : v) >> scan.al;
            run += k - previous - 1;  // coefficients already nonzero do not end a run
            previous = k;
            // Runs of 16 zeros are coded only where an EOB cannot take them.
            while (run > 15 && k <= lastNew) {
              emitEobRun();
              symbol(table, 0xF0);
              run -= 16;
              for (const std::uint8_t bit : blockBits) raw(bit, 1);
              blockBits.clear();
            }
            if (magnitude > 1) {
              blockBits.push_back(static_cast<std::uint8_t>(magnitude & 1));
              continue;
            }
            emitEobRun();
            symbol(table, (run << 4) + 1);
            raw(v < 0 ? 0u : 1u, 1);
            for (const std::uint8_t bit : blockBits) raw(bit, 1);
            blockBits.clear();
            run = 0;
          }
          run += scan.se - last;
          if (run > 0 || !blockBits.empty()) {
            ++eobRun;
            pendingBits.insert(pendingBits.end(), blockBits.begin(), blockBits.end());
            if (eobRun == 0x7FFF ||
                static_cast<int>(pendingBits.size()) > kMaxCorrectionBits - 64 + 1) {
              emitEobRun();
            }
          }
        }
      }
      emitEobRun();
    }

    // The scan's optimal tables (one per table number in use), each in its own DHT.
    std::array<HuffTable, 2> codes{};
    bool used[2] = {false, false};
    if (!(scan.ss == 0 && scan.ah != 0)) {
      for (int c = 0; c < scan.components; ++c) {
        used[tableOf[scan.components > 1 ? c : scan.component]] = true;
      }
    }
    for (int t = 0; t < 2; ++t) {
      if (!used[t]) continue;
      std::uint8_t bits[17];
      std::uint8_t vals[256];
      const int count = OptimalTable(freq[t], bits, vals);
      CanonicalCodes(bits, vals, codes[t]);
      total += 4 + 1 + 16 + count;
    }
    total += 2 + 2 + 1 + 2 * scan.components + 3;  // SOS

    ByteCounter out;
    for (const std::uint64_t token : tokens) {
      if (token & kSymbolFlag) {
        const HuffCode& code = codes[(token >> 40) & 1][token & 0xFF];
        out.Put(code.code, code.length);
      } else {
        out.Put(static_cast<std::uint32_t>(token), static_cast<int>(token >> 32));
      }
    }
    total += out.Finish();
    if (total > stopAbove) return total;
  }
  return total;
}

}  // namespace brevine
