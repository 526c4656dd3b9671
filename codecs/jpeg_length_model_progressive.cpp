// The progressive count: the library's simple progression script scan by scan, each scan
// coded with the optimal Huffman table the library builds from its symbol counts.

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "jpeg_length_model.h"
#include "jpeg_length_model_parts.h"

namespace brevine {
namespace {

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

}  // namespace

using jpeg_length::BitLength;
using jpeg_length::ByteCounter;
using jpeg_length::CanonicalCodes;

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
