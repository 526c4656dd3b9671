// The web formats on real photos: ten photos of Debian's mate-backgrounds, each reduced to
// fit 1280 x 1280 (no sharpening) as the pipeline reduces it.
//
// 1. Sizes and fidelity: the bytes of JPEG quality 92, WebP quality 80 and AVIF quality 60,
//    and the SSIM of each decoded file against the reduced picture (luma, 8 x 8 windows
//    every 4 pixels, the usual constants).
// 2. The AVIF target size (TARGET_KB, default 50, the settings' default): the encodes the
//    bisection makes per photo, and its time against one AVIF encode at the quality it
//    chose, both measured here.
//
// Usage: bench_web [PHOTOS]   (default 10)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs.h"
#include "imaging.h"

namespace fs = std::filesystem;
using brevine::WorkBitmap;

namespace {

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Times {
  double wall = 0;
  double cpu = 0;  // every thread of the process: libaom runs four
};

template <typename F>
Times Measure(F&& f) {
  const double cpu = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  f();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          ProcessCpuSeconds() - cpu};
}

std::vector<double> Luma(const WorkBitmap& b) {
  std::vector<double> y(static_cast<std::size_t>(b.Width()) * b.Height());
  for (std::size_t i = 0; i < y.size(); ++i) {
    const std::uint8_t* p = b.Data() + 3 * i;
    y[i] = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
  }
  return y;
}

// Mean SSIM of the luma over 8 x 8 windows on a 4-pixel grid.
double Ssim(const WorkBitmap& a, const WorkBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  const std::vector<double> x = Luma(a);
  const std::vector<double> y = Luma(b);
  const int w = a.Width();
  const double c1 = (0.01 * 255) * (0.01 * 255);
  const double c2 = (0.03 * 255) * (0.03 * 255);
  double sum = 0;
  long windows = 0;
  for (int top = 0; top + 8 <= a.Height(); top += 4) {
    for (int left = 0; left + 8 <= w; left += 4) {
      double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
      for (int r = top; r < top + 8; ++r) {
        for (int c = left; c < left + 8; ++c) {
          const double u = x[static_cast<std::size_t>(r) * w + c];
          const double v = y[static_cast<std::size_t>(r) * w + c];
          sx += u;
          sy += v;
          sxx += u * u;
          syy += v * v;
          sxy += u * v;
        }
      }
      const double n = 64;
      const double mx = sx / n, my = sy / n;
      const double vx = sxx / n - mx * mx, vy = syy / n - my * my, cxy = sxy / n - mx * my;
      sum += ((2 * mx * my + c1) * (2 * cxy + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2));
      ++windows;
    }
  }
  return windows > 0 ? sum / windows : 1;
}

std::vector<std::uint8_t> Jpeg(const WorkBitmap& picture, int quality) {
  brevine::TJPEGImage jpeg;
  jpeg.TakeBitmap(picture);
  jpeg.SetQuality(quality);
  jpeg.EncodeJpeg();
  return jpeg.Data().bytes;
}

WorkBitmap DecodedJpeg(const std::vector<std::uint8_t>& file) {
  WorkBitmap out;
  brevine::DecodeJpeg(file.data(), file.size(), out);
  return out;
}
WorkBitmap DecodedWebp(const std::vector<std::uint8_t>& file) {
  WorkBitmap out;
  brevine::DecodeWebp(file.data(), file.size(), out);
  return out;
}
WorkBitmap DecodedAvif(const std::vector<std::uint8_t>& file) {
  WorkBitmap out;
  brevine::SourceInfo info;
  brevine::DecodeHeif(file.data(), file.size(), out, info);
  return out;
}

