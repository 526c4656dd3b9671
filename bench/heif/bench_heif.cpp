// LoadHeifImage against libheif's own plain decode of the same file (read the file,
// heif_decode_image of the primary image to interleaved RGB), both measured in this run.
// The files are HEIC and AVIF copies of the photos of Debian's mate-backgrounds, made once
// per run with heif-enc (package libheif-examples; bench/run installs both).
//
// Usage: bench_heif [ROUNDS]   (default 5; the best round of each side counts, for wall time
// and for the process's CPU time alike)

#include <libheif/heif.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs.h"

namespace fs = std::filesystem;

namespace {

// The reference: what any program does to read a HEIF file with libheif.
bool PlainLibheifDecode(const fs::path& path) {
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  bool ok =
      heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
      heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
              .code == heif_error_Ok;
  if (ok) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    // Read a byte, so that nothing of the decode can be left out.
    [[maybe_unused]] static volatile std::uint8_t sink;
    sink = plane ? plane[0] : 0;
  }
  if (image) heif_image_release(image);
  if (handle) heif_image_handle_release(handle);
  heif_context_free(context);
  return ok;
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Times {
  double wall;
  double cpu;  // all threads of the process: the steadier figure on a shared machine
};

template <typename F>
Times Measure(F&& f) {
  const double cpu = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  f();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          ProcessCpuSeconds() - cpu};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (std::system("command -v heif-enc > /dev/null") != 0) {
    std::printf("heif-enc not found: bash scripts/install-deps libheif-examples\n");
    return 0;
  }
  const fs::path folder = fs::temp_directory_path() / ("bench_heif." + std::to_string(::getpid()));
  fs::create_directories(folder);
  struct Cleanup {
    fs::path path;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } cleanup{folder};

  // The first three photos of at most 9 megapixels (by name): the AV1 encoder takes
  // minutes on the largest.
  std::vector<fs::path> jpegs;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator("/usr/share/backgrounds/mate", error)) {
    if (entry.path().extension() == ".jpg") jpegs.push_back(entry.path());
  }
  std::sort(jpegs.begin(), jpegs.end());
  std::vector<fs::path> files;
  int taken = 0;
  for (const auto& jpeg : jpegs) {
    if (taken == 3) break;
    if (jpeg.stem().string().find("5640") != std::string::npos) continue;
    ++taken;
    for (const char* extension : {".heic", ".avif"}) {
      const fs::path out = folder / (jpeg.stem().string() + extension);
      const std::string command =
          "heif-enc -q 50 " + std::string(extension == std::string(".avif") ? "-p speed=9 " : "") +
          "-o '" + out.string() + "' '" + jpeg.string() + "' > /dev/null";
      if (std::system(command.c_str()) == 0 && fs::exists(out)) files.push_back(out);
    }
  }
  if (files.empty()) {
    std::printf(
        "no photos under /usr/share/backgrounds/mate: bash scripts/install-deps "
        "mate-backgrounds\n");
    return 0;
  }

  std::printf("%-32s %11s %11s %8s %8s\n", "file", "libheif ms", "ours ms", "wall", "cpu");
  double sumWall = 0;
  double sumCpu = 0;
  for (const auto& file : files) {
    brevine::WorkBitmap bitmap;
    brevine::SourceInfo info;
    Times best[2] = {{1e9, 1e9}, {1e9, 1e9}};
    for (int r = 0; r < rounds; ++r) {
      // Alternate the order so that neither side always runs on a warm cache.
      for (int side : {r % 2, 1 - r % 2}) {
        const Times t = side == 0
                            ? Measure([&] {
                                if (!PlainLibheifDecode(file)) std::exit(1);
                              })
                            : Measure([&] { brevine::LoadHeifImage(file.string(), bitmap, info); });
        best[side].wall = std::min(best[side].wall, t.wall);
        best[side].cpu = std::min(best[side].cpu, t.cpu);
      }
    }
    const double wall = best[1].wall / best[0].wall;
    const double cpu = best[1].cpu / best[0].cpu;
    sumWall += wall;
    sumCpu += cpu;
    std::printf("%-32s %11.1f %11.1f %8.3f %8.3f\n", file.filename().c_str(), best[0].wall * 1e3,
                best[1].wall * 1e3, wall, cpu);
  }
  std::printf("LoadHeifImage / plain libheif decode: wall %.3f, cpu %.3f (target at most 1.10)\n",
              sumWall / files.size(), sumCpu / files.size());
  return 0;
}
