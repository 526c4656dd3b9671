// LoadPngImage against a plain libpng read of the same file (png_init_io, png_read_info,
// png_read_row into a buffer), both measured in this run. The files are PNG copies of the
// photos of Debian's mate-backgrounds when they are installed, otherwise a generated
// photo-like picture; each is written once with libpng's default settings.
//
// Usage: bench_png [ROUNDS]   (default 7; the best round of each side counts)

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs.h"
#include "libjpeg_reference.h"

namespace fs = std::filesystem;

namespace {

struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // red, green, blue
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A photo's stand-in: smooth shading, edges and sensor-like noise.
Rgb PhotoLike(int width, int height) {
  Rgb image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 4.0);
  std::uint8_t* p = image.pixels.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double shade = 0.5 + 0.5 * std::sin(x / 97.0) * std::cos(y / 131.0);
      const bool edge = ((x / 180) + (y / 140)) % 3 == 0;
      const double base[3] = {60 + 150 * shade, 90 + 110 * (1 - shade), edge ? 200.0 : 70.0};
      for (double b : base) {
        *p++ = static_cast<std::uint8_t>(std::clamp(b + noise(random), 0.0, 255.0));
      }
    }
  }
  return image;
}

bool ReadJpeg(const fs::path& path, Rgb& image) {
  try {
    const auto decoded =
        brevine::test::DecodeWithLibjpeg(brevine::ReadWholeFile(path.string()), JCS_RGB);
    image.width = decoded.width;
    image.height = decoded.height;
    image.pixels.assign(decoded.Samples().begin(), decoded.Samples().end());
    return true;
  } catch (const std::exception&) {
    return false;  // that photo is left out
  }
}

bool WritePng(const fs::path& path, const Rgb& image) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels.data() + std::size_t(y) * image.width * 3);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The reference: what any program does to read a PNG with libpng.
bool PlainLibpngRead(const fs::path& path, std::vector<std::uint8_t>& pixels) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  pixels.resize(rowBytes * height);
  for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels.data() + rowBytes * y, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

template <typename F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path folder = fs::temp_directory_path() / ("bench_png." + std::to_string(::getpid()));
  fs::create_directories(folder);
  struct Cleanup {
    fs::path path;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } cleanup{folder};

  std::vector<fs::path> files;
  const fs::path photos = "/usr/share/backgrounds/mate";
  std::error_code error;
  if (fs::is_directory(photos, error)) {
    std::vector<fs::path> jpegs;
    for (const auto& entry : fs::recursive_directory_iterator(photos, error)) {
      if (entry.path().extension() == ".jpg") jpegs.push_back(entry.path());
    }
    std::sort(jpegs.begin(), jpegs.end());
    if (jpegs.size() > 4) jpegs.resize(4);
    for (const auto& jpeg : jpegs) {
      Rgb image;
      const fs::path png = folder / (jpeg.stem().string() + ".png");
      if (ReadJpeg(jpeg, image) && WritePng(png, image)) files.push_back(png);
    }
  }
  if (files.empty()) {
    std::printf("no photos under %s: using a generated 3000 x 2000 photo-like picture\n",
                photos.c_str());
    const fs::path png = folder / "photo-like.png";
    if (!WritePng(png, PhotoLike(3000, 2000))) {
      std::fprintf(stderr, "cannot write %s\n", png.c_str());
      return 1;
    }
    files.push_back(png);
  }

  std::printf("%-28s %10s %10s %8s\n", "file", "libpng ms", "ours ms", "ratio");
  double sumRatio = 0;
  for (const auto& file : files) {
    std::vector<std::uint8_t> reference;
    brevine::WorkBitmap bitmap;
    double best[2] = {1e9, 1e9};
    for (int r = 0; r < rounds; ++r) {
      // Alternate the order so that neither side always runs on a warm cache.
      for (int side : {r % 2, 1 - r % 2}) {
        const double s = side == 0 ? Seconds([&] {
          if (!PlainLibpngRead(file, reference)) std::exit(1);
        })
                                   : Seconds([&] { brevine::LoadPngImage(file.string(), bitmap); });
        best[side] = std::min(best[side], s);
      }
    }
    const double ratio = best[1] / best[0];
    sumRatio += ratio;
    std::printf("%-28s %10.1f %10.1f %8.3f\n", file.filename().c_str(), best[0] * 1e3,
                best[1] * 1e3, ratio);
  }
  std::printf("LoadPngImage / plain libpng read: %.3f (target at most 1.15)\n",
              sumRatio / files.size());
  return 0;
}
