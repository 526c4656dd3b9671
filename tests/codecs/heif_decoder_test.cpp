// HEIF and AVIF decoding against files made by libheif's encoders in this run: pixels within
// the lossy coders' tolerance, the boxes that turn a picture upright, bit depths, colour
// profiles and EXIF beside the pixels, and damaged files that must fail cleanly.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "codecs.h"
#include "heif_files.h"
#include "test_images.h"

namespace brevine {
namespace {

using test::EncodeHeif;
using test::HeifOptions;
using test::HeifPicture;
using test::Quadrants;

constexpr int kTolerance = 12;  // flat areas survive the lossy coders this closely

// Blue, green, red of the source picture at (x, y), reduced to 8 bits.
std::array<int, 3> SourceBgr(const HeifPicture& p, int x, int y) {
  const int channels = p.alpha ? 4 : 3;
  const std::uint16_t* s = &p.samples[(static_cast<std::size_t>(y) * p.width + x) * channels];
  const int shift = p.depth - 8;
  return {s[2] >> shift, s[1] >> shift, s[0] >> shift};
}

// Where the displayed pixel (x, y) comes from in the stored picture, for the EXIF
// orientations; the displayed picture is width x height.
std::pair<int, int> StoredPosition(int orientation, int x, int y, int width, int height) {
  switch (orientation) {
    case 2:
      return {width - 1 - x, y};
    case 3:
      return {width - 1 - x, height - 1 - y};
    case 4:
      return {x, height - 1 - y};
    case 5:
      return {y, x};
    case 6:
      return {y, width - 1 - x};
    case 7:
      return {height - 1 - y, width - 1 - x};
    case 8:
      return {height - 1 - y, x};
    default:
      return {x, y};
  }
}

// Compares the centre of each quadrant (and the middle of each edge) of the decoded picture
// with the source pixel that the orientation puts there.
::testing::AssertionResult ShowsPicture(const WorkBitmap& decoded, const HeifPicture& source,
                                        int orientation = 1) {
  const bool turned = orientation >= 5;
  const int width = turned ? source.height : source.width;
  const int height = turned ? source.width : source.height;
  if (decoded.Width() != width || decoded.Height() != height) {
    return ::testing::AssertionFailure() << "size " << decoded.Width() << "x" << decoded.Height()
                                         << ", expected " << width << "x" << height;
  }
  for (int qy = 0; qy < 2; ++qy) {
    for (int qx = 0; qx < 2; ++qx) {
      const int x = width / 4 + qx * width / 2;
      const int y = height / 4 + qy * height / 2;
      const auto [sx, sy] = StoredPosition(orientation, x, y, width, height);
      const auto want = SourceBgr(source, sx, sy);
      const std::uint8_t* got = decoded.Row(y) + 3 * x;
      for (int c = 0; c < 3; ++c) {
        if (std::abs(got[c] - want[c]) > kTolerance) {
          return ::testing::AssertionFailure()
                 << "pixel (" << x << "," << y << ") is " << int(got[0]) << "," << int(got[1])
                 << "," << int(got[2]) << " (BGR), expected about " << want[0] << "," << want[1]
                 << "," << want[2];
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

void Decode(const std::vector<std::uint8_t>& file, WorkBitmap& bitmap, SourceInfo& info) {
  DecodeHeif(file.data(), file.size(), bitmap, info);
}

TEST(HeifDecoder, HeicAndAvifWithAndWithoutAlpha) {
  for (bool av1 : {false, true}) {
    for (bool alpha : {false, true}) {
      SCOPED_TRACE(std::string(av1 ? "AVIF" : "HEIC") + (alpha ? " with alpha" : ""));
      const HeifPicture picture = Quadrants(64, 48, 8, alpha);
      HeifOptions options;
      options.av1 = av1;
      WorkBitmap bitmap;
      SourceInfo info;
      info.orientation = 6;  // whatever the caller held, HEIF says 1
      Decode(EncodeHeif(picture, options), bitmap, info);
      // Alpha runs from clear to opaque across the picture: dropped, never blended.
      EXPECT_TRUE(ShowsPicture(bitmap, picture));
      EXPECT_EQ(info.orientation, 1);
      EXPECT_TRUE(info.icc.empty());
      EXPECT_TRUE(info.exif.empty());
    }
  }
}

TEST(HeifDecoder, RotationAndMirrorBoxesAreApplied) {
  // 64 x 32: a quarter turn changes the size, so a missed turn cannot pass unseen.
  const HeifPicture picture = Quadrants(64, 32);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    HeifOptions options;
    options.orientation = orientation;
    options.av1 = orientation % 2 == 0;
    WorkBitmap bitmap;
    SourceInfo info;
    Decode(EncodeHeif(picture, options), bitmap, info);
    EXPECT_TRUE(ShowsPicture(bitmap, picture, orientation));
    EXPECT_EQ(info.orientation, 1);
  }
}

TEST(HeifDecoder, CleanApertureCropsThePicture) {
  HeifOptions options;
  options.av1 = true;
  const HeifPicture picture = Quadrants(64, 48);
  // 32 x 24 whose centre lies 8 left of and 12 above the picture's centre (31.5, 23.5):
  // columns 8 to 39, rows 0 to 23, so red on the left three quarters, green on the right.
  const auto file = test::AddCleanAperture(EncodeHeif(picture, options), 32, 24, -8, -12);
  WorkBitmap bitmap;
  SourceInfo info;
  Decode(file, bitmap, info);
  ASSERT_EQ(bitmap.Width(), 32);
  ASSERT_EQ(bitmap.Height(), 24);
  for (const auto& [x, want] :
       {std::pair{2, SourceBgr(picture, 10, 12)}, std::pair{21, SourceBgr(picture, 29, 12)},
        std::pair{27, SourceBgr(picture, 35, 12)}, std::pair{30, SourceBgr(picture, 38, 12)}}) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(bitmap.Row(12)[3 * x + c], want[c], kTolerance) << x;
  }
}

TEST(HeifDecoder, HighBitDepthsAreReducedTo8Bits) {
  struct Case {
    bool av1;
    int depth;
  };
  // libaom, through libheif 1.15, asserts (ending the process) on 10-bit input.
  for (const Case c : {Case{false, 10}, Case{false, 12}, Case{true, 12}}) {
    SCOPED_TRACE(std::string(c.av1 ? "AVIF " : "HEIC ") + std::to_string(c.depth) + " bits");
    HeifOptions options;
    options.av1 = c.av1;
    HeifPicture picture = Quadrants(32, 32, c.depth);
    // The top left quadrant a grey half way up the range: a wrong scaling (low byte, no
    // shift) shows at once.
    const auto half = static_cast<std::uint16_t>(1 << (c.depth - 1));
    for (int y = 0; y < 16; ++y) {
      for (int i = 0; i < 16 * 3; ++i) picture.samples[y * 32 * 3 + i] = half;
    }
    WorkBitmap bitmap;
    SourceInfo info;
    try {
      Decode(EncodeHeif(picture, options), bitmap, info);
    } catch (const std::runtime_error& e) {
      if (std::string(e.what()).rfind("libheif:", 0) == 0) {
        GTEST_SKIP() << "encoder cannot write this depth: " << e.what();
      }
      throw;
    }
    EXPECT_TRUE(ShowsPicture(bitmap, picture));
    for (int c2 = 0; c2 < 3; ++c2) EXPECT_NEAR(bitmap.Row(8)[3 * 8 + c2], 128, 3);
  }
}

// ---- Colour profiles ----------------------------------------------------------------------

std::vector<std::uint8_t> SrgbProfile() {
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<std::uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

struct Colorants {
  double xyz[3][3];  // red, green, blue colorants (X, Y, Z), adapted to D50
  double halfway;    // the red tone curve at 0.5
};

Colorants ReadColorants(const std::vector<std::uint8_t>& icc) {
  Colorants out{};
  cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
  if (profile == nullptr) throw std::runtime_error("profile does not open");
  const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                   cmsSigBlueColorantTag};
  for (int i = 0; i < 3; ++i) {
    const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[i]));
    if (xyz) out.xyz[i][0] = xyz->X, out.xyz[i][1] = xyz->Y, out.xyz[i][2] = xyz->Z;
  }
  const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, cmsSigRedTRCTag));
  out.halfway = curve ? cmsEvalToneCurveFloat(curve, 0.5f) : -1;
  cmsCloseProfile(profile);
  return out;
}

TEST(HeifDecoder, ColourProfilesStoredOrBuiltFromNclxPrimaries) {
  const HeifPicture picture = Quadrants(32, 16);
  WorkBitmap bitmap;
  SourceInfo info;

  // A stored profile comes back byte for byte.
  HeifOptions stored;
  stored.icc = SrgbProfile();
  ASSERT_TRUE(IsWellFormedRgbProfile(stored.icc.data(), stored.icc.size()));
  Decode(EncodeHeif(picture, stored), bitmap, info);
  EXPECT_EQ(info.icc, stored.icc);
  EXPECT_TRUE(ShowsPicture(bitmap, picture));

  // A damaged one is dropped; the picture still loads.
  HeifOptions damaged = stored;
  damaged.icc[3] ^= 1;  // the size in the header no longer matches
  Decode(EncodeHeif(picture, damaged), bitmap, info);
  EXPECT_TRUE(info.icc.empty());
  EXPECT_TRUE(ShowsPicture(bitmap, picture));

  // sRGB/BT.709 primaries need no profile.
  HeifOptions bt709;
  bt709.nclxPrimaries = 1;
  Decode(EncodeHeif(picture, bt709), bitmap, info);
  EXPECT_TRUE(info.icc.empty());

  // Display P3 and BT.2020: the colorants of the published profiles (D50), the sRGB curve.
  struct Case {
    int primaries;
    double xyz[3][3];
  };
  const Case cases[] = {
      {12, {{0.5151, 0.2412, -0.0011}, {0.2920, 0.6922, 0.0419}, {0.1571, 0.0666, 0.7841}}},
      {9, {{0.6735, 0.2790, -0.0019}, {0.1657, 0.6753, 0.0300}, {0.1251, 0.0456, 0.7972}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("nclx primaries " + std::to_string(c.primaries));
    HeifOptions nclx;
    nclx.nclxPrimaries = c.primaries;
    nclx.av1 = c.primaries == 9;
    const auto file = EncodeHeif(picture, nclx);
    Decode(file, bitmap, info);
    ASSERT_TRUE(IsWellFormedRgbProfile(info.icc.data(), info.icc.size()));
    const Colorants got = ReadColorants(info.icc);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(got.xyz[i][j], c.xyz[i][j], 0.002) << i << "," << j;
    }
    EXPECT_NEAR(got.halfway, 0.2140, 0.001);  // sRGB's curve at 0.5, not a plain gamma
    // The same file gives the same bytes on every load, whenever it runs.
    SourceInfo again;
    Decode(file, bitmap, again);
    EXPECT_EQ(again.icc, info.icc);
  }
}

TEST(HeifDecoder, HdrPicturesCarryNoProfileThatCallsThemSdr) {
  // BT.2020 primaries with the PQ (16) and HLG (18) curves: the 8-bit samples are the
  // curve's codes, which a profile with the sRGB curve would misstate. The sRGB curve (13)
  // keeps its profile.
  const HeifPicture picture = Quadrants(32, 16);
  for (const int transfer : {16, 18, 13}) {
    SCOPED_TRACE("transfer " + std::to_string(transfer));
    HeifOptions options;
    options.av1 = true;
    options.nclxPrimaries = 9;
    options.nclxTransfer = transfer;
    WorkBitmap bitmap;
    SourceInfo info;
    Decode(EncodeHeif(picture, options), bitmap, info);
    EXPECT_EQ(info.icc.empty(), transfer != 13);
    EXPECT_TRUE(ShowsPicture(bitmap, picture));
  }
  // A stored profile describes the samples as they are, whatever the nclx box says.
  HeifOptions stored;
  stored.icc = SrgbProfile();
  stored.nclxPrimaries = 9;
  stored.nclxTransfer = 16;
  WorkBitmap bitmap;
  SourceInfo info;
  Decode(EncodeHeif(picture, stored), bitmap, info);
  EXPECT_EQ(info.icc, stored.icc);
}

TEST(HeifDecoder, ExifBlockComesTiffHeaderFirstAndTurnsNothing) {
  // Big-endian TIFF header, IFD0 with one entry: Orientation (0x0112) = 6.
  const std::vector<std::uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3,
                                          0,   0,   0, 1,  0, 6, 0, 0, 0, 0, 0,    0,    0, 0};
  std::vector<std::uint8_t> prefixed = {'E', 'x', 'i', 'f', 0, 0};
  prefixed.insert(prefixed.end(), tiff.begin(), tiff.end());
  const HeifPicture picture = Quadrants(32, 16);
  for (const auto& block : {tiff, prefixed}) {
    HeifOptions options;
    options.exif = block;
    WorkBitmap bitmap;
    SourceInfo info;
    Decode(EncodeHeif(picture, options), bitmap, info);
    EXPECT_EQ(info.exif, tiff);
    EXPECT_EQ(info.orientation, 1);
    EXPECT_TRUE(ShowsPicture(bitmap, picture));  // as stored: the tag is not applied
  }
}

// ---- Damaged files ------------------------------------------------------------------------

// Decodes and reports how it went; anything but the contract's failures escapes the test.
enum class Outcome { kDecoded, kRejected, kTooLarge };
Outcome TryDecode(const std::vector<std::uint8_t>& file, std::string* reason = nullptr) {
  WorkBitmap bitmap;
  SourceInfo info;
  try {
    DecodeHeif(file.data(), file.size(), bitmap, info);
  } catch (const DecodeError& e) {
    if (reason) *reason = e.what();
    return Outcome::kRejected;
  } catch (const std::length_error&) {
    return Outcome::kTooLarge;
  } catch (const std::bad_alloc&) {
    return Outcome::kTooLarge;
  }
  EXPECT_FALSE(bitmap.Empty());
  return Outcome::kDecoded;
}

TEST(HeifDecoder, DamagedFilesFailCleanly) {
  for (bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    HeifOptions options;
    options.av1 = av1;
    const auto file = EncodeHeif(Quadrants(48, 32), options);
    ASSERT_EQ(TryDecode(file), Outcome::kDecoded);

    EXPECT_EQ(TryDecode({}), Outcome::kRejected);
    // The picture data is last in the file: every cut leaves something missing.
    for (std::size_t cut : {std::size_t{4}, std::size_t{12}, std::size_t{40}, file.size() / 3,
                            file.size() / 2, file.size() - 20, file.size() - 1}) {
      std::string reason;
      EXPECT_EQ(TryDecode({file.begin(), file.begin() + cut}, &reason), Outcome::kRejected)
          << "cut at " << cut;
      EXPECT_FALSE(reason.empty());
    }
    // Every single byte inverted: decoded or rejected, nothing else.
    for (std::size_t i = 0; i < file.size(); ++i) {
      auto damaged = file;
      damaged[i] ^= 0xFF;
      TryDecode(damaged);
    }

    // A declared size far beyond the data is refused before decoding. (The HEIC is a grid
    // of one tile: the grid's data, its ispe and the tile's are raised together.)
    auto huge = file;
    if (!av1) test::SetGridCanvas(huge, 20000, 20000);
    for (std::size_t i = 0; i < test::FindBoxes(file, "ispe").size(); ++i) {
      test::SetIspe(huge, i, 20000, 20000);
    }
    std::string reason;
    EXPECT_EQ(TryDecode(huge, &reason), Outcome::kRejected);
    // The HEIC's tile still codes its own small size.
    EXPECT_NE(reason.find(av1 ? "too short" : "codes 64x64 pixels"), std::string::npos) << reason;

    // An item type no decoder knows: the primary image cannot be decoded, and says so.
    auto unknown = file;
    const char* type = av1 ? "av01" : "hvc1";
    for (std::size_t i = 0; i + 4 <= unknown.size(); ++i) {
      if (std::memcmp(&unknown[i], type, 4) == 0) unknown[i + 3] = 'x';
    }
    reason.clear();
    EXPECT_EQ(TryDecode(unknown, &reason), Outcome::kRejected);
    EXPECT_FALSE(reason.empty());
  }
}

TEST(HeifDecoder, LoaderDispatchesTheHeifExtensions) {
  test::TempFolder folder;
  const auto heic = EncodeHeif(Quadrants(16, 8));
  HeifOptions av1;
  av1.av1 = true;
  const auto avif = EncodeHeif(Quadrants(16, 8), av1);
  WorkBitmap bitmap;
  SourceInfo info;
  for (const char* name : {"a.HEIC", "b.heif", "c.Hif", "d.avif"}) {
    test::WriteFile(folder / name, std::string(name) == "d.avif" ? avif : heic);
    EXPECT_EQ(LoadImage(folder / name, bitmap, &info), LoadStatus::kOk) << name;
    EXPECT_EQ(bitmap.Width(), 16);
  }
  // HEVC data under the AVIF name still loads: libheif goes by the content.
  test::WriteFile(folder / "e.avif", heic);
  EXPECT_EQ(LoadImage(folder / "e.avif", bitmap, &info), LoadStatus::kOk);
  for (const char* name : {"f.heics", "g.avifs", "h.heix"}) {
    test::WriteFile(folder / name, heic);
    EXPECT_EQ(LoadImage(folder / name, bitmap, &info), LoadStatus::kNotAnImage) << name;
  }
  test::WriteFile(folder / "bad.heic", {heic.begin(), heic.begin() + heic.size() / 2});
  EXPECT_EQ(LoadImage(folder / "bad.heic", bitmap, &info), LoadStatus::kDecodeError);
  EXPECT_EQ(info.reason.rfind("HEIF: ", 0), 0u) << info.reason;
}

}  // namespace
}  // namespace brevine
