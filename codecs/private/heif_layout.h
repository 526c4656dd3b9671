#pragma once
// What a HEIF file declares about the pictures libheif builds for its primary image, read
// from the boxes before anything is decoded. libheif 1.15 lets no caller see a grid's own
// canvas size or its tiles, and allocates that canvas before it decodes a tile, so the boxes
// are read here, every size is held against the others and against the bounds, and the
// file is refused (DecodeError, with the reason) before libheif allocates a pixel.

#include <cstddef>
#include <cstdint>

namespace brevine {

struct HeifLayout {
  std::uint32_t primary = 0;  // the primary item's id
  // The primary's coded size (ispe); the displayed size lies within it.
  std::int64_t width = 0;
  std::int64_t height = 0;
  // Pixels of every picture libheif allocates for the primary and its alpha: canvases,
  // one tile of each grid, overlay inputs.
  std::int64_t pixels = 0;
  std::int64_t longestSide = 0;  // of any of them, and of any coded picture
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

// Reads the boxes; the sizes must agree: a grid's canvas (from the grid's data) and an
// overlay's canvas equal the item's ispe (a grid's may be turned by a quarter), a grid's
// tiles share one ispe and their rows and columns cover the canvas with no row or column
// wholly outside it, a coded HEVC picture has its ispe's size, a crop (clap) lies within its
// picture, every picture holds at most maxPixels, and beyond kProportionCheckPixels the
// coded data is long enough for what the file announces.
HeifLayout ReadHeifLayout(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels);

}  // namespace brevine
