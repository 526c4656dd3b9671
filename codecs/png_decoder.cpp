#include "codecs.h"

namespace brevine {

void DecodePng(const std::uint8_t*, std::size_t, WorkBitmap&) {
  throw DecodeError("PNG decoding not built yet");
}
void LoadPngImage(const std::string& path, WorkBitmap& bitmap) {
  const auto bytes = ReadWholeFile(path);
  DecodePng(bytes.data(), bytes.size(), bitmap);
}

}  // namespace brevine
