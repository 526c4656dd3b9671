#include "syscall_filter.h"

#include <fcntl.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace brevine::platform {
namespace {

struct FilterRelease {
  void operator()(void* filter) const noexcept { seccomp_release(filter); }
};

}  // namespace

bool SeccompAvailable() { return ::prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0; }

bool InstallDecoderFilter(int channel, std::string& why) {
  std::unique_ptr<void, FilterRelease> filter(seccomp_init(SCMP_ACT_KILL_PROCESS));
  if (!filter) {
    why = "seccomp filter cannot be made";
    return false;
  }
  scmp_filter_ctx ctx = filter.get();
#if SCMP_VER_MAJOR > 2 || (SCMP_VER_MAJOR == 2 && SCMP_VER_MINOR >= 5)
  // The rules as a binary tree by call number: a decoder's reads pass a few comparisons
  // instead of every rule before theirs. A library that cannot is slower, no less strict.
  seccomp_attr_set(ctx, SCMP_FLTATR_CTL_OPTIMIZE, 2);
#endif
  int failed = 0;
  const auto allow = [&](int call) {
    if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0) != 0) ++failed;
  };
  const auto allowIf = [&](int call, scmp_arg_cmp condition) {
    if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1, condition) != 0) ++failed;
  };
  const auto channelOrStderr = [&](int call) {
    allowIf(call, SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(channel)));
    allowIf(call, SCMP_A0(SCMP_CMP_EQ, 2));
  };

  // Descriptors already open: the source and the channel.
  for (int call : {SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(readv), SCMP_SYS(preadv),
                   SCMP_SYS(lseek), SCMP_SYS(fstat), SCMP_SYS(close)})
    allow(call);
  // fstat goes through fstatat with an empty path; a path is not looked up.
  allowIf(SCMP_SYS(newfstatat), SCMP_A3(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH));
  allowIf(SCMP_SYS(recvmsg), SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(channel)));
  for (int call : {SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(sendmsg)}) channelOrStderr(call);

  // Memory, never executable.
  allowIf(SCMP_SYS(mmap), SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
  allowIf(SCMP_SYS(mprotect), SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
  for (int call : {SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(brk)})
    allow(call);

  // Threads: clone only within this process; clone3's arguments lie in memory a filter
  // cannot read, so it answers ENOSYS and the C library uses clone.
  allowIf(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
  if (seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) != 0) ++failed;
  // A new process fails instead of killing: a decoder that tries a risky step in a child
  // first (LibRaw's identification) then does it in this process, where a crash ends only
  // the worker. Starting a program (execve) still kills.
  if (seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                       SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)) != 0)
    ++failed;
  for (int call : {SCMP_SYS(fork), SCMP_SYS(vfork)})
    if (seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), call, 0) != 0) ++failed;
  for (int call : {SCMP_SYS(futex),
                   SCMP_SYS(set_robust_list),
                   SCMP_SYS(rseq),
                   SCMP_SYS(sched_yield),
                   SCMP_SYS(sched_getaffinity),
                   SCMP_SYS(getpid),
                   SCMP_SYS(gettid),
                   SCMP_SYS(rt_sigprocmask),
                   SCMP_SYS(rt_sigreturn),
                   SCMP_SYS(rt_sigaction),
                   SCMP_SYS(sigaltstack),
                   SCMP_SYS(exit),
                   SCMP_SYS(exit_group),
                   SCMP_SYS(clock_gettime),
                   SCMP_SYS(clock_getres),
                   SCMP_SYS(gettimeofday),
                   SCMP_SYS(clock_nanosleep),
                   SCMP_SYS(nanosleep),
                   SCMP_SYS(getrandom),
                   SCMP_SYS(sysinfo)})
    allow(call);
  // A thread may name itself; abort() signals its own process.
  allowIf(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME));
  allowIf(SCMP_SYS(tgkill), SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(::getpid())));

#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' run-time tests whether memory is readable by writing it to a pipe of
  // its own; only the sanitizer build allows that.
  allow(SCMP_SYS(pipe2));
  allow(SCMP_SYS(write));
#endif

  if (failed != 0) {
    why = "seccomp filter rules refused";
    return false;
  }
  const int loaded = seccomp_load(ctx);
  if (loaded != 0) {
    why = std::string("seccomp refused: ") + std::strerror(-loaded);
    return false;
  }
  return true;
}

}  // namespace brevine::platform
