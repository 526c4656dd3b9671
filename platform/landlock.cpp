#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "confinement.h"

namespace brevine::platform {
namespace {

// The ruleset attributes of the newest ABI this code knows; the kernel reads as many
// bytes as the size passed says, so an older kernel gets the fields it knows.
struct RulesetAttributes {
  std::uint64_t handledAccessFs;
  std::uint64_t handledAccessNet;  // ABI 4
  std::uint64_t scoped;            // ABI 6
};

// Access rights by the ABI that introduced them (the distribution's header may be older).
constexpr std::uint64_t kFsAbi1 = (1ULL << 13) - 1;            // EXECUTE .. MAKE_SYM
constexpr std::uint64_t kFsRefer = 1ULL << 13;                 // ABI 2
constexpr std::uint64_t kFsTruncate = 1ULL << 14;              // ABI 3
constexpr std::uint64_t kFsIoctlDev = 1ULL << 15;              // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;               // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;            // ABI 4
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0;  // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;              // ABI 6
constexpr unsigned kCreateRulesetVersion = 1U << 0;

long CreateRuleset(const RulesetAttributes* attributes, std::size_t size, unsigned flags) {
  return ::syscall(SYS_landlock_create_ruleset, attributes, size, flags);
}

}  // namespace

int LandlockAbi() {
  const long abi = CreateRuleset(nullptr, 0, kCreateRulesetVersion);
  return abi > 0 ? static_cast<int>(abi) : 0;
}

int DenyAllFileSystemAccess(std::string& why) {
  const int abi = LandlockAbi();
  if (abi == 0) {
    why = "the kernel offers no Landlock";
    return 0;
  }
  RulesetAttributes attributes = {};
  attributes.handledAccessFs = kFsAbi1;
  if (abi >= 2) attributes.handledAccessFs |= kFsRefer;
  if (abi >= 3) attributes.handledAccessFs |= kFsTruncate;
  if (abi >= 5) attributes.handledAccessFs |= kFsIoctlDev;
  std::size_t size = sizeof(std::uint64_t);
  if (abi >= 4) {
    attributes.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    size = 2 * sizeof(std::uint64_t);
  }
  if (abi >= 6) {
    attributes.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    size = sizeof(RulesetAttributes);
  }
  const long ruleset = CreateRuleset(&attributes, size, 0);
  if (ruleset < 0) {
    why = std::string("Landlock ruleset refused: ") + std::strerror(errno);
    return 0;
  }
  // No rule is added: nothing the ruleset handles is granted anywhere.
  const long restricted = ::syscall(SYS_landlock_restrict_self, static_cast<int>(ruleset), 0U);
  const int error = errno;
  ::close(static_cast<int>(ruleset));
  if (restricted != 0) {
    why = std::string("Landlock refused: ") + std::strerror(error);
    return 0;
  }
  return abi;
}

}  // namespace brevine::platform
