#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "codecs.h"
#include "test_images.h"
#include "test_profiles.h"
#include "test_webp.h"

namespace brevine {
namespace {

using test::EncodeWebp;
using test::WebpBytes;

WorkBitmap Decode(const WebpBytes& file, SourceInfo* info = nullptr) {
  WorkBitmap bitmap;
  DecodeWebp(file.data(), file.size(), bitmap, info);
  return bitmap;
}

double MeanDifference(const WorkBitmap& a, const WorkBitmap& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.ByteCount(); ++i) sum += std::abs(a.Data()[i] - b.Data()[i]);
  return sum / static_cast<double>(a.ByteCount());
}

std::uint8_t GradedAlpha(int x, int y) { return static_cast<std::uint8_t>(1 + (x * 7 + y) % 255); }

// The little-endian 24-bit field at `at`.
void Put24(WebpBytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  b[at + 2] = static_cast<std::uint8_t>(v >> 16);
}

TEST(WebpDecoder, LossyIsTheLibrarysDecodeAndCloseToTheSource) {
  for (bool withAlpha : {false, true}) {
    SCOPED_TRACE(withAlpha);
    const WorkBitmap source = test::MakePhotoLike(123, 77, 3);
    const WebpBytes file = EncodeWebp(source, false, 90, withAlpha ? GradedAlpha : nullptr);
    const WorkBitmap decoded = Decode(file);
    // The colour channels as libwebp gives them; alpha is dropped, nothing blended.
    EXPECT_TRUE(test::SameBitmap(test::LibwebpDecode(file), decoded));
    EXPECT_LT(MeanDifference(source, decoded), 6.0);
  }
}

TEST(WebpDecoder, LosslessIsExactWithAndWithoutAlpha) {
  const WorkBitmap noise = test::MakeNoise(37, 21, 5);
  EXPECT_TRUE(test::SameBitmap(noise, Decode(EncodeWebp(noise, true))));
  // No pixel fully transparent: the encoder keeps the colour of every other pixel as given.
  EXPECT_TRUE(test::SameBitmap(noise, Decode(EncodeWebp(noise, true, 90, GradedAlpha))));
  const WorkBitmap one = test::MakeSolid(1, 1, 10, 20, 30);
  EXPECT_TRUE(test::SameBitmap(one, Decode(EncodeWebp(one, true))));
}

TEST(WebpDecoder, AnimationGivesItsFirstFrame) {
  const WorkBitmap first = test::MakeNoise(40, 30, 1);
  const WorkBitmap second = test::MakeChecker(40, 30, 4, 0xFF0000, 0x00FF00);
  const WebpBytes anim = test::EncodeWebpAnimation({first, second});
  EXPECT_TRUE(test::SameBitmap(first, Decode(anim)));

  // A first frame smaller than the canvas lies at its offset on black.
  const WorkBitmap patch = test::MakeNoise(10, 6, 2);
  const WebpBytes placed = test::WebpAnimation(
      32, 20, {{EncodeWebp(patch, true), 4, 8}, {EncodeWebp(test::MakeNoise(32, 20, 3), true)}});
  const WorkBitmap canvas = Decode(placed);
  ASSERT_EQ(canvas.Width(), 32);
  ASSERT_EQ(canvas.Height(), 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool inside = x >= 4 && x < 14 && y >= 8 && y < 14;
      const std::uint8_t* got = canvas.Row(y) + 3 * x;
      const std::uint8_t* want = inside ? patch.Row(y - 8) + 3 * (x - 4) : nullptr;
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(got[c], want ? want[c] : 0) << x << "," << y;
      }
    }
  }
}

