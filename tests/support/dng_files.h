#pragma once
// DNGs written with libtiff, as LibRaw's own programs read them: a Bayer mosaic and a
// camera's JPEG preview; and a plain TIFF.

#include <cstdint>
#include <string>
#include <vector>

namespace brevine::test {

// A DNG of a width x height RGGB mosaic (12 bits in 16-bit samples) of a smooth scene,
// made by "Testmaker" "Mosaic One" on 2024:03:04 05:06:07, with the TIFF orientation given;
// when `previewJpeg` is not empty, that JPEG file (previewWidth x previewHeight) is the
// preview, as the one strip of the next directory. False when libtiff fails.
bool WriteDng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& previewJpeg = {}, int previewWidth = 0,
              int previewHeight = 0, int orientation = 1);

// An LZW-coded RGB TIFF of a width x height gradient, in strips. False when libtiff fails.
bool WriteRgbTiff(const std::string& path, int width, int height);

}  // namespace brevine::test
