// The sizes a HEIF file declares, held against each other and against the file's length
// before libheif decodes a pixel: small encoded files with their ispe boxes and grid
// descriptions rewritten by hand, on both sides of every bound. Then structures beyond a
// single picture: thumbnails, several images, grey, a grid whose canvas cuts its tile short,
// crops at odd offsets.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "codecs.h"
#include "heif_builder.h"
#include "heif_files.h"
#include "heif_layout.h"

namespace brevine {
namespace {

using test::AppendFreeBox;
using test::EncodeHeif;
using test::HeifOptions;
using test::HeifPicture;
using test::Quadrants;
using test::SetIspe;

using File = std::vector<std::uint8_t>;

// Why the boxes are refused; empty when they pass.
std::string Refusal(const File& file) {
  try {
    ReadHeifLayout(file.data(), file.size(), WorkBitmap::kMaxPixels);
  } catch (const DecodeError& e) {
    return e.what();
  }
  return {};
}

// Why the decoder refused the file; empty when the picture is in `bitmap`.
std::string Decode(const File& file, WorkBitmap& bitmap) {
  SourceInfo info;
  try {
    DecodeHeif(file.data(), file.size(), bitmap, info);
  } catch (const DecodeError& e) {
    return e.what();
  }
  return {};
}

// The HEIC is a grid of one 64 x 64 tile showing the 48 x 32 quadrants.
const File& SmallHeic() {
  static const File file = test::RewrittenGrid(48, 32, 48, 32);
  return file;
}
const File& SmallAvif(bool alpha = false) {
  HeifOptions options;
  options.av1 = true;
  static const File plain = EncodeHeif(Quadrants(64, 48), options);
  static const File withAlpha = EncodeHeif(Quadrants(64, 48, 8, true), options);
  return alpha ? withAlpha : plain;
}

// The index of the ispe box of that size.
std::size_t IspeOf(const File& file, std::uint32_t width, std::uint32_t height) {
  const auto boxes = test::FindBoxes(file, "ispe");
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const std::uint8_t* p = &file[boxes[i] + 12];
    const std::uint32_t w = (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    const std::uint32_t h = (p[4] << 24) | (p[5] << 16) | (p[6] << 8) | p[7];
    if (w == width && h == height) return i;
  }
  throw std::invalid_argument("no such ispe");
}

File Grid(std::uint32_t canvasWidth, std::uint32_t canvasHeight, std::uint32_t width,
          std::uint32_t height, std::uint32_t tileWidth = 64, std::uint32_t tileHeight = 64) {
  return test::RewrittenGrid(canvasWidth, canvasHeight, width, height, tileWidth, tileHeight);
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

TEST(HeifLayout, GridCanvasMustBeItsDeclaredSize) {
  ASSERT_EQ(Refusal(SmallHeic()), "");
  const HeifLayout layout = ReadHeifLayout(SmallHeic().data(), SmallHeic().size(), 1 << 29);
  EXPECT_EQ(layout.width, 48);
  EXPECT_EQ(layout.height, 32);
  EXPECT_EQ(layout.pixels, 48 * 32 + 64 * 64);  // the canvas and one tile

  // The bombs: a few kilobytes whose ispe announces a strip, whose grid data a square
  // canvas that libheif would allocate and fill.
  for (const std::uint32_t side : {16384u, 32767u}) {
    const File bomb = Grid(side, side, side, 256);
    EXPECT_TRUE(Contains(Refusal(bomb), "disagrees")) << Refusal(bomb);
    WorkBitmap bitmap;
    EXPECT_TRUE(Contains(Decode(bomb, bitmap), "disagrees"));
    EXPECT_TRUE(bitmap.Empty());
  }
  // One pixel either way is a disagreement; a quarter turn is not (libheif writes turned
  // grids so).
  EXPECT_TRUE(Contains(Refusal(Grid(48, 33, 48, 32)), "disagrees"));
  EXPECT_TRUE(Contains(Refusal(Grid(49, 32, 48, 32)), "disagrees"));
  EXPECT_EQ(Refusal(Grid(32, 48, 48, 32)), "");
}

TEST(HeifLayout, TilesMustCoverTheCanvasWithNoneLeftOut) {
  // One 64 x 64 tile makes any canvas from 1 x 1 to 64 x 64.
  for (const std::uint32_t side : {1u, 64u}) {
    const File file = Grid(side, side, side, side);
    EXPECT_EQ(Refusal(file), "") << side;
    WorkBitmap bitmap;
    ASSERT_EQ(Decode(file, bitmap), "") << side;
    EXPECT_EQ(bitmap.Width(), static_cast<int>(side));
    // Red at the top left (blue, green, red).
    EXPECT_LT(bitmap.Row(0)[0], 40);
    EXPECT_GT(bitmap.Row(0)[2], 200);
  }
  EXPECT_TRUE(Contains(Refusal(Grid(65, 64, 65, 64)), "do not make"));
  EXPECT_TRUE(Contains(Refusal(Grid(64, 65, 64, 65)), "do not make"));
  // A tile too narrow for the canvas, and tiles whose ispe times one column and row falls
  // far short of it.
  EXPECT_TRUE(Contains(Refusal(Grid(48, 32, 48, 32, 47, 64)), "do not make"));
  EXPECT_TRUE(Contains(Refusal(Grid(16384, 16384, 16384, 16384)), "do not make"));
  // A tile of the canvas's size exactly.
  EXPECT_EQ(Refusal(Grid(48, 32, 48, 32, 48, 32)), "");
}

TEST(HeifLayout, EveryPictureWithinTheBoundAndTheDataLongEnoughForIt) {
  // A noisy picture, so that its AV1 data takes a few hundred bytes.
  HeifPicture noisy = Quadrants(16, 16);
  std::uint32_t x = 1;
  for (auto& v : noisy.samples)
    v = static_cast<std::uint16_t>((x = x * 1664525u + 1013904223u) >> 24);
  HeifOptions options;
  options.av1 = true;
  options.quality = 40;
  File file = EncodeHeif(noisy, options);
  const std::size_t ispe = IspeOf(file, 16, 16);
  // How many bytes of picture data there are: the refusal of an enormous size says.
  SetIspe(file, ispe, 8192, 65536);
  const std::string refusal = Refusal(file);
  const auto in = refusal.find(" pixels in ");
  ASSERT_NE(in, std::string::npos) << refusal << " " << file.size();
  const std::int64_t bytes = std::stoll(refusal.substr(in + 11));
  ASSERT_GT(bytes, 64);
  ASSERT_LT(bytes, 2048);

  // Each byte may stand for 2^18 pixels: (bytes x 64) x 4096 pixels pass, one more byte's
  // worth does not. Bytes the picture data does not take count for nothing.
  SetIspe(file, ispe, static_cast<std::uint32_t>(bytes * 64), 4096);
  EXPECT_EQ(Refusal(file), "");
  // The AV1 data's own 16 x 16 frame counts beside the picture the ispe announces.
  EXPECT_EQ(ReadHeifLayout(file.data(), file.size(), WorkBitmap::kMaxPixels).pixels,
            (bytes << 18) + 16 * 16);
  SetIspe(file, ispe, static_cast<std::uint32_t>((bytes + 1) * 64), 4096);
  AppendFreeBox(file, 65536);
  EXPECT_TRUE(Contains(Refusal(file), "too short")) << Refusal(file);

  // 8192 x 65536 is the largest bitmap, one column more is refused whatever the data.
  SetIspe(file, ispe, 8193, 65536);
  EXPECT_TRUE(Contains(Refusal(file), "too large")) << Refusal(file);
  SetIspe(file, ispe, 8192, 65536);
  EXPECT_TRUE(Contains(Refusal(file), "too short")) << Refusal(file);
}

TEST(HeifLayout, TilesCodeTheSizeTheirIspeDeclares) {
  // The tile codes 64 x 64. A grid whose canvas and ispe sizes all agree on 16384 x 16384
  // (in a file long enough for that many pixels) still has one such tile.
  File grid = Grid(16384, 16384, 16384, 16384, 16384, 16384);
  AppendFreeBox(grid, 4096);
  EXPECT_TRUE(Contains(Refusal(grid), "codes 64x64 pixels for 16384x16384")) << Refusal(grid);
  // The ispe may cut up to one block of 64 off the coded picture, no more and no less.
  EXPECT_TRUE(Contains(Refusal(Grid(48, 32, 48, 32, 65, 64)), "codes 64x64"));
  EXPECT_TRUE(Contains(Refusal(Grid(48, 32, 48, 32, 64, 65)), "codes 64x64"));
  for (const std::uint32_t side : {1u, 17u, 64u}) {
    const File file = Grid(side, side, side, side, side, side);
    EXPECT_EQ(Refusal(file), "") << side;
    WorkBitmap bitmap;
    ASSERT_EQ(Decode(file, bitmap), "") << side;
    EXPECT_EQ(bitmap.Width(), static_cast<int>(side));
  }
}

TEST(HeifLayout, AlphaCountsAndCropsStayInside) {
  // libheif decodes the alpha image too: its size counts as much as the primary's.
  const File alpha = SmallAvif(true);
  const auto boxes = test::FindBoxes(alpha, "ispe");
  ASSERT_EQ(boxes.size(), 2u);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    File huge = alpha;
    SetIspe(huge, i, 20000, 20000);
    EXPECT_TRUE(Contains(Refusal(huge), "too short")) << i << ": " << Refusal(huge);
  }

  struct Crop {
    int width, height, dx, dy;
    bool inside;
  };
  // The picture is 64 x 48; the crop's centre lies (dx, dy) from the picture's.
  for (const Crop c :
       {Crop{64, 48, 0, 0, true}, Crop{65, 48, 0, 0, false}, Crop{32, 24, -16, -12, true},
        Crop{32, 24, 16, 12, true}, Crop{32, 24, -18, 0, false}, Crop{32, 24, 0, 14, false}}) {
    const File file = test::AddCleanAperture(SmallAvif(), c.width, c.height, c.dx, c.dy);
    EXPECT_EQ(Refusal(file).empty(), c.inside)
        << c.width << "x" << c.height << " at " << c.dx << "," << c.dy << ": " << Refusal(file);
  }
}

TEST(HeifLayout, DecodedPictureMustHaveTheApprovedSize) {
  // The AV1 data codes 64 x 48; an ispe of 64 x 40 approves less than that. (libheif
  // itself refuses coded sides beyond the longest approved one.)
  File file = SmallAvif();
  SetIspe(file, IspeOf(file, 64, 48), 64, 40);
  ASSERT_EQ(Refusal(file), "");
  WorkBitmap bitmap;
  EXPECT_TRUE(Contains(Decode(file, bitmap), "instead of 64x40")) << Decode(file, bitmap);
  EXPECT_TRUE(bitmap.Empty());
}

// ---- Structures beyond one picture --------------------------------------------------------

// The colour at (x, y), blue-green-red, within the lossy coders' reach of `want`.
::testing::AssertionResult Near(const WorkBitmap& bitmap, int x, int y, std::array<int, 3> want) {
  const std::uint8_t* got = bitmap.Row(y) + 3 * x;
  for (int c = 0; c < 3; ++c) {
    if (std::abs(got[c] - want[c]) > 14) {
      return ::testing::AssertionFailure()
             << "(" << x << "," << y << ") is " << int(got[0]) << "," << int(got[1]) << ","
             << int(got[2]) << ", expected about " << want[0] << "," << want[1] << "," << want[2];
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr std::array<int, 3> kRed = {0, 0, 255}, kGreen = {0, 255, 0}, kBlue = {255, 0, 0},
                             kWhite = {255, 255, 255};

TEST(HeifStructures, ThePrimaryImageAmongThumbnailsAndOtherImages) {
  for (bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    HeifOptions options;
    options.av1 = av1;
    options.thumbnail = 16;
    options.moreImages = 2;  // upside down: blue and white at the top
    const File file = EncodeHeif(Quadrants(64, 48), options);
    ASSERT_EQ(Refusal(file), "");
    WorkBitmap bitmap;
    ASSERT_EQ(Decode(file, bitmap), "");
    ASSERT_EQ(bitmap.Width(), 64);
    ASSERT_EQ(bitmap.Height(), 48);
    EXPECT_TRUE(Near(bitmap, 16, 12, kRed));
    EXPECT_TRUE(Near(bitmap, 48, 12, kGreen));
    EXPECT_TRUE(Near(bitmap, 16, 36, kBlue));
    EXPECT_TRUE(Near(bitmap, 48, 36, kWhite));
  }
}

TEST(HeifStructures, GreyPicturesComeOutGrey) {
  // White on the left, black on the right.
  HeifPicture picture = Quadrants(32, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      for (int c = 0; c < 3; ++c) picture.samples[(y * 32 + x) * 3 + c] = x < 16 ? 255 : 0;
    }
  }
  for (bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    HeifOptions options;
    options.av1 = av1;
    options.monochrome = true;
    File file;
    try {
      file = EncodeHeif(picture, options);
    } catch (const std::runtime_error& e) {
      GTEST_SKIP() << "encoder writes no grey pictures: " << e.what();
    }
    WorkBitmap bitmap;
    ASSERT_EQ(Decode(file, bitmap), "");
    EXPECT_TRUE(Near(bitmap, 4, 8, kWhite));
    EXPECT_TRUE(Near(bitmap, 28, 8, {0, 0, 0}));
    const std::uint8_t* p = bitmap.Row(8) + 3 * 4;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
  }
}

TEST(HeifStructures, GridCanvasCutsItsTileShort) {
  // The tile is 64 x 64 and shows the 48 x 32 quadrants; a 40 x 20 canvas keeps red,
  // green and the top of blue.
  const File file = Grid(40, 20, 40, 20);
  WorkBitmap bitmap;
  ASSERT_EQ(Decode(file, bitmap), "");
  ASSERT_EQ(bitmap.Width(), 40);
  ASSERT_EQ(bitmap.Height(), 20);
  EXPECT_TRUE(Near(bitmap, 10, 8, kRed));
  EXPECT_TRUE(Near(bitmap, 36, 8, kGreen));
  EXPECT_TRUE(Near(bitmap, 10, 19, kBlue));
}

TEST(HeifStructures, DecoderThreadsChangeNoPixel) {
  const File& file = SmallHeic();
  WorkBitmap alone, threaded;
  SourceInfo info;
  DecodeHeif(file.data(), file.size(), alone, info, LoadRequest{0});
  DecodeHeif(file.data(), file.size(), threaded, info, LoadRequest{4});
  ASSERT_EQ(alone.ByteCount(), threaded.ByteCount());
  for (int y = 0; y < alone.Height(); ++y)
    ASSERT_EQ(std::memcmp(alone.Row(y), threaded.Row(y), alone.Stride()), 0) << y;
}

TEST(HeifStructures, CropsAtOddOffsets) {
  // 33 x 25 whose centre lies 7 left of and 5 below the centre (31.5, 23.5) of 64 x 48:
  // columns 8 to 40, rows 17 to 41; the quadrants meet at column 32 and row 24.
  const File file = test::AddCleanAperture(SmallAvif(), 33, 25, -7, 5);
  ASSERT_EQ(Refusal(file), "");
  WorkBitmap bitmap;
  ASSERT_EQ(Decode(file, bitmap), "");
  ASSERT_EQ(bitmap.Width(), 33);
  ASSERT_EQ(bitmap.Height(), 25);
  EXPECT_TRUE(Near(bitmap, 2, 2, kRed));
  EXPECT_TRUE(Near(bitmap, 30, 2, kGreen));
  EXPECT_TRUE(Near(bitmap, 2, 20, kBlue));
  EXPECT_TRUE(Near(bitmap, 30, 20, kWhite));
}

// ---- Structures libheif's encoder never writes ---------------------------------------------

using test::BuildHeif;
using test::BuiltItem;
using test::ClapBox;
using test::CodedItem;
using test::IspeBox;
using test::MakeBox;

// The decoder's picture is libheif's own decode of the file, pixel for pixel; a file libheif
// refuses is refused with libheif's reason.
::testing::AssertionResult DecodesAsLibheif(const File& file,
                                            const char* libheifRefusal = nullptr) {
  const test::ReferencePicture reference = test::LibheifDecode(file);
  WorkBitmap bitmap;
  const std::string refusal = Decode(file, bitmap);
  if (libheifRefusal != nullptr) {
    if (reference.error.find(libheifRefusal) == std::string::npos)
      return ::testing::AssertionFailure() << "libheif: " << reference.error;
    if (refusal.find(libheifRefusal) == std::string::npos)
      return ::testing::AssertionFailure() << "refused: " << refusal;
    return ::testing::AssertionSuccess();
  }
  if (!reference.error.empty())
    return ::testing::AssertionFailure() << "libheif refuses: " << reference.error;
  if (!refusal.empty()) return ::testing::AssertionFailure() << "refused: " << refusal;
  if (bitmap.Width() != reference.width || bitmap.Height() != reference.height)
    return ::testing::AssertionFailure() << bitmap.Width() << "x" << bitmap.Height() << " for "
                                         << reference.width << "x" << reference.height;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint8_t* got = bitmap.Row(y) + 3 * x;
      const std::uint8_t* want =
          &reference.rgb[(static_cast<std::size_t>(y) * bitmap.Width() + x) * 3];
      if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0])
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") differs";
    }
  }
  return ::testing::AssertionSuccess() << bitmap.Width() << "x" << bitmap.Height();
}

