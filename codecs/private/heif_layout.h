#pragma once
// What a HEIF file declares about the pictures libheif builds for its primary image, read
// from the boxes before anything is decoded. libheif 1.15 bounds every side by the limit it
// is given, but lets no caller see a grid's own canvas or its tiles, allocates that canvas
// before it decodes a tile, and trusts a few bytes of data to fill any size. So the boxes of
// every image the primary's decode touches (derived inputs, tiles, alpha images, the coded
// frames of their data) are read here, and a file that announces more than it can hold is
// refused (DecodeError, with the reason) before libheif allocates a pixel. Types and
// properties not known here are left to libheif.

#include <cstddef>
#include <cstdint>

namespace brevine {

struct HeifLayout {
  std::uint32_t primary = 0;  // the primary item's id
  // The primary's declared size (ispe), 0 x 0 without one.
  std::int64_t width = 0;
  std::int64_t height = 0;
  // Pixels of every picture libheif allocates for the primary and its alpha: canvases,
  // one tile of each grid, overlay and identity inputs, coded frames larger than their ispe.
  std::int64_t pixels = 0;
};

// Above kProportionCheckPixels (summed over every picture decoded) the coded data of the
// pictures, each stretch counted once, must hold at least one byte per kMostPixelsPerByte
// pixels. No codec bound exists as it does for
// deflate, so the ratio is measured: a single flat colour, the most compressible picture
// there is, encodes at 8192 x 4096 to about 4,200 pixels a byte with x265 and 52,000 with
// libaom, over its own area. 2^18 lets that through with room to spare; a photo needs
// thousands of times more bytes. The largest bitmap, 2^29 pixels, needs 2 KiB of it.
inline constexpr std::int64_t kProportionCheckPixels = std::int64_t{1} << 24;
inline constexpr std::int64_t kMostPixelsPerByte = std::int64_t{1} << 18;

// Reads the boxes; the sizes must agree where libheif's decode would otherwise allocate
// more than its handle announces: a grid's canvas (from the grid's data) and an overlay's
// canvas equal the item's ispe when it has one (a grid's may be turned by a quarter), a
// grid's tiles share one ispe and their rows and columns cover the canvas with no row or
// column wholly outside it, a coded HEVC picture has its ispe's size, a crop (clap) lies
// within its picture, every picture (an AV1 stream's largest frame included) holds at most
// maxPixels, and beyond kProportionCheckPixels the coded data is long enough for what the
// file announces.
HeifLayout ReadHeifLayout(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels);

}  // namespace brevine
