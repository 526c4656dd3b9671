#pragma once
// HEIF and AVIF files made in code with libheif's own encoders (x265, libaom), for the
// decoder's tests, the end-to-end tests, the fuzz seeds and the benchmark.

#include <cstdint>
#include <string>
#include <vector>

namespace brevine::test {

struct HeifPicture {
  int width = 0;
  int height = 0;
  int depth = 8;       // bits per sample: 8, 10 or 12
  bool alpha = false;  // samples carry a fourth channel
  // Red, green, blue (and alpha) of each pixel, rows from the top, at `depth` bits.
  std::vector<std::uint16_t> samples;
};

struct HeifOptions {
  bool av1 = false;  // AVIF through libaom instead of HEIC through x265
  int quality = 90;
  int orientation = 1;             // EXIF-style 1..8, written as irot/imir boxes
  std::vector<std::uint8_t> icc;   // stored as a colr box of type prof
  int nclxPrimaries = 0;           // nonzero: an nclx colr box with these primaries
  int nclxTransfer = 13;           // and this transfer (13: the sRGB curve)
  std::vector<std::uint8_t> exif;  // an Exif item; must hold a TIFF header
  bool monochrome = false;         // one grey channel: the mean of red, green and blue
  int thumbnail = 0;               // nonzero: a thumbnail item fitting this square
  int moreImages = 0;              // further top-level images after the primary, each
                                   // the picture upside down
};

// Raises std::runtime_error with libheif's message when the encoder refuses.
std::vector<std::uint8_t> EncodeHeif(const HeifPicture& picture, const HeifOptions& options = {});

// Four flat quadrants, red top left, green top right, blue bottom left, white bottom right:
// any turn or mirror moves a colour to another corner.
HeifPicture Quadrants(int width, int height, int depth = 8, bool alpha = false);

// The file with a clean-aperture (crop) box added to its primary item: width x height
// pixels whose centre lies (dx, dy) from the picture's centre. libheif's encoder writes no
// such box of its own. Expects one coded item (AVIF, or HEIC without a grid).
std::vector<std::uint8_t> AddCleanAperture(const std::vector<std::uint8_t>& file, int width,
                                           int height, int dx, int dy);

// The primary's grid description (in idat, 16-bit fields) with another canvas size; the
// ispe boxes stay as they are.
void SetGridCanvas(std::vector<std::uint8_t>& file, int width, int height);
// The ispe box at `index` (file order, see FindBoxes) with another size.
void SetIspe(std::vector<std::uint8_t>& file, std::size_t index, std::uint32_t width,
             std::uint32_t height);
// A HEIC whose grid is one 64 x 64 tile showing the 48 x 32 quadrants, with the grid's
// canvas (its data), the grid's ispe and the tile's ispe rewritten as given: files that
// announce more than their data holds, or a canvas that cuts its tile short.
std::vector<std::uint8_t> RewrittenGrid(std::uint32_t canvasWidth, std::uint32_t canvasHeight,
                                        std::uint32_t width, std::uint32_t height,
                                        std::uint32_t tileWidth = 64,
                                        std::uint32_t tileHeight = 64);
// A free box of `bytes` bytes in all at the end of the file, which readers pass over.
void AppendFreeBox(std::vector<std::uint8_t>& file, std::size_t bytes);

// Offsets of every box of `type` in the file's box tree (boxes that hold other boxes are
// entered), in file order.
std::vector<std::size_t> FindBoxes(const std::vector<std::uint8_t>& file, const char* type);

}  // namespace brevine::test
