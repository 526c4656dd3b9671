// LoadJpegImage on real photos against libjpeg's own decode of the same file into memory:
// the same file read, the same library calls and parameters, rows into one buffer.
// Usage: bench_codecs [photo.jpg ...]; without arguments, the JPEG files of Debian's
// mate-backgrounds package.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codecs.h"
#include "libjpeg_reference.h"
#include "path_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// The plain library decode, asked for what LoadJpegImage asks for.
const brevine::test::LibjpegDecode kLikeTheLoader{JCS_UNKNOWN, true};

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

// The fastest round: on a shared machine the others only add noise from other work.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> photos(argv + 1, argv + argc);
  if (photos.empty()) {
    const std::filesystem::path root = "/usr/share/backgrounds/mate";
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      const std::string ext = brevine::platform::LowerExtension(it->path().string());
      if (ext == ".jpg" || ext == ".jpeg") photos.push_back(it->path().string());
    }
    std::sort(photos.begin(), photos.end());
  }
  if (photos.empty()) {
    std::printf("bench_codecs: no photos (install mate-backgrounds or pass JPEG paths); skipped\n");
    return 0;
  }

  // At least kMinRounds rounds of each, more for small photos until kBudget is spent.
  constexpr int kMinRounds = 5;
  constexpr int kMaxRounds = 30;
  constexpr double kBudget = 3.0;
  double totalOurs = 0, totalReference = 0, logRatios = 0;
  int measured = 0;
  std::printf("%-32s %10s %10s %10s %7s\n", "photo", "pixels", "Load ms", "libjpeg ms", "ratio");
  for (const std::string& path : photos) {
    std::vector<double> ours, reference;
    brevine::WorkBitmap bitmap;
    bool ok = true;
    // Alternate the two so that both see the same machine load.
    double spent = 0;
    for (int round = 0; ok && round < kMaxRounds && (round < kMinRounds || spent < kBudget);
         ++round) {
      auto start = Clock::now();
      {
        const std::vector<unsigned char> file = ReadFileStdio(path);
        try {
          // The rows' buffer is released inside the timed part, as ours is.
          const brevine::test::LibjpegImage reference =
              brevine::test::DecodeWithLibjpeg(file.data(), file.size(), kLikeTheLoader);
        } catch (const std::exception& e) {
          std::printf("%s: %s\n", path.c_str(), e.what());
          ok = false;
        }
      }
      reference.push_back(Seconds(Clock::now() - start));
      start = Clock::now();
      {
        brevine::WorkBitmap fresh;  // a new bitmap each time, as the reference mallocs
        brevine::SourceInfo info;   // as the loader calls it: the metadata segments kept
        try {
          brevine::LoadJpegImage(path, fresh, info);
        } catch (const std::exception& e) {
          std::printf("%s: %s\n", path.c_str(), e.what());
          ok = false;
        }
        if (round == 0) bitmap.Swap(fresh);
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
    std::printf("%-32s %10lld %10.2f %10.2f %7.3f\n",
                std::filesystem::path(path).filename().string().c_str(),
                static_cast<long long>(bitmap.Width()) * bitmap.Height(), o * 1e3, r * 1e3, o / r);
  }
  if (totalReference > 0) {
    std::printf(
        "LoadJpegImage / libjpeg decode: total time %.3f, geometric mean %.3f "
        "(target <= 1.10)\n",
        totalOurs / totalReference, std::exp(logRatios / measured));
  }
  return 0;
}
