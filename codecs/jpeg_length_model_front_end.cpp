// The quality-independent front end, bit-exact with libjpeg-turbo: colour conversion, 2x2
// chroma averaging, edge replication and the integer forward DCT, run once per picture.

#include <algorithm>
#include <cstring>

#include "codecs.h"
#include "jpeg_length_model.h"
#include "jpeg_length_model_parts.h"

namespace brevine {
namespace {

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
// so that they never reach 256). Y is JpegGrayValue.
inline std::uint8_t CbOf(int r, int g, int b) {
  return static_cast<std::uint8_t>((-11059 * r - 21709 * g + 32768 * b + (128 << 16) + 32767) >>
                                   16);
}
inline std::uint8_t CrOf(int r, int g, int b) {
  return static_cast<std::uint8_t>((32768 * r - 27439 * g - 5329 * b + (128 << 16) + 32767) >> 16);
}

}  // namespace

using jpeg_length::kNaturalOrder;

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
      if (dstLuma != nullptr) dstLuma[x] = JpegGrayValue(r, g, b);
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

}  // namespace brevine
