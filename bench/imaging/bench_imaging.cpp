// Times the pixel operations on photo-sized images, each against a memcpy of the same
// image's bytes measured in the same run, and reports what FitToBox allocates.
//
//   bench_imaging [runs]      (default 7; the median run is reported)

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "imaging.h"

namespace {

// Memory as the kernel counts it: large bitmaps are mapped directly, not taken from
// operator new, so the resident-set high-water mark is what tells the peak.
std::size_t StatusKb(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  std::size_t kb = 0;
  const std::size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, field, n) == 0) kb = std::strtoull(line + n, nullptr, 10);
  }
  std::fclose(f);
  return kb;
}

// Starts a new high-water mark at the current resident size; false where unsupported.
bool ResetPeakResident() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

using brevine::WorkBitmap;
using Clock = std::chrono::steady_clock;

// Smooth shading, hard edges, several hues and sensor-like noise: the mix the loops see
// in photos (flat synthetic images would flatter the branchy saturation path).
WorkBitmap MakePhoto(int width, int height, std::uint32_t seed) {
  WorkBitmap bmp(width, height);
  std::uint32_t state = seed * 2654435761u + 7;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = bmp.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const int noise = static_cast<int>(next() >> 28) - 8;
      const bool edge = ((x / 97) + (y / 61)) % 3 == 0;
      const int base = x * 180 / width + y * 60 / height;
      const int tint[3] = {(x / 211) % 3 * 35, (y / 157) % 4 * 25, ((x + y) / 263) % 2 * 45};
      for (int c = 0; c < 3; ++c) {
        const int v = (edge ? 255 - base : base) + noise + c * 20 + tint[c];
        p[c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }
  return bmp;
}

double ThreadCpuMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Medians of wall time and of this thread's CPU time. On a shared machine the CPU time is
// the fairer figure: waiting for a core counts in the wall time only.
struct Timing {
  double wall;
  double cpu;
};

template <class Prepare, class Work>
Timing Median(int runs, Prepare prepare, Work work) {
  std::vector<double> walls, cpus;
  for (int r = 0; r < runs; ++r) {
    prepare();
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuMs();
    work();
    cpus.push_back(ThreadCpuMs() - cpuStart);
    walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(walls.begin(), walls.end());
  std::sort(cpus.begin(), cpus.end());
  return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

void Report(const char* what, Timing t, Timing reference, const char* unit, const char* target) {
  std::printf("  %-31s wall %8.2f ms = %6.3f x %s   cpu %8.2f ms = %6.3f x %s   %s\n", what, t.wall,
              t.wall / reference.wall, unit, t.cpu, t.cpu / reference.cpu, unit, target);
}

void Run(int width, int height, int runs) {
  const WorkBitmap photo = MakePhoto(width, height, 1);
  WorkBitmap work = photo;
  std::vector<std::uint8_t> copy(photo.ByteCount(), 1);  // touched, so no page faults timed
  const Timing memcpyTime = Median(
      runs, [] {}, [&] { std::memcpy(copy.data(), photo.Data(), photo.ByteCount()); });

  // In place, as the pipeline calls it.
  const Timing fitTime = Median(
      runs, [&] { work.Assign(photo); }, [&] { brevine::FitToBox(work, work, 1280, 1280); });
  const WorkBitmap reduced = work;

  work.Clear();
  const bool peakKnown = ResetPeakResident();
  const std::size_t before = StatusKb("VmRSS:");
  brevine::FitToBox(photo, work, 1280, 1280);
  const double peakMb =
      peakKnown ? static_cast<double>(StatusKb("VmHWM:") - before) * 1024 / 1e6 : -1.0;
  const double intermediateMb = static_cast<double>(reduced.Width()) * height * 3 / 1e6;
  const double destinationMb = static_cast<double>(reduced.ByteCount()) / 1e6;

  const Timing boostTime = Median(
      runs, [&] { work.Assign(photo); }, [&] { brevine::BoostSaturation(work, work, 140); });
  const Timing sharpenTime = Median(
      runs, [&] { work.Assign(reduced); }, [&] { brevine::SharpenImage(work, work, 80); });

  std::printf("%d x %d (%.1f MB), median of %d runs; memcpy wall %.2f ms, cpu %.2f ms\n", width,
              height, static_cast<double>(photo.ByteCount()) / 1e6, runs, memcpyTime.wall,
              memcpyTime.cpu);
  Report("FitToBox to 1280 x 1280", fitTime, memcpyTime, "memcpy", "(target <= 6)");
  Report("BoostSaturation 140", boostTime, memcpyTime, "memcpy", "(target <= 25)");
  Report("SharpenImage 80, reduced image", sharpenTime, fitTime, "FitToBox", "(target <= 0.2)");
  std::printf(
      "  FitToBox resident growth at peak: %.2f MB (intermediate %.2f MB + destination %.2f MB)\n",
      peakMb, intermediateMb, destinationMb);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  Run(5640, 3172, runs);
  Run(4000, 3000, runs);
  return 0;
}
