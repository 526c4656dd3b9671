// libFuzzer entry for the EXIF filter: any bytes as a TIFF block. What it writes must be a
// whole APP1 payload, and a fixed point: filtering its own output gives it back unchanged,
// so nothing it lets through depends on how the source was laid out.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "exif_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto segment = brevine::SharedExifSegment(data, size);
  if (segment.empty()) return 0;
  if (segment.size() <= 6 || segment.size() > 65533 ||
      std::memcmp(segment.data(), "Exif\0\0", 6) != 0) {
    __builtin_trap();
  }
  if (brevine::SharedExifSegment(segment.data() + 6, segment.size() - 6) != segment)
    __builtin_trap();
  return 0;
}
