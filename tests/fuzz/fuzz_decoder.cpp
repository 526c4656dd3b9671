// libFuzzer entry for one decoder, chosen at build time by FUZZ_DECODER. Every input must
// either decode or raise one of the failures the decoder contract names; anything else
// (a crash, a sanitizer report, another exception) is a finding.

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brevine::WorkBitmap bitmap;
  try {
    brevine::FUZZ_DECODER(data, size, bitmap);
  } catch (const brevine::DecodeError&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (bitmap.Empty() || bitmap.ByteCount() != std::size_t(bitmap.Width()) * bitmap.Height() * 3) {
    __builtin_trap();  // a decoder that succeeds must hand over a whole picture
  }
  return 0;
}
