#pragma once
// Helpers for the end-to-end tests: real BMP files in a temporary folder.

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "codecs.h"
#include "process_settings.h"
#include "test_images.h"

namespace brevine::test {

// Options that leave a small picture as it was loaded, so the expected JPEG can be made
// from the very bitmap that was written.
inline Options PlainOptions() {
  Options o;
  o.sharpen = false;
  o.saturation = false;
  return o;
}

inline void WriteBmp(const std::string& path, const WorkBitmap& bitmap) {
  WriteFile(path, EncodeBmp24(bitmap));
}

inline std::vector<std::uint8_t> JpegOf(const WorkBitmap& bitmap, int quality, bool gray = false,
                                        bool progressive = false) {
  TJPEGImage jpeg;
  jpeg.SetGrayOutput(gray);
  jpeg.SetProgressive(progressive);
  jpeg.TakeBitmap(bitmap);
  jpeg.SetQuality(quality);
  jpeg.EncodeJpeg();
  return jpeg.Data().bytes;
}

// Every entry below the folder, relative to it; folders end in "/".
inline std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    std::string rel = std::filesystem::relative(e.path(), folder).string();
    if (e.is_directory()) rel += "/";
    names.insert(rel);
  }
  return names;
}

inline std::string Text(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace brevine::test
