// The sandbox tests' program is its own decode worker: started with the worker argument it
// serves files as the program's workers do, except that a file named "hostile-WHAT.*" is
// first read by a decoder that tries WHAT, as a decoder taken over by a crafted photo
// would. That decoder exists only in this test program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "decode_worker.h"
#include "path_text.h"
#include "worker_process.h"

extern char** environ;

namespace brevine {
namespace {

// What the hostile decoder tries; a file whose attempt fails (the kernel refused it)
// fails to decode with that said, and one whose attempt went through is decoded as usual,
// so that its output shows the wall was missing.
std::optional<ReducedSource> Misbehave(const std::string& what) {
  ReducedSource refused;
  refused.result = FileResult::kCannotDecode;
  refused.detail = "refused: " + what;
  if (what == "open") {
    const int fd = ::open("/etc/hostname", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return refused;
    ::close(fd);
  } else if (what == "create") {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/brevine-hostile-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return refused;
    ::close(fd);
    ::unlink(path.c_str());
  } else if (what == "socket") {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return refused;
    ::close(fd);
  } else if (what == "exec") {
    char program[] = "/bin/true";
    char* argv[] = {program, nullptr};
    ::execve(program, argv, environ);
    return refused;
  } else if (what == "ptrace") {
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) return refused;
  } else if (what == "memory") {
    try {
      // A call of the allocation function itself, which no compiler leaves out.
      void* big = ::operator new (std::size_t{4} << 30);
      static_cast<volatile char*>(big)[0] = 1;
      ::operator delete(big);
    } catch (const std::bad_alloc&) {
      return refused;
    }
  } else if (what == "loop") {
    for (volatile std::uint64_t i = 0;; i = i + 1) {
    }
  } else if (what == "crash") {
    volatile std::uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
  }
  return std::nullopt;
}

ReducedSource HostileReduction(const SourceFile& source, const Options& options,
                               const LoadRequest& request, WorkBitmap& bitmap, StageTimes* times) {
  const std::string name = platform::NamePart(source.name);
  if (name.rfind("hostile-", 0) == 0) {
    const std::string what = name.substr(8, name.find('.') - 8);
    if (std::optional<ReducedSource> refused = Misbehave(what)) return *refused;
  }
  return ReduceOpenedSource(source, options, request, bitmap, {}, times);
}

}  // namespace
}  // namespace brevine

int main(int argc, char** argv) {
  if (unsigned libraries = 0; brevine::IsDecodeWorker(argc, argv, &libraries)) {
    const int status = brevine::RunDecodeWorker(brevine::platform::kChildChannel,
                                                brevine::HostileReduction, libraries);
    std::fflush(nullptr);
    ::_exit(status);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
