#include "window_handoff.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "path_text.h"
#include "unique_fd.h"

namespace brevine::platform {
namespace {

constexpr char kHeader[] = "BREVINE-DROP 1 ";

// Waits for `events` on the socket until `deadline`; false on a timeout or an error.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

}  // namespace

std::string HandoffSocketPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return {};
  return WithoutTrailingSlashes(runtime) + "/brevine-window";
}

std::string HandoffMessage(const std::vector<std::string>& paths) {
  std::string m = kHeader + std::to_string(paths.size()) + "\n";
  for (const std::string& p : paths) {
    m += p;
    m += '\0';
  }
  return m;
}

std::optional<std::vector<std::string>> ReadHandoffMessage(const std::string& bytes, bool* broken) {
  *broken = false;
  const std::size_t header = std::strlen(kHeader);
  const std::size_t end = bytes.find('\n');
  if (bytes.size() > kHandoffLimit ||
      bytes.compare(0, std::min(bytes.size(), header), kHeader, 0,
                    std::min(bytes.size(), header)) != 0 ||
      (end == std::string::npos && bytes.size() > header + 20)) {
    *broken = true;
    return std::nullopt;
  }
  if (end == std::string::npos) return std::nullopt;
  const auto count = ParseUnsigned(std::string_view(bytes).substr(header, end - header));
  if (!count || *count > kHandoffLimit) {
    *broken = true;
    return std::nullopt;
  }
  std::vector<std::string> paths;
  std::size_t at = end + 1;
  while (paths.size() < *count) {
    const std::size_t nul = bytes.find('\0', at);
    if (nul == std::string::npos) return std::nullopt;
    std::string path = bytes.substr(at, nul - at);
    // Only absolute paths: the window has its own current folder.
    if (path.empty() || path[0] != '/') {
      *broken = true;
      return std::nullopt;
    }
    paths.push_back(std::move(path));
    at = nul + 1;
  }
  if (at != bytes.size()) {
    *broken = true;
    return std::nullopt;
  }
  return paths;
}

bool HandToWindow(const std::string& socketPath, const std::vector<std::string>& paths,
                  int timeoutMs) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return false;
  // A socket file with no window behind it refuses at once (ECONNREFUSED); so does a path
  // that is no socket.
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno != EAGAIN && errno != EINPROGRESS)
    return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::string message = HandoffMessage(paths);
  std::size_t sent = 0;
  while (sent < message.size()) {
    if (!WaitFor(fd.get(), POLLOUT, deadline)) return false;
    const ssize_t n = ::send(fd.get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
    if (n > 0) sent += static_cast<std::size_t>(n);
  }
  std::string answer;
  while (answer.size() < 3) {
    if (!WaitFor(fd.get(), POLLIN, deadline)) return false;
    char buffer[8];
    const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
    if (n == 0) return false;
    if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
    if (n > 0) answer.append(buffer, static_cast<std::size_t>(n));
  }
  return answer.compare(0, 3, "OK\n") == 0;
}

}  // namespace brevine::platform
