// Inputs kept under tests/fuzz/regressions/<format>/: minimised fuzz corpus entries that
// reach different paths of each decoder, and every input a fuzzer once broke a decoder
// with. Each must decode or be refused through the decoder contract, never crash.

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

struct Format {
  const char* folder;
  Decoder decode;
};
// A decoder with a fuzz target gets its folder here.
constexpr Format kFormats[] = {
    {"bmp", DecodeBmp},
    {"gif", DecodeGif},
    {"jpeg", DecodeJpeg},
    {"png", DecodePng},
    {"heif",
     [](const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
       SourceInfo info;
       DecodeHeif(data, size, bitmap, info);
     }},
    {"tiff",
     [](const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
       SourceInfo info;
       DecodeTiff(data, size, bitmap, &info);
     }},
    {"jxl",
     [](const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
       SourceInfo info;
       DecodeJxl(data, size, bitmap, &info);
     }},
    {"raw",
     [](const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
       SourceInfo info;
       DecodeRaw(data, size, bitmap, &info);
     }},
};

TEST(DecoderRegressions, SavedFuzzInputsNeverCrash) {
  for (const Format& format : kFormats) {
    const fs::path folder = fs::path(BREVINE_FUZZ_REGRESSIONS) / format.folder;
    // A missing or empty folder would make this test pass without decoding anything.
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      ++inputs;
      const auto bytes = test::ReadFile(entry.path().string());
      WorkBitmap bitmap;
      try {
        format.decode(bytes.data(), bytes.size(), bitmap);
        EXPECT_FALSE(bitmap.Empty()) << entry.path();
      } catch (const DecodeError&) {
      } catch (const std::length_error&) {
      } catch (const std::bad_alloc&) {
      }
    }
    EXPECT_GT(inputs, 0) << folder << " holds no inputs";
  }
}

}  // namespace
}  // namespace brevine