TEST(WebpDecoder, ProfileAndExifChunks) {
  const WebpBytes still = EncodeWebp(test::MakeGradient(16, 16), true);
  const auto profile = test::MakeProfile(3000);
  // IFD0 with one entry, Orientation = 6.
  const std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01,
                                          3,   0,   1,  0, 0, 0, 6, 0, 0, 0, 0,    0};
  std::vector<std::uint8_t> prefixed = {'E', 'x', 'i', 'f', 0, 0};
  prefixed.insert(prefixed.end(), tiff.begin(), tiff.end());

  SourceInfo info;
  const WorkBitmap plain = Decode(still, &info);
  EXPECT_TRUE(info.icc.empty());
  EXPECT_TRUE(info.exif.empty());
  EXPECT_EQ(info.orientation, 1);

  for (const auto& exif : {tiff, prefixed}) {
    const WorkBitmap withChunks = Decode(test::WithWebpChunks(still, profile, exif), &info);
    EXPECT_TRUE(test::SameBitmap(plain, withChunks));
    EXPECT_EQ(info.icc, profile);
    EXPECT_EQ(info.exif, tiff);
    EXPECT_EQ(info.orientation, 6);
  }

  // A profile that is not RGB, and EXIF that is not a TIFF block, are dropped.
  Decode(test::WithWebpChunks(still, test::MakeProfile(3000, "GRAY"), {1, 2, 3, 4, 5, 6, 7, 8}),
         &info);
  EXPECT_TRUE(info.icc.empty());
  EXPECT_TRUE(info.exif.empty());
  EXPECT_EQ(info.orientation, 1);
}

TEST(WebpDecoder, DamagedFilesFailCleanly) {
  const WebpBytes lossy = EncodeWebp(test::MakePhotoLike(64, 48, 2), false, 80, GradedAlpha);
  const WebpBytes lossless = EncodeWebp(test::MakeNoise(64, 48, 2), true);
  const WebpBytes anim =
      test::EncodeWebpAnimation({test::MakeNoise(20, 20, 1), test::MakeNoise(20, 20, 2)});
  for (const WebpBytes* file : {&lossy, &lossless, &anim}) {
    // Cut short anywhere: never a picture from part of a file.
    for (std::size_t keep : {std::size_t{0}, std::size_t{4}, std::size_t{12}, std::size_t{20},
                             std::size_t{40}, file->size() / 2, file->size() - 1}) {
      const WebpBytes cut(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(keep));
      WorkBitmap bitmap = test::MakeSolid(2, 2, 1, 2, 3);
      EXPECT_THROW(DecodeWebp(cut.data(), cut.size(), bitmap), DecodeError) << keep;
      EXPECT_EQ(bitmap.Width(), 2);  // a failure leaves the bitmap alone
    }
    // Corrupted bytes: a picture of the announced size, or a decode error.
    for (std::size_t at = 12; at < file->size(); at += 7) {
      WebpBytes bad = *file;
      bad[at] ^= 0x5A;
      WorkBitmap bitmap;
      try {
        DecodeWebp(bad.data(), bad.size(), bitmap);
        EXPECT_FALSE(bitmap.Empty());
      } catch (const DecodeError&) {
      } catch (const std::length_error&) {
      }
    }
  }
  // Not WebP at all.
  const std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
  WorkBitmap bitmap;
  EXPECT_THROW(DecodeWebp(riff.data(), riff.size(), bitmap), DecodeError);
}

TEST(WebpDecoder, HugeDeclaredCanvasIsRefusedBeforeAllocating) {
  // An animation of two small frames whose canvas claims 16384 x 16384 pixels: a few
  // hundred bytes cannot hold such a picture.
  const WorkBitmap small = test::MakeNoise(8, 8, 1);
  WebpBytes anim =
      test::WebpAnimation(16, 16, {{EncodeWebp(small, true)}, {EncodeWebp(small, true)}});
  ASSERT_EQ(std::string(anim.begin() + 12, anim.begin() + 16), "VP8X");
  Put24(anim, 24, 16384 - 1);
  Put24(anim, 27, 16384 - 1);
  WorkBitmap bitmap;
  EXPECT_THROW(DecodeWebp(anim.data(), anim.size(), bitmap), DecodeError);
  // Past what a bitmap may hold at all.
  Put24(anim, 24, (1 << 24) - 1);
  Put24(anim, 27, (1 << 24) - 1);
  EXPECT_ANY_THROW(DecodeWebp(anim.data(), anim.size(), bitmap));
  EXPECT_TRUE(bitmap.Empty());

  // Through the loader the same files are decode failures with a reason.
  test::TempFolder folder;
  test::WriteFile(folder / "big.WEBP", anim);
  SourceInfo info;
  EXPECT_EQ(LoadImage(folder / "big.WEBP", bitmap, &info), LoadStatus::kDecodeError);
  test::WriteFile(folder / "ok.webp", EncodeWebp(small, true));
  EXPECT_EQ(LoadImage(folder / "ok.webp", bitmap, &info), LoadStatus::kOk);
  EXPECT_TRUE(test::SameBitmap(small, bitmap));
}

}  // namespace
}  // namespace brevine
