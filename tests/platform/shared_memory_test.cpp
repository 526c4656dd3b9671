// A shared region: what one side writes the other reads, the maker grows it, and nobody can
// make it smaller than a mapping of it.
#include "shared_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brevine::platform {
namespace {

TEST(SharedMemory, WhatTheOtherSideWritesIsReadHereAcrossGrowth) {
  SharedMemory made;
  ASSERT_TRUE(made.Reserve(4096));
  EXPECT_EQ(made.Size(), 4096u);
  ASSERT_GE(made.Descriptor(), 0);

  SharedMemory other;
  ASSERT_TRUE(other.MapReceived(made.Descriptor(), 4096));
  EXPECT_EQ(other.Descriptor(), -1);
  std::memset(other.Data(), 0x5A, 4096);
  EXPECT_EQ(made.Data()[0], 0x5A);
  EXPECT_EQ(made.Data()[4095], 0x5A);

  // A smaller request keeps the region; a larger one grows it with its contents, and the
  // other side maps the larger one anew.
  const std::uint8_t* before = made.Data();
  ASSERT_TRUE(made.Reserve(100));
  EXPECT_EQ(made.Data(), before);
  EXPECT_EQ(made.Size(), 4096u);
  ASSERT_TRUE(made.Reserve(3 << 20));
  EXPECT_EQ(made.Size(), std::size_t{3} << 20);
  EXPECT_EQ(made.Data()[4095], 0x5A);
  ASSERT_TRUE(other.MapReceived(made.Descriptor(), 3 << 20));
  other.Data()[(3 << 20) - 1] = 7;
  EXPECT_EQ(made.Data()[(3 << 20) - 1], 7);
}

TEST(SharedMemory, NeitherSideReachesPastTheFile) {
  SharedMemory made;
  ASSERT_TRUE(made.Reserve(8192));
  // The file cannot be made smaller under the mappings, by the maker or by anyone it was
  // handed to.
  EXPECT_NE(::ftruncate(made.Descriptor(), 4096), 0);
  EXPECT_EQ(errno, EPERM);
  // A receiver told of more than the file holds maps nothing.
  SharedMemory other;
  EXPECT_FALSE(other.MapReceived(made.Descriptor(), 8193));
  EXPECT_EQ(other.Data(), nullptr);
  EXPECT_FALSE(other.MapReceived(made.Descriptor(), 0));
  EXPECT_FALSE(other.MapReceived(-1, 4096));
#if !defined(__SANITIZE_ADDRESS__)  // whose handler reports the fault instead
  // The maker's own mapping is read-only: only the worker's side writes pictures.
  EXPECT_EXIT(
      {
        made.Data()[0] = 1;
        ::_exit(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
#endif
  made.Reset();
  EXPECT_EQ(made.Descriptor(), -1);
  EXPECT_EQ(made.Size(), 0u);
}

}  // namespace
}  // namespace brevine::platform
