#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "test_images.h"
#include "work_bitmap.h"

namespace brevine {
namespace {

// Bitmaps from the heap and from whole mapped huge pages behave alike: on both sides of
// the size where mapping starts, and across a huge-page boundary, every byte holds what
// was written; copies, swaps and shrinking keep their contents.
TEST(WorkBitmap, HeapAndMappedBuffersHoldEveryByte) {
  // 3 x width x height around 512 KiB, 2 MiB and beyond.
  const int shapes[][2] = {{100, 100},  {256, 682},  {256, 683},
                           {1024, 683}, {1024, 700}, {1500, 1000}};
  for (const auto& shape : shapes) {
    const WorkBitmap picture = test::MakeNoise(shape[0], shape[1], 7);
    WorkBitmap copy(picture);
    EXPECT_TRUE(test::SameBitmap(picture, copy)) << shape[0] << " x " << shape[1];
    std::uint8_t* last = copy.Row(copy.Height() - 1) + copy.Stride() - 1;
    *last ^= 0xFF;  // the very last byte of the buffer is its own
    EXPECT_NE(*last, picture.Row(picture.Height() - 1)[picture.Stride() - 1]);

    WorkBitmap other(3, 2);
    other.Swap(copy);
    EXPECT_EQ(other.Width(), shape[0]);
    EXPECT_EQ(copy.Width(), 3);
    // Shrinking keeps the allocation; the rows written after it read back.
    other.SetSize(shape[0] / 2, shape[1] / 2);
    std::memset(other.Data(), 0x5A, other.ByteCount());
    EXPECT_EQ(other.Row(other.Height() - 1)[other.Stride() - 1], 0x5A);
    other.Clear();
    EXPECT_TRUE(other.Empty());
  }
}

// A view reads another owner's pixels in place, never frees them, and takes pixels of its
// own before anything is written.
TEST(WorkBitmap, AViewReadsPixelsItDoesNotOwn) {
  const WorkBitmap owner = test::MakeNoise(40, 30, 3);
  {
    const WorkBitmap view = WorkBitmap::View(owner.Data(), 40, 30);
    EXPECT_EQ(view.Data(), owner.Data());
    EXPECT_EQ(view.Row(29), owner.Row(29));
    EXPECT_EQ(view.ByteCount(), owner.ByteCount());
  }
  WorkBitmap resized = WorkBitmap::View(owner.Data(), 40, 30);
  resized.SetSize(10, 10);
  EXPECT_NE(resized.Data(), owner.Data());
  std::memset(resized.Data(), 0, resized.ByteCount());
  // The owner's pixels were neither written nor freed (the sanitizers see either).
  EXPECT_EQ(owner.Data()[0], test::MakeNoise(40, 30, 3).Data()[0]);
  EXPECT_EQ(std::memcmp(owner.Data(), test::MakeNoise(40, 30, 3).Data(), owner.ByteCount()), 0);
  EXPECT_THROW(WorkBitmap::View(owner.Data(), -1, 2), std::length_error);
  EXPECT_THROW(WorkBitmap::View(owner.Data(), 1 << 16, 1 << 14), std::length_error);
}

}  // namespace
}  // namespace brevine
