// What FitToBox allocates: the destination and one intermediate of target width x source
// height, nothing else of image size. Its own executable, because it replaces the global
// allocation functions to count.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "imaging.h"
#include "test_images.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void* Allocate(std::size_t size) {
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

namespace brevine {
namespace {

// Peak bytes allocated during `work` beyond what was live before it.
template <class Work>
std::size_t PeakDuring(Work work) {
  const std::size_t before = gLive.load();
  gPeak.store(before);
  work();
  return gPeak.load() - before;
}

TEST(FitToBoxMemory, OnlyDestinationAndIntermediate) {
  // Small enough for every bitmap to come from operator new (larger ones are mapped).
  const WorkBitmap src = test::MakePhotoLike(800, 600, 3);
  const std::size_t intermediate = std::size_t{256} * 600 * 3;
  const std::size_t result = std::size_t{256} * 192 * 3;
  // Tables and row lists stay far below one image row block.
  const std::size_t slack = 64 * 1024;

  WorkBitmap separate;
  const std::size_t liveSeparate = gLive.load();
  const std::size_t peakSeparate = PeakDuring([&] { FitToBox(src, separate, 256, 256); });
  EXPECT_EQ(separate.Width(), 256);
  EXPECT_EQ(separate.Height(), 192);
  EXPECT_LE(peakSeparate, intermediate + result + slack);
  EXPECT_GE(peakSeparate, intermediate + result);
  EXPECT_EQ(gLive.load(), liveSeparate + result);  // nothing left behind but the result

  // In place the result goes into the source's own allocation, which the bitmap keeps for
  // the next photo: only the intermediate comes and goes.
  WorkBitmap shared = src;
  const std::size_t liveBefore = gLive.load();
  const std::size_t peakShared = PeakDuring([&] { FitToBox(shared, shared, 256, 256); });
  EXPECT_LE(peakShared, intermediate + slack);
  EXPECT_EQ(gLive.load(), liveBefore);
}

TEST(FitToBoxMemory, IntermediateReleasedWhenTheHeightPassRaises) {
  const WorkBitmap src = test::MakeNoise(10000, 5, 1);
  WorkBitmap dst;
  const std::size_t before = gLive.load();
  EXPECT_THROW(FitToBox(src, dst, 160, 160), std::domain_error);
  EXPECT_EQ(gLive.load(), before);  // 160 x 0 holds nothing; the intermediate is gone
}

}  // namespace
}  // namespace brevine
