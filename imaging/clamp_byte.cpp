#include "imaging.h"
#include "pixel_math.h"

namespace brevine {

std::uint8_t ClampByte(double x) { return detail::ClampByteInline(x); }

}  // namespace brevine
