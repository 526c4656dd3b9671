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

#ifdef FUZZ_SMALL_GIF_IMAGES
// Almost any mutation of a GIF's size fields asks for a picture of up to 16384 x 16384,
// and filling that takes the fuzzer's whole time. Most mutants therefore get their image
// sizes cut below 512; one in eight keeps what the mutation made.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if (seed % 8 == 0 || size < 13) return size;
  std::size_t pos = 13;
  if (data[10] & 0x80) pos += std::size_t{3} << ((data[10] & 7) + 1);
  auto skipSubBlocks = [&] {
    while (pos < size && data[pos] != 0) pos += data[pos] + 1u;
    ++pos;
  };
  while (pos < size) {
    if (data[pos] == '!') {
      pos += 2;
      skipSubBlocks();
    } else if (data[pos] == ',' && pos + 10 <= size) {
      data[pos + 6] &= 0x01;  // width high byte
      data[pos + 8] &= 0x01;  // height high byte
      const std::uint8_t flags = data[pos + 9];
      pos += 10;
      if (flags & 0x80) pos += std::size_t{3} << ((flags & 7) + 1);
      ++pos;  // LZW code size
      skipSubBlocks();
    } else {
      break;
    }
  }
  return size;
}
#endif