// The first photos by path; the larger copies of one photo count once.
std::vector<fs::path> Photos(std::size_t count) {
  std::vector<fs::path> jpegs;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator("/usr/share/backgrounds/mate", error)) {
    const std::string stem = entry.path().stem().string();
    if (entry.path().extension() == ".jpg" && stem.find('_') == std::string::npos)
      jpegs.push_back(entry.path());
  }
  std::sort(jpegs.begin(), jpegs.end());
  if (jpegs.size() > count) jpegs.resize(count);
  return jpegs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const char* targetText = std::getenv("TARGET_KB");
  const int targetKb = targetText != nullptr ? std::max(1, std::atoi(targetText)) : 50;
  const std::vector<fs::path> photos = Photos(count);
  if (photos.empty()) {
    std::printf("no photos: bash scripts/install-deps mate-backgrounds\n");
    return 0;
  }

  std::printf("== sizes at a 1280 box, and SSIM against the reduced picture\n");
  std::printf(
      "| photo | pixels | JPEG q92 bytes | SSIM | WebP q80 bytes | SSIM | AVIF q60 bytes | SSIM "
      "|\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|\n");
  std::vector<WorkBitmap> reduced;
  double sums[3] = {0, 0, 0};
  double ssims[3] = {0, 0, 0};
  for (const fs::path& photo : photos) {
    WorkBitmap picture;
    if (!brevine::LoadImageFile(photo.string(), picture)) {
      std::printf("cannot load %s\n", photo.c_str());
      return 1;
    }
    brevine::FitToBox(picture, picture, 1280, 1280, 1);
    const std::vector<std::uint8_t> jpeg = Jpeg(picture, 92);
    const std::vector<std::uint8_t> webp = brevine::EncodeWebp(picture, 80, false);
    const std::vector<std::uint8_t> avif = brevine::EncodeAvif(picture, 60, false);
    const double s[3] = {Ssim(picture, DecodedJpeg(jpeg)), Ssim(picture, DecodedWebp(webp)),
                         Ssim(picture, DecodedAvif(avif))};
    const std::size_t bytes[3] = {jpeg.size(), webp.size(), avif.size()};
    for (int i = 0; i < 3; ++i) {
      sums[i] += static_cast<double>(bytes[i]);
      ssims[i] += s[i];
    }
    std::printf("| %s | %dx%d | %zu | %.4f | %zu | %.4f | %zu | %.4f |\n", photo.stem().c_str(),
                picture.Width(), picture.Height(), bytes[0], s[0], bytes[1], s[1], bytes[2], s[2]);
    std::fflush(stdout);
    reduced.push_back(std::move(picture));
  }
  const double n = static_cast<double>(photos.size());
  std::printf("| mean | | %.0f | %.4f | %.0f (%.0f%%) | %.4f | %.0f (%.0f%%) | %.4f |\n",
              sums[0] / n, ssims[0] / n, sums[1] / n, 100 * sums[1] / sums[0], ssims[1] / n,
              sums[2] / n, 100 * sums[2] / sums[0], ssims[2] / n);

  std::printf("\n== AVIF target size %d KB: bisection against one encode at the chosen quality\n",
              targetKb);
  std::printf("%-16s %8s %8s %8s %10s %10s %8s %8s\n", "photo", "quality", "bytes", "encodes",
              "search s", "single s", "wall", "cpu");
  int encodesSum = 0;
  int encodesMost = 0;
  double wallRatio = 0;
  double cpuRatio = 0;
  for (std::size_t i = 0; i < reduced.size(); ++i) {
    const WorkBitmap& picture = reduced[i];
    const brevine::EncodeAtQuality encode = [&](int q) {
      return brevine::EncodeAvif(picture, q, false);
    };
    brevine::TargetSizeStats stats;
    brevine::QualityResult result;
    const Times search = Measure(
        [&] { result = brevine::BisectTargetSize(encode, std::int64_t{targetKb} * 1024, &stats); });
    const Times single = Measure([&] { encode(result.quality); });
    encodesSum += stats.encodes;
    encodesMost = std::max(encodesMost, stats.encodes);
    wallRatio += search.wall / single.wall;
    cpuRatio += search.cpu / single.cpu;
    std::printf("%-16s %8d %8zu %8d %10.2f %10.2f %8.2f %8.2f\n", photos[i].stem().c_str(),
                result.quality, result.bytes.size(), stats.encodes, search.wall, single.wall,
                search.wall / single.wall, search.cpu / single.cpu);
    std::fflush(stdout);
  }
  std::printf(
      "encodes per photo: mean %.1f, most %d (target at most 8); search / single encode: "
      "wall %.2f, cpu %.2f (mean over photos)\n",
      encodesSum / n, encodesMost, wallRatio / n, cpuRatio / n);
  return 0;
}
