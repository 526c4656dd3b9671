// libFuzzer entry for the reassembly of a profile from JPEG APP2 segments. The input is a
// list of segment bodies, each behind a two-byte big-endian length, as a JPEG file would
// carry them. A profile that comes back must be well formed and no longer than the pieces.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::pair<const std::uint8_t*, std::size_t>> segments;
  std::size_t total = 0;
  std::size_t pos = 0;
  while (size - pos >= 2) {
    const std::size_t length =
        std::min<std::size_t>((std::size_t{data[pos]} << 8) | data[pos + 1], size - pos - 2);
    segments.emplace_back(data + pos + 2, length);
    total += length;
    pos += 2 + length;
  }
  const std::vector<std::uint8_t> profile = brevine::IccProfileFromSegments(segments);
  if (!profile.empty() && (profile.size() > total ||
                           !brevine::IsWellFormedRgbProfile(profile.data(), profile.size()))) {
    __builtin_trap();
  }
  // The segments the encoder writes for it must read back as the same profile.
  if (!profile.empty()) {
    const auto markers = brevine::IccProfileMarkers(profile);
    std::vector<std::pair<const std::uint8_t*, std::size_t>> written;
    for (const auto& m : markers) written.emplace_back(m.data.data(), m.data.size());
    if (brevine::IccProfileFromSegments(written) != profile) __builtin_trap();
  }
  return 0;
}
