#include "clock.h"

#include <sys/time.h>

#include <cstdlib>
#include <ctime>

namespace brevine::platform {

LocalTime SystemClock::Now() const {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  const time_t secs = tv.tv_sec;
  tm local{};
  ::localtime_r(&secs, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return t;
}

void FixLocalTimeZone() {
  // The C library's default zone is this file; a TZ of its own is kept as it is.
  if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 0);
  ::tzset();
}

}  // namespace brevine::platform
