#include "available_memory.h"

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

std::optional<std::uint64_t> AvailableMemoryBytes() {
  return ParseMemAvailable(ReadTextFile("/proc/meminfo"));
}

}  // namespace brevine::platform
