#pragma once
// The walls a process can put up around itself before it reads untrusted bytes, each as
// the running kernel offers it: no new privileges, resource limits, a Landlock domain that
// grants no file-system access, and a seccomp filter. Linux only; each step says why it
// could not be taken instead of raising.

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace brevine::platform {

// prctl(PR_SET_NO_NEW_PRIVS): no program this process starts can gain rights. False with
// the reason in `why`.
bool SetNoNewPrivileges(std::string& why);

// No core files, no file may grow (file size 0), and the address space bounded by
// `addressSpaceBytes` (0: left as it is).
void LimitOwnResources(std::uint64_t addressSpaceBytes);

// The soft address-space and CPU-seconds limits of another process of this user (a
// confined worker cannot change its own); 0 leaves that limit. False when refused.
bool SetProcessLimits(pid_t pid, std::uint64_t addressSpaceBytes, std::uint64_t cpuSeconds);

// The CPU time a process of this user has used, in seconds; 0 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);

// The Landlock ABI version the kernel offers; 0 when it offers none (or it is disabled).
int LandlockAbi();

// Enters a Landlock domain that handles every access right the kernel's ABI knows and
// grants none: no file can be opened, created, removed or executed, no TCP port bound or
// connected, and (ABI 6) no abstract socket reached and no process outside signalled.
// Returns the ABI used, or 0 with the reason in `why`.
int DenyAllFileSystemAccess(std::string& why);

// The size of this process's mappings in bytes, from /proc/self/statm; 0 when unknown.
std::uint64_t OwnAddressSpaceBytes();

}  // namespace brevine::platform
