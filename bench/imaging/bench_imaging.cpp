// Times the pixel operations on photo-sized images, each against a memcpy of the same
// image's bytes measured in the same run, and reports what FitToBox allocates.
//
//   bench_imaging [runs]      (default 7; the median run is reported)

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "imaging.h"

namespace {

// Allocation accounting: the live and the peak number of bytes from operator new.
std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void* Allocate(std::size_t size) {
  // The size is kept in front of the block so that delete can subtract it.
  void* block = std::malloc(size + 16);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t live = gLive += size;
  std::size_t peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + 16;
}

void Release(void* p) noexcept {
  if (!p) return;
  void* block = static_cast<char*>(p) - 16;
  gLive -= *static_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

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

template <class Prepare, class Work>
double MedianMs(int runs, Prepare prepare, Work work) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    prepare();
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Report(const char* what, double ms, double reference, const char* target) {
  std::printf("  %-34s %8.2f ms  %6.2f x memcpy  %s\n", what, ms, ms / reference, target);
}

void Run(int width, int height, int runs) {
  const WorkBitmap photo = MakePhoto(width, height, 1);
  WorkBitmap work = photo;
  std::vector<std::uint8_t> copy(photo.ByteCount(), 1);  // touched, so no page faults timed
  const double memcpyMs = MedianMs(runs, [] {}, [&] {
    std::memcpy(copy.data(), photo.Data(), photo.ByteCount());
  });

  const double fitMs = MedianMs(runs, [&] { work.Assign(photo); },
                                [&] { brevine::FitToBox(work, work, 1280, 1280); });
  const WorkBitmap reduced = work;

  work.Clear();
  const std::size_t before = gLive.load();
  gPeak.store(before);
  brevine::FitToBox(photo, work, 1280, 1280);
  const double peakMb = static_cast<double>(gPeak.load() - before) / 1e6;
  const double intermediateMb = static_cast<double>(reduced.Width()) * height * 3 / 1e6;
  const double destinationMb = static_cast<double>(reduced.ByteCount()) / 1e6;

  const double boostMs = MedianMs(runs, [&] { work.Assign(photo); },
                                  [&] { brevine::BoostSaturation(work, work, 140); });
  const double sharpenMs = MedianMs(runs, [&] { work.Assign(reduced); },
                                    [&] { brevine::SharpenImage(work, work, 80); });

  std::printf("%d x %d (%.1f MB), median of %d runs, memcpy %.2f ms\n", width, height,
              static_cast<double>(photo.ByteCount()) / 1e6, runs, memcpyMs);
  Report("FitToBox to 1280 x 1280", fitMs, memcpyMs, "(target <= 6 x)");
  Report("BoostSaturation 140", boostMs, memcpyMs, "(target <= 25 x)");
  std::printf("  %-34s %8.2f ms  %6.3f x FitToBox (target <= 0.2 x)  %dx%d\n",
              "SharpenImage 80 on the result", sharpenMs, sharpenMs / fitMs, reduced.Width(),
              reduced.Height());
  std::printf("  FitToBox allocations at peak: %.2f MB (intermediate %.2f MB + destination %.2f MB)\n",
              peakMb, intermediateMb, destinationMb);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  Run(5640, 3172, runs);
  Run(4000, 3000, runs);
  return 0;
}
