#pragma once
// How much memory the machine can still give without swapping, as the kernel estimates it,
// and within that what the process's memory cgroup (a container's limit) leaves it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevine::platform {

// The "MemAvailable:" figure of /proc/meminfo text, in bytes.
std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo);

// The room the memory cgroups of a process leave it: for each cgroup from the process's own
// up to the root that has a limit, the limit less what it uses (its reclaimable file pages
// not counted), and of those the smallest. `procCgroup` is the text of /proc/self/cgroup;
// `mount` where the cgroup file systems lie (v2 there, v1's memory controller in
// "memory" below it: memory.limit_in_bytes). nullopt when no limit is set or readable.
std::optional<std::uint64_t> CgroupMemoryRoom(std::string_view procCgroup,
                                              const std::string& mount);

// The smaller of ParseMemAvailable of /proc/meminfo and this process's CgroupMemoryRoom
// under /sys/fs/cgroup; nullopt where neither can be read.
std::optional<std::uint64_t> AvailableMemoryBytes();

}  // namespace brevine::platform
