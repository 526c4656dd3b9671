// LoadWebpImage against libwebp's own WebPDecodeRGB of the same file read into memory. The
// files are made here with cwebp from the photos of Debian's mate-backgrounds package:
// lossy from the JPEG photos, lossless from the PNG pictures.
// Usage: bench_webp [photo.webp ...]; cwebp comes from the webp package (bench/run
// installs it).

#include <unistd.h>
#include <webp/decode.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs.h"
#include "path_text.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kLossyPhotos = 8;
constexpr int kLosslessPictures = 3;

std::vector<unsigned char> ReadFileStdio(const std::string& path) {
  std::vector<unsigned char> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  std::fseek(f, 0, SEEK_END);
  bytes.resize(static_cast<std::size_t>(std::ftell(f)));
  std::fseek(f, 0, SEEK_SET);
  if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
  std::fclose(f);
  return bytes;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Converts the photos into `folder` with cwebp; returns the files made.
std::vector<std::string> MakeFiles(const fs::path& folder) {
  std::vector<std::string> jpegs, pngs;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator("/usr/share/backgrounds/mate", ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string ext = brevine::platform::LowerExtension(it->path().string());
    if (ext == ".jpg" || ext == ".jpeg") jpegs.push_back(it->path().string());
    if (ext == ".png") pngs.push_back(it->path().string());
  }
  std::sort(jpegs.begin(), jpegs.end());
  std::sort(pngs.begin(), pngs.end());
  if (jpegs.size() > kLossyPhotos) jpegs.resize(kLossyPhotos);
  if (pngs.size() > kLosslessPictures) pngs.resize(kLosslessPictures);

  std::vector<std::string> made;
  auto convert = [&](const std::string& source, const char* options, const char* suffix) {
    const std::string out =
        (folder / (fs::path(source).stem().string() + suffix + ".webp")).string();
    const std::string command =
        "cwebp -quiet " + std::string(options) + " '" + source + "' -o '" + out + "'";
    if (std::system(command.c_str()) == 0) made.push_back(out);
  };
  for (const auto& j : jpegs) convert(j, "-q 85", "-lossy");
  for (const auto& p : pngs) convert(p, "-lossless -z 1", "-lossless");
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files(argv + 1, argv + argc);
  const fs::path folder =
      fs::temp_directory_path() / ("brevine-bench-webp-" + std::to_string(::getpid()));
  if (files.empty()) {
    if (std::system("command -v cwebp >/dev/null 2>&1") != 0) {
      std::printf("bench_webp: cwebp not found (bash scripts/install-deps webp); skipped\n");
      return 0;
    }
    fs::create_directories(folder);
    files = MakeFiles(folder);
  }
  if (files.empty()) {
    std::printf("bench_webp: no photos (install mate-backgrounds or pass WebP paths); skipped\n");
    return 0;
  }

  constexpr int kMinRounds = 5;
  constexpr int kMaxRounds = 30;
  constexpr double kBudget = 3.0;
  double totalOurs = 0, totalReference = 0, logRatios = 0;
  int measured = 0;
  std::printf("%-40s %10s %10s %10s %7s\n", "file", "pixels", "Load ms", "libwebp ms", "ratio");
  for (const std::string& path : files) {
    std::vector<double> ours, reference;
    long long pixels = 0;
    bool ok = true;
    double spent = 0;
    for (int round = 0; ok && round < kMaxRounds && (round < kMinRounds || spent < kBudget);
         ++round) {
      auto start = Clock::now();
      {
        const std::vector<unsigned char> file = ReadFileStdio(path);
        int w = 0, h = 0;
        std::uint8_t* rgb = WebPDecodeRGB(file.data(), file.size(), &w, &h);
        ok = rgb != nullptr;
        WebPFree(rgb);
      }
      reference.push_back(Seconds(Clock::now() - start));
      start = Clock::now();
      {
        brevine::WorkBitmap fresh;
        brevine::SourceInfo info;
        try {
          brevine::LoadWebpImage(path, fresh, info);
        } catch (const std::exception& e) {
          std::printf("%s: %s\n", path.c_str(), e.what());
          ok = false;
        }
        pixels = static_cast<long long>(fresh.Width()) * fresh.Height();
      }
      ours.push_back(Seconds(Clock::now() - start));
      spent += ours.back() + reference.back();
    }
    if (!ok) continue;
    const double o = Fastest(ours), r = Fastest(reference);
    totalOurs += o;
    totalReference += r;
    logRatios += std::log(o / r);
    ++measured;
    std::printf("%-40s %10lld %10.2f %10.2f %7.3f\n", fs::path(path).filename().string().c_str(),
                pixels, o * 1e3, r * 1e3, o / r);
  }
  if (argc == 1) fs::remove_all(folder);
  if (totalReference > 0) {
    std::printf(
        "LoadWebpImage / WebPDecodeRGB: total time %.3f, geometric mean %.3f (target <= 1.10)\n",
        totalOurs / totalReference, std::exp(logRatios / measured));
  }
  return 0;
}
