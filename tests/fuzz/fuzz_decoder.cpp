// libFuzzer entry for one decoder, chosen at build time by FUZZ_DECODER. Every input must
// either decode or raise one of the failures the decoder contract names; anything else
// (a crash, a sanitizer report, another exception) is a finding.

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "codecs.h"

namespace {

// Decoders that also hand back what they learn beside the pixels take a SourceInfo; a
// profile they hand back must be one worth keeping.
template <typename Decoder>
void Run(Decoder decode, const std::uint8_t* data, std::size_t size, brevine::WorkBitmap& bitmap) {
  if constexpr (std::is_invocable_v<Decoder, const std::uint8_t*, std::size_t, brevine::WorkBitmap&,
                                    brevine::SourceInfo&>) {
    brevine::SourceInfo info;
    decode(data, size, bitmap, info);
    if (!info.icc.empty() && !brevine::IsWellFormedRgbProfile(info.icc.data(), info.icc.size())) {
      __builtin_trap();
    }
  } else {
    decode(data, size, bitmap);
  }
}

#ifdef FUZZ_MOST_PIXELS
// A picture whose compressed data may truly stand for half a gigapixel (a blank fax page
// of a few kilobytes) is decoded row by row into this sink, which stops at the header of a
// picture larger than FUZZ_MOST_PIXELS: filling it would take the fuzzer's whole time, as
// in the program the decoder's memory allowance stops it. Everything the decoder checks
// before its first row still runs on every input.
class CappedSink final : public brevine::RowSink {
 public:
  void Begin(int width, int height, int orientation) override {
    if (std::int64_t{width} * height > (std::int64_t{1} << FUZZ_MOST_PIXELS))
      throw brevine::DecodeError("larger than the fuzzer decodes");
    whole_.Begin(width, height, orientation);
  }
  int MaxRows() const override { return whole_.MaxRows(); }
  Block Rows(int first, int count, int step) override { return whole_.Rows(first, count, step); }
  void Put(int first, int count, int step) override { whole_.Put(first, count, step); }
  void TakePicture(brevine::WorkBitmap& picture, int orientation) override {
    if (std::int64_t{picture.Width()} * picture.Height() > (std::int64_t{1} << FUZZ_MOST_PIXELS))
      throw brevine::DecodeError("larger than the fuzzer decodes");
    whole_.TakePicture(picture, orientation);
  }
  brevine::WorkBitmap& Picture() { return whole_.Picture(); }

 private:
  brevine::BitmapSink whole_;
};
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brevine::WorkBitmap bitmap;
  try {
#if defined(FUZZ_MOST_PIXELS)
    brevine::SourceInfo info;
    CappedSink sink;
    brevine::FUZZ_ROWS_DECODER(data, size, sink, &info);
    bitmap.Swap(sink.Picture());
    if (!info.icc.empty() && !brevine::IsWellFormedRgbProfile(info.icc.data(), info.icc.size())) {
      __builtin_trap();
    }
#elif defined(FUZZ_SOURCE_INFO)
    // Decoders that read more than pixels run that part too.
    brevine::SourceInfo info;
    brevine::FUZZ_DECODER(data, size, bitmap, &info);
    if (!info.icc.empty() && !brevine::IsWellFormedRgbProfile(info.icc.data(), info.icc.size())) {
      __builtin_trap();
    }
#else
    // A lambda stands for the decoder's name, which may name several overloads.
    Run([](auto&&... args) -> decltype(brevine::FUZZ_DECODER(
                               args...)) { return brevine::FUZZ_DECODER(args...); },
        data, size, bitmap);
#endif
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

#ifdef FUZZ_SMALL_IMAGES
// Almost any mutation of a size field asks for a picture of hundreds of megabytes, and
// filling that takes the fuzzer's whole time. Most mutants therefore get their picture
// sizes cut to at most about a thousand pixels a side; one in eight keeps what the
// mutation made, so the limits themselves stay under test.
namespace {

void SmallGif(std::uint8_t* data, std::size_t size) {
  if (size < 13) return;
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
}

void SmallBmp(std::uint8_t* data, std::size_t size) {
  if (size < 26) return;
  if (data[14] == 12 && data[15] == 0 && data[16] == 0 && data[17] == 0) {
    data[19] &= 0x03;  // 16-bit width and height
    data[21] &= 0x03;
    return;
  }
  data[19] &= 0x03;
  data[20] = data[21] = 0;
  if (data[25] & 0x80) {  // top-down: keep the height negative
    data[23] |= 0xFC;
    data[24] = data[25] = 0xFF;
  } else {
    data[23] &= 0x03;
    data[24] = data[25] = 0;
  }
}

void SmallJpeg(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    const std::uint8_t m = data[i + 1];
    if (data[i] == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      data[i + 5] &= 0x03;  // height high byte
      data[i + 7] &= 0x03;  // width high byte
    }
  }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if (seed % 8 != 0) FUZZ_SMALL_IMAGES(data, size);
  return size;
}
#endif
