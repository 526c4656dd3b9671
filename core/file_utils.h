#pragma once
// Small file helpers of the output stage. They hold no state and touch only the paths
// they are given; file-system failures raise std::system_error except where noted.

#include <cstdint>
#include <string>

#include "clock.h"

namespace brevine {

// The local time as "yyyymmddhhnnss" followed by the milliseconds without leading zeros:
// 15 to 17 digits.
std::string TimestampName(const platform::Clock& clock);

// The local date as "yyyymmdd".
std::string DateName(const platform::Clock& clock);

// Length of the file in bytes; -1 when no file is there (a folder does not count). Raises
// when the file exists but cannot be opened, or is too long for 32 bits.
std::int32_t FileSizeBytes(const std::string& path);

// Appends the line's bytes and CR LF, creating the file when missing. The line goes in whole
// or not at all: after a short write (a full disk) the file is cut back to its length before.
void AppendLine(const std::string& path, const std::string& line);
// The same for the entry `name` of the open folder `folder`, never through a link there
// (which raises std::runtime_error: "the index NAME is a link: not followed").
void AppendLineAt(int folder, const std::string& name, const std::string& line);

}  // namespace brevine
