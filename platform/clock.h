#pragma once
// Local date and time with milliseconds.

namespace brevine::platform {

struct LocalTime {
  int year = 0, month = 0, day = 0;  // month 1..12, day 1..31
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The machine's local time.
class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
};

// Reads the local time zone now and fixes the process to it, for a process that will lose
// access to files: with TZ unset the C library looks at the zone file again on every
// mktime, so TZ is set to name the file it read (the same zone) and later conversions
// touch no file.
void FixLocalTimeZone();

}  // namespace brevine::platform
