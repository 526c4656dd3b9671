#include "worker_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace brevine::platform {

bool StartChild(const std::string& program, const std::vector<std::string>& args,
                ChildProcess& child, std::string& why) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    why = std::string("no channel: ") + std::strerror(errno);
    return false;
  }
  // Room for a reduced picture in the channel, so that a worker's answer seldom waits for
  // the parent to read (the kernel caps the size at its maximum).
  for (int end : ends) {
    const int bytes = 4 << 20;
    ::setsockopt(end, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    ::setsockopt(end, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  }
  // The child's end must not already be the number it is duplicated to, or dup2 would
  // leave its close-on-exec flag set.
  int childEnd = ends[1];
  if (childEnd <= kChildChannel) {
    childEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, kChildChannel + 1);
    ::close(ends[1]);
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, childEnd, kChildChannel);
  pid_t pid = -1;
  const int error =
      childEnd < 0 ? errno
                   : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (childEnd >= 0) ::close(childEnd);
  if (error != 0) {
    ::close(ends[0]);
    why = "cannot start " + program + ": " + std::strerror(error);
    return false;
  }
  child.pid = pid;
  child.channel = ends[0];
  return true;
}

void CloseOtherDescriptors() {
  if (::close_range(kChildChannel + 1, ~0U, 0) == 0) return;
  const long most = ::sysconf(_SC_OPEN_MAX);
  for (int fd = kChildChannel + 1; fd < (most > 0 ? most : 1024); ++fd) ::close(fd);
}

bool SendAll(int channel, const void* data, std::size_t size, int fd) {
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  bool first = true;
  while (done < size || (first && size == 0 && fd >= 0)) {
    struct iovec part = {const_cast<char*>(bytes + done), size - done};
    struct msghdr message = {};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(struct cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (first && fd >= 0) {
      message.msg_control = control;
      message.msg_controllen = sizeof(control);
      struct cmsghdr* header = CMSG_FIRSTHDR(&message);
      header->cmsg_level = SOL_SOCKET;
      header->cmsg_type = SCM_RIGHTS;
      header->cmsg_len = CMSG_LEN(sizeof(int));
      std::memcpy(CMSG_DATA(header), &fd, sizeof(int));
    }
    const ssize_t sent = ::sendmsg(channel, &message, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    first = false;
    done += static_cast<std::size_t>(sent);
    if (size == 0) break;
  }
  return true;
}

long long MonotonicMs() {
  struct timespec t = {};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

namespace {

// Waits until the channel has bytes or the deadline passes; false on a timeout or error.
bool WaitReadable(int channel, long long deadlineMs, bool* timedOut) {
  for (;;) {
    const long long left = deadlineMs - MonotonicMs();
    struct pollfd p = {channel, POLLIN, 0};
    const int ready = left <= 0 ? 0 : ::poll(&p, 1, static_cast<int>(std::min(left, 1LL << 30)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && timedOut != nullptr) *timedOut = true;
    return ready > 0;
  }
}

// One recvmsg into the pieces from `first` on (the first `offset` bytes of it already
// filled); the bytes it got, 0 at the end of the stream, -1 on an error or timeout.
ssize_t ReceiveOnce(int channel, std::vector<Piece>& pieces, std::size_t first, std::size_t offset,
                    int* fd, long long deadlineMs, bool* timedOut) {
  constexpr std::size_t kMostPieces = 512;
  struct iovec parts[kMostPieces];
  std::size_t count = 0;
  for (std::size_t i = first; i < pieces.size() && count < kMostPieces; ++i, ++count) {
    const std::size_t skip = i == first ? offset : 0;
    parts[count] = {static_cast<char*>(pieces[i].data) + skip, pieces[i].size - skip};
  }
  struct msghdr message = {};
  message.msg_iov = parts;
  message.msg_iovlen = count;
  alignas(struct cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  message.msg_control = control;
  message.msg_controllen = sizeof(control);
  for (;;) {
    // Without a deadline the call waits; with one, it waits only through poll.
    const ssize_t got =
        ::recvmsg(channel, &message, MSG_CMSG_CLOEXEC | (deadlineMs >= 0 ? MSG_DONTWAIT : 0));
    if (got < 0) {
      if (errno == EINTR) continue;
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && deadlineMs >= 0) {
        if (!WaitReadable(channel, deadlineMs, timedOut)) return -1;
        continue;
      }
      return -1;
    }
    for (struct cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
      const std::size_t n = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (std::size_t k = 0; k < n; ++k) {
        int passed = -1;
        std::memcpy(&passed, CMSG_DATA(header) + k * sizeof(int), sizeof(int));
        // A descriptor nobody asked for is not kept.
        if (fd != nullptr && *fd < 0)
          *fd = passed;
        else
          ::close(passed);
      }
    }
    return got;
  }
}

}  // namespace

bool ReceivePieces(int channel, std::vector<Piece> pieces, long long deadlineMs, bool* timedOut) {
  if (timedOut != nullptr) *timedOut = false;
  std::size_t first = 0, offset = 0;
  while (first < pieces.size() && pieces[first].size == 0) ++first;
  while (first < pieces.size()) {
    const ssize_t got = ReceiveOnce(channel, pieces, first, offset, nullptr, deadlineMs, timedOut);
    if (got <= 0) return false;
    auto left = static_cast<std::size_t>(got);
    while (left > 0) {
      const std::size_t room = pieces[first].size - offset;
      if (left < room) {
        offset += left;
        left = 0;
      } else {
        left -= room;
        offset = 0;
        ++first;
      }
    }
    while (first < pieces.size() && pieces[first].size == 0) ++first;
  }
  return true;
}

bool ReceiveAll(int channel, void* data, std::size_t size, int* fd, long long deadlineMs,
                bool* timedOut) {
  if (fd != nullptr) *fd = -1;
  if (timedOut != nullptr) *timedOut = false;
  std::vector<Piece> pieces = {{data, size}};
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ReceiveOnce(channel, pieces, 0, done, fd, deadlineMs, timedOut);
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool SendPieces(int channel, std::vector<Piece> pieces) {
  constexpr std::size_t kMostPieces = 512;
  std::size_t first = 0, offset = 0;
  while (first < pieces.size()) {
    struct iovec parts[kMostPieces];
    std::size_t count = 0;
    for (std::size_t i = first; i < pieces.size() && count < kMostPieces; ++i, ++count) {
      const std::size_t skip = i == first ? offset : 0;
      parts[count] = {static_cast<char*>(pieces[i].data) + skip, pieces[i].size - skip};
    }
    struct msghdr message = {};
    message.msg_iov = parts;
    message.msg_iovlen = count;
    const ssize_t sent = ::sendmsg(channel, &message, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    auto left = static_cast<std::size_t>(sent);
    while (first < pieces.size() && left >= pieces[first].size - offset) {
      left -= pieces[first].size - offset;
      offset = 0;
      ++first;
    }
    offset += left;
  }
  return true;
}

}  // namespace brevine::platform
