#include "codecs.h"

namespace brevine {

void DecodeGif(const std::uint8_t*, std::size_t, WorkBitmap&) {
  throw DecodeError("GIF decoding not built yet");
}
void LoadGifImage(const std::string& path, WorkBitmap& bitmap) {
  const auto bytes = ReadWholeFile(path);
  DecodeGif(bytes.data(), bytes.size(), bitmap);
}

}  // namespace brevine
