#include "available_memory.h"

#include <algorithm>

#include "file_system.h"
#include "path_text.h"

namespace brevine::platform {

std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  std::size_t at = 0;
  while (at < meminfo.size()) {
    std::size_t end = meminfo.find('\n', at);
    if (end == std::string_view::npos) end = meminfo.size();
    std::string_view line = meminfo.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    line = Trim(line.substr(kKey.size()));
    std::uint64_t unit = 1;
    if (line.size() >= 2 && line.substr(line.size() - 2) == "kB") {
      unit = 1024;
      line = Trim(line.substr(0, line.size() - 2));
    }
    const auto value = ParseUnsigned(line);
    if (!value || *value > UINT64_MAX / unit) return std::nullopt;
    return *value * unit;
  }
  return std::nullopt;
}

namespace {

std::optional<std::uint64_t> Number(std::string_view text) { return ParseUnsigned(Trim(text)); }

// The value of `key` in a memory.stat text, or 0.
std::uint64_t StatValue(std::string_view stat, std::string_view key) {
  std::size_t at = 0;
  while (at < stat.size()) {
    std::size_t end = stat.find('\n', at);
    if (end == std::string_view::npos) end = stat.size();
    const std::string_view line = stat.substr(at, end - at);
    at = end + 1;
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ' ')
      return Number(line.substr(key.size() + 1)).value_or(0);
  }
  return 0;
}

// What one cgroup folder leaves: nullopt without a limit ("max", or v1's huge "none").
std::optional<std::uint64_t> Room(const std::string& folder, const char* limitFile,
                                  const char* usageFile, std::string_view inactiveKey) {
  const auto limit = Number(ReadTextFile(folder + "/" + limitFile));
  if (!limit || *limit >= (std::uint64_t{1} << 62)) return std::nullopt;
  const std::uint64_t usage = Number(ReadTextFile(folder + "/" + usageFile)).value_or(0);
  const std::uint64_t inactive =
      std::min(usage, StatValue(ReadTextFile(folder + "/memory.stat"), inactiveKey));
  const std::uint64_t used = usage - inactive;
  return *limit > used ? *limit - used : 0;
}

// The smallest room from `path` (a cgroup path, "/" first) up to the root under `base`.
std::optional<std::uint64_t> ChainRoom(const std::string& base, std::string path,
                                       const char* limitFile, const char* usageFile,
                                       std::string_view inactiveKey) {
  std::optional<std::uint64_t> least;
  for (;;) {
    if (const auto room = Room(base + path, limitFile, usageFile, inactiveKey))
      least = least ? std::min(*least, *room) : *room;
    if (path.empty() || path == "/") break;
    path = ParentFolder(path);
  }
  return least;
}

}  // namespace

std::optional<std::uint64_t> CgroupMemoryRoom(std::string_view procCgroup,
                                              const std::string& mount) {
  std::optional<std::uint64_t> least;
  const auto take = [&](std::optional<std::uint64_t> room) {
    if (room) least = least ? std::min(*least, *room) : *room;
  };
  std::size_t at = 0;
  while (at < procCgroup.size()) {
    std::size_t end = procCgroup.find('\n', at);
    if (end == std::string_view::npos) end = procCgroup.size();
    const std::string_view line = procCgroup.substr(at, end - at);
    at = end + 1;
    // "ID:CONTROLLERS:PATH"; the path may itself hold colons.
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) continue;
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const std::string path(line.substr(second + 1));
    if (path.empty() || path[0] != '/' || path.find("/..") != std::string::npos) continue;
    if (line.substr(0, first) == "0" && controllers.empty()) {
      take(ChainRoom(mount, path, "memory.max", "memory.current", "inactive_file"));
    } else {
      for (std::size_t c = 0; c <= controllers.size();) {
        std::size_t comma = controllers.find(',', c);
        if (comma == std::string_view::npos) comma = controllers.size();
        if (controllers.substr(c, comma - c) == "memory")
          take(ChainRoom(mount + "/memory", path, "memory.limit_in_bytes", "memory.usage_in_bytes",
                         "total_inactive_file"));
        c = comma + 1;
      }
    }
  }
  return least;
}

std::optional<std::uint64_t> AvailableMemoryBytes() {
  const auto machine = ParseMemAvailable(ReadTextFile("/proc/meminfo"));
  const auto cgroup = CgroupMemoryRoom(ReadTextFile("/proc/self/cgroup"), "/sys/fs/cgroup");
  if (machine && cgroup) return std::min(*machine, *cgroup);
  return machine ? machine : cgroup;
}

}  // namespace brevine::platform
