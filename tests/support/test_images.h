#pragma once
// Synthetic images with known answers, and comparisons that print where they differ.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "work_bitmap.h"

namespace brevine::test {

WorkBitmap MakeSolid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r);
// Blue rises left to right, green top to bottom, red along the diagonal.
WorkBitmap MakeGradient(int width, int height);
// Squares of `cell` pixels alternating between two colours (given as 0xRRGGBB).
WorkBitmap MakeChecker(int width, int height, int cell, std::uint32_t rgb1, std::uint32_t rgb2);
// Deterministic noise (seeded), every byte 0..255.
WorkBitmap MakeNoise(int width, int height, std::uint32_t seed);
// Photo-like content: smooth shading with edges and some noise.
WorkBitmap MakePhotoLike(int width, int height, std::uint32_t seed = 1);

// Equal size and bytes; on failure names the first differing pixels.
::testing::AssertionResult SameBitmap(const WorkBitmap& expected, const WorkBitmap& actual);

// A 24-bit bottom-up BMP file of the bitmap, as bytes.
std::vector<std::uint8_t> EncodeBmp24(const WorkBitmap& bitmap);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }  // no trailing slash
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace brevine::test
