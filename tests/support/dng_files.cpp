#include "dng_files.h"

#include <tiffio.h>

namespace brevine::test {

namespace {

// The tags of a directory of 8-bit colour pixels, in strips.
void SetColourLayout(TIFF* tif, int width, int height, int compression, int photometric,
                     int rowsPerStrip) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
}

}  // namespace

bool WriteDng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& previewJpeg, int previewWidth, int previewHeight,
              int orientation) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return false;
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // CFA
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
  TIFFSetField(tif, TIFFTAG_MAKE, "Testmaker");
  TIFFSetField(tif, TIFFTAG_MODEL, "Mosaic One");
  TIFFSetField(tif, TIFFTAG_DATETIME, "2024:03:04 05:06:07");
  const std::uint16_t dims[2] = {2, 2};
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  const std::uint8_t pattern[4] = {0, 1, 1, 2};
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  const std::uint8_t version[4] = {1, 4, 0, 0};
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Testmaker Mosaic One");
  const float matrix[9] = {0.8f, -0.2f, -0.1f, -0.3f, 1.2f, 0.1f, -0.05f, 0.2f, 0.6f};
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
  const float neutral[3] = {0.5f, 1.0f, 0.7f};
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  const std::uint32_t white = 4095;
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, &white);
  std::vector<std::uint16_t> row(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int channel = (y % 2) * 2 + (x % 2);  // R G / G B
      const int r = 400 + 3000 * x / width, g = 300 + 2500 * y / height,
                b = 3500 - 3000 * (x + y) / (width + height);
      row[static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(channel == 0   ? r
                                                                    : channel == 3 ? b
                                                                                   : g);
    }
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) != 1) {
      TIFFClose(tif);
      return false;
    }
  }
  bool written = TIFFWriteDirectory(tif) != 0;
  if (written && !previewJpeg.empty()) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    SetColourLayout(tif, previewWidth, previewHeight, COMPRESSION_JPEG, PHOTOMETRIC_YCBCR,
                    previewHeight);
    // A whole JPEG file as the one strip, as cameras store their previews.
    written = TIFFWriteRawStrip(tif, 0, const_cast<std::uint8_t*>(previewJpeg.data()),
                                static_cast<tmsize_t>(previewJpeg.size())) > 0;
  }
  TIFFClose(tif);
  return written;
}

bool WriteRgbTiff(const std::string& path, int width, int height) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return false;
  SetColourLayout(tif, width, height, COMPRESSION_LZW, PHOTOMETRIC_RGB, 8);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  bool written = true;
  for (int y = 0; y < height && written; ++y) {
    for (int x = 0; x < width; ++x) {
      row[3 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(255 * x / width);
      row[3 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(255 * y / height);
      row[3 * static_cast<std::size_t>(x) + 2] = static_cast<std::uint8_t>((x * y) % 256);
    }
    written = TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
  }
  TIFFClose(tif);
  return written;
}

}  // namespace brevine::test
