#pragma once
// A helper process started from a program file, talking to its parent over a socket pair:
// the parent's end here, the child's as descriptor kChildChannel. Messages may carry one
// open descriptor (SCM_RIGHTS). Nothing here raises; failures answer false.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace brevine::platform {

// The descriptor the child finds its end of the channel on.
inline constexpr int kChildChannel = 3;

struct ChildProcess {
  pid_t pid = -1;
  int channel = -1;  // the parent's end, close-on-exec
};

// Starts `program` with `args` (argument 0 included), standard input from /dev/null, its
// standard output and error as the parent's, and the channel as descriptor kChildChannel;
// no other descriptor of the parent reaches it. False with the reason in `why`.
bool StartChild(const std::string& program, const std::vector<std::string>& args,
                ChildProcess& child, std::string& why);

// Closes every descriptor above kChildChannel (the child's first step).
void CloseOtherDescriptors();

// Writes all `size` bytes; the first part carries `fd` when it is not -1. Never raises
// SIGPIPE.
bool SendAll(int channel, const void* data, std::size_t size, int fd = -1);
// Reads exactly `size` bytes, waiting at most until `deadlineMs` on the steady clock
// (milliseconds, as MonotonicMs gives; -1: no limit). A descriptor that came with them is
// stored in `*fd` (which must then be given, and is -1 when none came). False at the end of
// the stream, on a timeout (`*timedOut` set when given) or an error.
bool ReceiveAll(int channel, void* data, std::size_t size, int* fd = nullptr,
                long long deadlineMs = -1, bool* timedOut = nullptr);

// Many pieces at once (a picture's rows): all of them, in order, as one stream of bytes;
// the same rules as SendAll and ReceiveAll.
struct Piece {
  void* data;
  std::size_t size;
};
bool SendPieces(int channel, std::vector<Piece> pieces);
bool ReceivePieces(int channel, std::vector<Piece> pieces, long long deadlineMs = -1,
                   bool* timedOut = nullptr);

// Milliseconds on the steady clock.
long long MonotonicMs();

}  // namespace brevine::platform
