#pragma once
// How many processors this process may keep busy at once.

#include <optional>
#include <string_view>

namespace brevine::platform {

// The CPU limit of a cgroup v2 "cpu.max" text ("QUOTA PERIOD" or "max PERIOD"), rounded
// up to whole cores; nullopt when there is no limit.
std::optional<unsigned> ParseCpuMax(std::string_view cpuMax);

// Cores this process may run on: its affinity mask, a cgroup quota, the hardware count;
// at least 1.
unsigned UsableCores();

}  // namespace brevine::platform
