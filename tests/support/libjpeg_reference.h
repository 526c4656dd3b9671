#pragma once
// Encodes a bitmap by calling libjpeg directly with the encoder's parameters, so that the
// length model is checked against the library itself and not against our own encoder.

#include <cstdint>
#include <vector>

#include "work_bitmap.h"

namespace brevine::test {

std::vector<std::uint8_t> LibjpegEncode(const WorkBitmap& bitmap, int quality, bool gray,
                                        bool progressive);

}  // namespace brevine::test
