#include "usable_cores.h"

#include <sched.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <thread>

#include "file_system.h"
#include "path_text.h"

namespace brevine::platform {

std::optional<unsigned> ParseCpuMax(std::string_view cpuMax) {
  cpuMax = Trim(cpuMax);
  const auto blank = cpuMax.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const auto quota = ParseUnsigned(cpuMax.substr(0, blank));
  const auto period = ParseUnsigned(Trim(cpuMax.substr(blank + 1)));
  if (!quota || !period || *period == 0 || *quota == 0) return std::nullopt;
  const std::uint64_t cores = (*quota + *period - 1) / *period;
  return static_cast<unsigned>(std::min<std::uint64_t>(cores, UINT_MAX));
}

unsigned UsableCores() {
  unsigned cores = std::thread::hardware_concurrency();
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) cores = static_cast<unsigned>(count);
  }
  if (const auto quota = ParseCpuMax(ReadTextFile("/sys/fs/cgroup/cpu.max")))
    cores = std::min(cores == 0 ? *quota : cores, *quota);
  return std::max(1u, cores);
}

}  // namespace brevine::platform
