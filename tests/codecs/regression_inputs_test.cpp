// Every input a fuzzer once broke a decoder with, kept under tests/fuzz/regressions/<format>/:
// each must now decode or be refused through the decoder contract, never crash.

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>

#include "codecs.h"
#include "test_images.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;
using Decoder = void (*)(const std::uint8_t*, std::size_t, WorkBitmap&);

void CheckFolder(const char* format, Decoder decode) {
  const fs::path folder = fs::path(BREVINE_FUZZ_REGRESSIONS) / format;
  if (!fs::is_directory(folder)) return;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const auto bytes = test::ReadFile(entry.path().string());
    WorkBitmap bitmap;
    try {
      decode(bytes.data(), bytes.size(), bitmap);
      EXPECT_FALSE(bitmap.Empty()) << entry.path();
    } catch (const DecodeError&) {
    } catch (const std::length_error&) {
    } catch (const std::bad_alloc&) {
    }
  }
}

TEST(DecoderRegressions, SavedFuzzInputsNeverCrash) {
  CheckFolder("bmp", DecodeBmp);
  CheckFolder("jpeg", DecodeJpeg);
  CheckFolder("gif", DecodeGif);
  CheckFolder("png", DecodePng);
  CheckFolder("heif", [](const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
    SourceInfo info;
    DecodeHeif(data, size, bitmap, info);
  });
}

}  // namespace
}  // namespace brevine
