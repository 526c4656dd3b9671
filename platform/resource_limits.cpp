#include <sys/prctl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "confinement.h"

namespace brevine::platform {

bool SetNoNewPrivileges(std::string& why) {
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0) return true;
  why = std::string("no_new_privs refused: ") + std::strerror(errno);
  return false;
}

namespace {

void SetLimit(int resource, rlim_t soft, rlim_t hard) {
  const struct rlimit limit = {soft, hard};
  ::setrlimit(resource, &limit);
}

}  // namespace

void LimitOwnResources(std::uint64_t addressSpaceBytes) {
  SetLimit(RLIMIT_CORE, 0, 0);
  SetLimit(RLIMIT_FSIZE, 0, 0);
  if (addressSpaceBytes != 0) {
    struct rlimit current = {};
    ::getrlimit(RLIMIT_AS, &current);
    // The hard limit stays: the parent raises the soft one for a larger file.
    const rlim_t soft = current.rlim_max == RLIM_INFINITY
                            ? addressSpaceBytes
                            : std::min<rlim_t>(addressSpaceBytes, current.rlim_max);
    SetLimit(RLIMIT_AS, soft, current.rlim_max);
  }
}

bool SetProcessLimits(pid_t pid, std::uint64_t addressSpaceBytes, std::uint64_t cpuSeconds) {
  bool ok = true;
  const auto set = [&](int resource, std::uint64_t soft) {
    struct rlimit current = {};
    if (::prlimit(pid, static_cast<__rlimit_resource>(resource), nullptr, &current) != 0) {
      ok = false;
      return;
    }
    struct rlimit wanted = current;
    wanted.rlim_cur =
        current.rlim_max == RLIM_INFINITY ? soft : std::min<rlim_t>(soft, current.rlim_max);
    if (::prlimit(pid, static_cast<__rlimit_resource>(resource), &wanted, nullptr) != 0) ok = false;
  };
  if (addressSpaceBytes != 0) set(RLIMIT_AS, addressSpaceBytes);
  if (cpuSeconds != 0) set(RLIMIT_CPU, cpuSeconds);
  return ok;
}

double ProcessCpuSeconds(pid_t pid) {
  clockid_t clock;
  if (::clock_getcpuclockid(pid, &clock) != 0) return 0;
  struct timespec t = {};
  if (::clock_gettime(clock, &t) != 0) return 0;
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::uint64_t OwnAddressSpaceBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "re");
  if (f == nullptr) return 0;
  unsigned long long pages = 0;
  const int got = std::fscanf(f, "%llu", &pages);
  std::fclose(f);
  if (got != 1) return 0;
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace brevine::platform
