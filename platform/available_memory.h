#pragma once
// How much memory the machine can still give without swapping, as the kernel estimates it.

#include <cstdint>
#include <optional>
#include <string_view>

namespace brevine::platform {

// The "MemAvailable:" figure of /proc/meminfo text, in bytes.
std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo);

// ParseMemAvailable of this machine's /proc/meminfo; nullopt where it cannot be read.
std::optional<std::uint64_t> AvailableMemoryBytes();

}  // namespace brevine::platform