test::CodedPicture Coded(int width, int height, bool av1) {
  HeifOptions options;
  options.av1 = av1;
  return test::TakeCodedPicture(EncodeHeif(Quadrants(width, height), options));
}

BuiltItem Derived(std::uint32_t id, const char* type, std::vector<test::Bytes> properties,
                  std::vector<std::uint32_t> inputs, test::Bytes data = {}) {
  BuiltItem item;
  item.id = id;
  item.type = type;
  item.properties = std::move(properties);
  item.inputs = std::move(inputs);
  item.data = std::move(data);
  return item;
}

TEST(HeifDerivations, EachReducesAsLibheifDecodesIt) {
  for (const bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    const test::CodedPicture large = Coded(256, 192, av1), small = Coded(128, 96, av1);
    BuiltItem base = CodedItem(1, large);
    base.hidden = true;

    // An identity item cropping the larger coded picture to 40 x 30 around its centre.
    EXPECT_TRUE(DecodesAsLibheif(BuildHeif(
        2, {base, Derived(2, "iden", {IspeBox(256, 192), ClapBox(40, 30, -4, 2)}, {1})}, av1)));
    // An identity item turned a quarter.
    const test::Bytes irot = MakeBox("irot", {1});
    EXPECT_TRUE(DecodesAsLibheif(
        BuildHeif(2, {base, Derived(2, "iden", {IspeBox(256, 192), irot}, {1})}, av1)));

    // An overlay of a 40 x 30 canvas whose inputs are larger than it and partly outside.
    EXPECT_TRUE(DecodesAsLibheif(
        BuildHeif(2,
                  {base, Derived(2, "iovl", {IspeBox(40, 30)}, {1, 1},
                                 test::OverlayData(40, 30, {{-12, -9}, {20, 10}}))},
                  av1)));

    // A layered item: a layer selector (and for AV1 the layer sizes) beside its data.
    BuiltItem layered = CodedItem(1, large);
    layered.properties.push_back(MakeBox("lsel", {0, 0}));
    if (av1) layered.properties.push_back(MakeBox("a1lx", {0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(DecodesAsLibheif(BuildHeif(1, {layered}, av1)));

    // A thumbnail larger than its primary.
    BuiltItem thumbnail = CodedItem(2, large);
    thumbnail.thumbnailOf = 1;
    EXPECT_TRUE(DecodesAsLibheif(BuildHeif(1, {CodedItem(1, small), thumbnail}, av1)));

    // A type nothing here knows is libheif's to decode or refuse, with its own reason.
    const File unknown = BuildHeif(2, {base, Derived(2, "xyzw", {IspeBox(256, 192)}, {1})}, av1);
    EXPECT_EQ(Refusal(unknown), "");
    EXPECT_TRUE(DecodesAsLibheif(unknown, "non-existing image"));
  }
}

TEST(HeifDerivations, EveryImageTheDecodeTouchesIsBounded) {
  const test::CodedPicture picture = Coded(64, 48, true);
  BuiltItem base = CodedItem(1, picture);
  base.hidden = true;
  const BuiltItem iden = Derived(2, "iden", {IspeBox(64, 48)}, {1});
  ASSERT_EQ(Refusal(BuildHeif(2, {base, iden}, true)), "");

  // The input behind the identity declares a picture its data cannot hold.
  BuiltItem huge = base;
  huge.properties[0] = IspeBox(20000, 20000);
  EXPECT_TRUE(Contains(Refusal(BuildHeif(2, {huge, iden}, true)), "too short"));
  // An alpha image of that input: libheif decodes it beside the input.
  BuiltItem alpha = CodedItem(3, picture);
  alpha.properties[0] = IspeBox(20000, 20000);
  alpha.auxiliaryOf = 1;
  const std::string urn = "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha";
  test::Bytes auxC = {0, 0, 0, 0};
  auxC.insert(auxC.end(), urn.begin(), urn.end());
  auxC.push_back(0);
  alpha.properties.push_back(MakeBox("auxC", auxC));
  EXPECT_TRUE(Contains(Refusal(BuildHeif(2, {base, iden, alpha}, true)), "too short"));
  // An identity of itself, or a chain deeper than any real file, ends.
  EXPECT_TRUE(
      Contains(Refusal(BuildHeif(2, {base, Derived(2, "iden", {IspeBox(64, 48)}, {2})}, true)),
               "nested too deep"));
}

// The bombs are refused in a child process held to 300 MB of address space and a second
// of processor time, whatever libheif would have done with them.
TEST(HeifDerivations, BombsAreRefusedQuicklyInLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the bound";
#else
  const std::vector<File> bombs = {Grid(32767, 32767, 32767, 256), Grid(16384, 16384, 16384, 256),
                                   Grid(16384, 16384, 16384, 16384),
                                   Grid(16384, 16384, 16384, 16384, 16384, 16384)};
  for (std::size_t i = 0; i < bombs.size(); ++i) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit memory = {300u << 20, 300u << 20};
      const rlimit cpu = {1, 1};
      setrlimit(RLIMIT_AS, &memory);
      setrlimit(RLIMIT_CPU, &cpu);
      WorkBitmap bitmap;
      _exit(Decode(bombs[i], bitmap).empty() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "bomb " << i << ": " << status;
  }
#endif
}

}  // namespace
}  // namespace brevine
