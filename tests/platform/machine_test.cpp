#include <gtest/gtest.h>

#include "available_memory.h"
#include "usable_cores.h"

namespace brevine::platform {
namespace {

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
