#include "interrupt_cleanup.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace brevine::platform {
namespace {

// One entry per temporary; `folder` is set last and cleared first, so the handler sees an
// entry only while its name is whole.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<int> folder{-1};
  char name[64] = {};
};
constexpr int kSlots = 256;
Slot slots[kSlots];

extern "C" void RemoveAndEnd(int signal) {
  for (Slot& slot : slots) {
    const int folder = slot.folder.load(std::memory_order_acquire);
    if (folder >= 0) ::unlinkat(folder, slot.name, 0);
  }
  ::_exit(128 + signal);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigfillset(&action.sa_mask);  // one handler at a time
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  });
}

InFlightTemporary::InFlightTemporary(int folder, const std::string& name) {
  if (name.size() >= sizeof slots[0].name) return;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
    slots[i].folder.store(folder, std::memory_order_release);
    slot_ = i;
    return;
  }
}

InFlightTemporary::~InFlightTemporary() {
  if (slot_ < 0) return;
  slots[slot_].folder.store(-1, std::memory_order_release);
  slots[slot_].taken.store(false, std::memory_order_release);
}

}  // namespace brevine::platform
