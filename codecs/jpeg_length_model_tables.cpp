// libjpeg's own tables, read from the library itself: reading them from jpeg_set_defaults
// and jpeg_set_quality instead of copying them keeps the quality scaling, the Huffman tables
// and the progression script the library's by construction.

#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "codecs.h"
#include "jpeg_length_model.h"
#include "jpeg_length_model_parts.h"

extern "C" {
#include <jpeglib.h>
}

namespace brevine {
namespace jpeg_length {

int CanonicalCodes(const std::uint8_t* bits, const std::uint8_t* vals, HuffTable& table) {
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

}  // namespace jpeg_length

namespace {

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

}  // namespace

using jpeg_length::CanonicalCodes;
using jpeg_length::MakeDivisors;

void JpegLengthModel::LoadLibraryTables() {
  auto raw = std::make_unique<RawTables>();
  if (int code = ReadDefaultTables(raw.get()); code != 0) throw EJPEG(code);
  // Built once for every quality: the searches ask for many qualities, some twice.
  divisors_.assign(101, {});
  for (int q = 1; q <= 100; ++q) {
    for (int t = 0; t < (gray_ ? 1 : 2); ++t) {
      std::array<std::uint16_t, 64> natural;
      for (int i = 0; i < 64; ++i) natural[i] = raw->quant[q][t][i];
      divisors_[q][t] = MakeDivisors(natural);
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
  header += 2 + 6 + 2 * components_;
  headerLength_ = header;
}

}  // namespace brevine
