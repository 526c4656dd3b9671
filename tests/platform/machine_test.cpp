#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "available_memory.h"
#include "large_blocks.h"
#include "test_images.h"
#include "usable_cores.h"

namespace brevine::platform {
namespace {

// After a large block is freed, a smaller one that is still large is mapped for itself:
// the C library's own threshold would have risen past it and put it in a heap, where the
// room it never writes is what earlier blocks wrote.
TEST(MachineFiles, LargeBlocksStayMappedAfterALargerOneIsFreed) {
  if (!MapLargeBlocks()) GTEST_SKIP() << "the allocator is not the C library's";
  for (const std::size_t bytes : {std::size_t{8} << 20, kMappedBlockBytes * 3}) {
    void* volatile larger = std::malloc(bytes);
    ASSERT_NE(larger, nullptr);
    std::memset(larger, 1, bytes);
    std::free(larger);
  }
  const std::size_t mapped = mallinfo2().hblks;
  void* volatile block = std::malloc(kMappedBlockBytes * 2);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(mallinfo2().hblks, mapped + 1);
  std::free(block);
}

TEST(MachineFiles, MemAvailable) {
  EXPECT_EQ(ParseMemAvailable("MemTotal:       24683772 kB\nMemFree:        21898308 kB\n"
                              "MemAvailable:   23138448 kB\nBuffers: 1 kB\n"),
            std::uint64_t{23138448} * 1024);
  EXPECT_EQ(ParseMemAvailable("MemTotal: 5 kB\n"), std::nullopt);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: lots kB\n"), std::nullopt);
  EXPECT_EQ(ParseMemAvailable("MemAvailable: 99999999999999999999 kB\n"), std::nullopt);
  // This machine's own file has the figure (every kernel since 3.14).
  EXPECT_GT(AvailableMemoryBytes().value_or(0), 0u);
}

// A container's memory limit bounds what a batch may hold, whatever the machine has free.
TEST(MachineFiles, CgroupMemoryRoomTakesTheTightestLimitAlongTheChain) {
  test::TempFolder root;
  const auto put = [&](const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(root / path).parent_path());
    test::WriteFile(root / path, {text.begin(), text.end()});
  };
  // v2: the process's group allows 3 GiB and uses 1 GiB of which 256 MiB are cache that can
  // go; its parent allows 2 GiB and uses 1.5 GiB: 512 MiB are left.
  put("app/job/memory.max", "3221225472\n");
  put("app/job/memory.current", "1073741824\n");
  put("app/job/memory.stat", "anon 805306368\ninactive_file 268435456\nactive_file 0\n");
  put("app/memory.max", "2147483648\n");
  put("app/memory.current", "1610612736\n");
  EXPECT_EQ(CgroupMemoryRoom("0::/app/job\n", root.Path()), std::uint64_t{512} << 20);
  put("app/memory.max", "max\n");
  EXPECT_EQ(CgroupMemoryRoom("0::/app/job\n", root.Path()),
            (std::uint64_t{3} << 30) - (std::uint64_t{768} << 20));
  // Used beyond its limit: no room at all.
  put("app/job/memory.current", "4294967296\n");
  put("app/job/memory.stat", "");
  EXPECT_EQ(CgroupMemoryRoom("0::/app/job\n", root.Path()), 0u);
  // v1: the memory controller's own tree; its "no limit" is a huge number.
  put("memory/box/memory.limit_in_bytes", "1073741824\n");
  put("memory/box/memory.usage_in_bytes", "73741824\n");
  put("memory/memory.limit_in_bytes", "9223372036854771712\n");
  EXPECT_EQ(CgroupMemoryRoom("12:cpu,cpuacct:/other\n5:memory:/box\n", root.Path()), 1000000000u);
  // No limit anywhere, or nothing readable.
  EXPECT_EQ(CgroupMemoryRoom("0::/\n", root.Path()), std::nullopt);
  EXPECT_EQ(CgroupMemoryRoom("0::/nowhere\n", root.Path()), std::nullopt);
  EXPECT_EQ(CgroupMemoryRoom("", root.Path()), std::nullopt);
  EXPECT_EQ(CgroupMemoryRoom("0::/../../etc\n", root.Path()), std::nullopt);
}

TEST(MachineFiles, CpuMax) {
  EXPECT_EQ(ParseCpuMax("max 100000\n"), std::nullopt);
  EXPECT_EQ(ParseCpuMax("200000 100000\n"), 2u);
  EXPECT_EQ(ParseCpuMax("150000 100000"), 2u);  // a part of a core still gets a worker
  EXPECT_EQ(ParseCpuMax("50000 100000"), 1u);
  EXPECT_EQ(ParseCpuMax("100000 0"), std::nullopt);
  EXPECT_EQ(ParseCpuMax(""), std::nullopt);
  EXPECT_GE(UsableCores(), 1u);
}

}  // namespace
}  // namespace brevine::platform
