#pragma once
// The system calls a decode worker may make once it is confined (seccomp, through
// libseccomp). Any other call kills the whole worker process (SIGSYS); clone3 fails with
// ENOSYS instead, so that the C library falls back to clone, which may only start threads;
// a new process (fork) fails with EPERM.

#include <string>

namespace brevine::platform {

// Whether the kernel offers seccomp filters at all.
bool SeccompAvailable();

// Loads the filter into this process and every thread it starts afterwards. What stays
// allowed: reading, seeking and stat-ing descriptors already open; memory calls (no
// executable mappings); futexes, the clock, sleeping and the calls threads are made of;
// receiving on and writing to `channel`, writing to standard error; closing; exit. False
// with the reason in `why` when the kernel or the library refuses.
bool InstallDecoderFilter(int channel, std::string& why);

}  // namespace brevine::platform
