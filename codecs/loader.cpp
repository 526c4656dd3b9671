#include "codecs.h"

namespace brevine {
// Not built yet.
LoadStatus LoadImage(const std::string&, WorkBitmap&) { return LoadStatus::kNotAnImage; }
std::vector<std::uint8_t> ReadWholeFile(const std::string&) { throw DecodeError("not built"); }
}  // namespace brevine
