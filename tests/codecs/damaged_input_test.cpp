// Damaged and hostile files: every decoder must fail cleanly (a DecodeError, a size error
// or a picture), never crash, hang or read outside its input. Run under the sanitizer
// build to catch what a plain build would miss.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

#include "codecs.h"
#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::Bytes;
using Decoder = void (*)(const std::uint8_t*, std::size_t, WorkBitmap&);

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : Next() % n; }

 private:
  std::uint32_t state_;
};

Bytes Mutate(const Bytes& seed, Random& random) {
  Bytes b = seed;
  const int edits = 1 + static_cast<int>(random.Below(6));
  for (int e = 0; e < edits && !b.empty(); ++e) {
    switch (random.Below(4)) {
      case 0:
        b[random.Below(b.size())] = static_cast<std::uint8_t>(random.Next());
        break;
      case 1:
        b[random.Below(b.size())] ^= static_cast<std::uint8_t>(1u << random.Below(8));
        break;
      case 2:
        b.resize(random.Below(b.size()));
        break;
      default:
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(random.Below(b.size())),
                 static_cast<std::uint8_t>(random.Next()));
    }
  }
  return b;
}

void SurvivesMutations(Decoder decode, const Bytes& seed, std::uint32_t seedNumber, int rounds) {
  Random random(seedNumber);
  for (int i = 0; i < rounds; ++i) {
    const Bytes input = Mutate(seed, random);
    WorkBitmap bitmap;
    try {
      decode(input.data(), input.size(), bitmap);
      ASSERT_FALSE(bitmap.Empty()) << "round " << i;
    } catch (const DecodeError&) {
    } catch (const std::length_error&) {
    } catch (const std::bad_alloc&) {
    }
  }
}

Bytes Bmp8(std::uint32_t compression, const Bytes& pixels, int width, int height) {
  Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0};
  auto put32 = [&b](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
  };
  put32(width);
  put32(height);
  b.insert(b.end(), {1, 0, static_cast<std::uint8_t>(compression == 2 ? 4 : 8), 0});
  put32(compression);
  put32(static_cast<std::uint32_t>(pixels.size()));
  put32(0);
  put32(0);
  put32(16);
  put32(0);
  for (int i = 0; i < 16; ++i) b.insert(b.end(), {static_cast<std::uint8_t>(i * 16), 0, 0, 0});
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

TEST(DamagedInput, BmpVariantsSurviveMutation) {
  SurvivesMutations(DecodeBmp, test::EncodeBmp24(test::MakeNoise(9, 7, 1)), 1, 1500);
  SurvivesMutations(DecodeBmp,
                    Bmp8(1, {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 5, 7, 0, 1}, 6, 4), 2, 1500);
  SurvivesMutations(DecodeBmp, Bmp8(2, {4, 0x12, 0, 3, 0x12, 0x30, 0, 0, 0, 1}, 6, 4), 3, 1500);
  SurvivesMutations(DecodeBmp, Bmp8(0, Bytes(8 * 4, 9), 7, 4), 4, 1500);
}

TEST(DamagedInput, JpegVariantsSurviveMutation) {
  test::LibjpegEncode how;
  how.width = 24;
  how.height = 16;
  const WorkBitmap photo = test::MakePhotoLike(24, 16);
  how.samples.assign(photo.Data(), photo.Data() + photo.ByteCount());
  SurvivesMutations(DecodeJpeg, test::EncodeWithLibjpeg(how), 5, 1500);
  how.progressive = true;
  SurvivesMutations(DecodeJpeg, test::EncodeWithLibjpeg(how), 6, 1500);
  test::LibjpegEncode gray = how;
  gray.components = 1;
  gray.inSpace = JCS_GRAYSCALE;
  gray.samples.resize(24 * 16);
  SurvivesMutations(DecodeJpeg, test::EncodeWithLibjpeg(gray), 7, 1500);
}

// Every scan of a progressive file is a pass over the whole picture; a file with
// hundreds of them is refused before it can keep the decoder busy for minutes.
TEST(DamagedInput, ProgressiveFileWithTooManyScansIsRefused) {
  test::LibjpegEncode how;
  how.width = 16;
  how.height = 16;
  how.components = 1;
  how.inSpace = JCS_GRAYSCALE;
  how.samples.assign(16 * 16, 77);
  auto script = [](int maxAl) {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0}, 0, 0, 0, maxAl});
    for (int al = maxAl; al > 0; --al) scans.push_back({1, {0}, 0, 0, al, al - 1});
    for (int k = 1; k < 64; ++k) {
      scans.push_back({1, {0}, k, k, 0, maxAl});
      for (int al = maxAl; al > 0; --al) scans.push_back({1, {0}, k, k, al, al - 1});
    }
    return scans;
  };
  how.scans = script(3);  // 256 scans: legal and accepted
  WorkBitmap bitmap;
  const Bytes many = test::EncodeWithLibjpeg(how);
  DecodeJpeg(many.data(), many.size(), bitmap);
  EXPECT_EQ(16, bitmap.Width());
  how.scans = script(9);  // 640 scans
  const Bytes tooMany = test::EncodeWithLibjpeg(how);
  EXPECT_THROW(DecodeJpeg(tooMany.data(), tooMany.size(), bitmap), DecodeError);
}

// Two files through the codecs at once on two threads give what one thread gives.
TEST(DamagedInput, TwoThreadsDecodeAndEncodeIndependently) {
  const WorkBitmap photo = test::MakePhotoLike(120, 90, 3);
  TJPEGImage single;
  single.TakeBitmap(photo);
  single.EncodeJpeg();
  const Bytes file = single.Data().bytes;
  WorkBitmap expected;
  DecodeJpeg(file.data(), file.size(), expected);

  bool same[2] = {true, true};
  auto work = [&](int n) {
    for (int i = 0; i < 20; ++i) {
      TJPEGImage jpeg;
      jpeg.TakeBitmap(photo);
      jpeg.EncodeJpeg();
      WorkBitmap decoded;
      DecodeJpeg(jpeg.Data().bytes.data(), jpeg.Data().bytes.size(), decoded);
      if (jpeg.Data().bytes != file || !test::SameBitmap(expected, decoded)) same[n] = false;
      try {
        const Bytes broken(file.begin(), file.begin() + 10);
        DecodeJpeg(broken.data(), broken.size(), decoded);
      } catch (const EJPEG&) {
      }
    }
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_TRUE(same[0]);
  EXPECT_TRUE(same[1]);
}

}  // namespace
}  // namespace brevine
