#include "desktop_notification.h"

#include <dlfcn.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <cstring>

#include "path_text.h"
#include "shell_open.h"

namespace brevine::platform {
namespace {

constexpr char kNotifications[] = "org.freedesktop.Notifications";
constexpr char kNotificationsPath[] = "/org/freedesktop/Notifications";
constexpr char kFileManager[] = "org.freedesktop.FileManager1";
constexpr char kFileManagerPath[] = "/org/freedesktop/FileManager1";
constexpr std::uint64_t kCallMicroseconds = 3'000'000;

// The few sd-bus functions used, from libsystemd opened at run time. Every pointer is set,
// or the library counts as missing.
class SdBus {
 public:
  SdBus() {
    library_ = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) return;
    ok_ = Load(openUser, "sd_bus_open_user") && Load(flushCloseUnref, "sd_bus_flush_close_unref") &&
          Load(callMethod, "sd_bus_call_method") && Load(messageRead, "sd_bus_message_read") &&
          Load(messageUnref, "sd_bus_message_unref") && Load(errorFree, "sd_bus_error_free") &&
          Load(addMatch, "sd_bus_add_match") && Load(slotUnref, "sd_bus_slot_unref") &&
          Load(process, "sd_bus_process") && Load(wait, "sd_bus_wait") &&
          Load(newMethodCall, "sd_bus_message_new_method_call") &&
          Load(appendStrv, "sd_bus_message_append_strv") && Load(append, "sd_bus_message_append") &&
          Load(call, "sd_bus_call") && Load(getMember, "sd_bus_message_get_member") &&
          Load(setTimeout, "sd_bus_set_method_call_timeout");
  }
  ~SdBus() {
    if (library_) ::dlclose(library_);
  }
  SdBus(const SdBus&) = delete;
  SdBus& operator=(const SdBus&) = delete;
  bool Ok() const { return ok_; }

  int (*openUser)(sd_bus**) = nullptr;
  sd_bus* (*flushCloseUnref)(sd_bus*) = nullptr;
  int (*callMethod)(sd_bus*, const char*, const char*, const char*, const char*, sd_bus_error*,
                    sd_bus_message**, const char*, ...) = nullptr;
  int (*messageRead)(sd_bus_message*, const char*, ...) = nullptr;
  sd_bus_message* (*messageUnref)(sd_bus_message*) = nullptr;
  void (*errorFree)(sd_bus_error*) = nullptr;
  int (*addMatch)(sd_bus*, sd_bus_slot**, const char*, sd_bus_message_handler_t, void*) = nullptr;
  sd_bus_slot* (*slotUnref)(sd_bus_slot*) = nullptr;
  int (*process)(sd_bus*, sd_bus_message**) = nullptr;
  int (*wait)(sd_bus*, std::uint64_t) = nullptr;
  int (*newMethodCall)(sd_bus*, sd_bus_message**, const char*, const char*, const char*,
                       const char*) = nullptr;
  int (*appendStrv)(sd_bus_message*, char**) = nullptr;
  int (*append)(sd_bus_message*, const char*, ...) = nullptr;
  int (*call)(sd_bus*, sd_bus_message*, std::uint64_t, sd_bus_error*, sd_bus_message**) = nullptr;
  const char* (*getMember)(sd_bus_message*) = nullptr;
  int (*setTimeout)(sd_bus*, std::uint64_t) = nullptr;

 private:
  template <typename F>
  bool Load(F& function, const char* name) {
    function = reinterpret_cast<F>(::dlsym(library_, name));
    return function != nullptr;
  }

  void* library_ = nullptr;
  bool ok_ = false;
};

// What the one notification of this run came to.
struct Outcome {
  const SdBus* bus = nullptr;
  std::uint32_t id = 0;
  bool acted = false;
  bool closed = false;
};

// Signals are C callbacks: nothing may throw through them.
int OnSignal(sd_bus_message* message, void* data, sd_bus_error*) noexcept {
  auto* outcome = static_cast<Outcome*>(data);
  const char* member = outcome->bus->getMember(message);
  if (member == nullptr) return 0;
  std::uint32_t id = 0;
  if (std::strcmp(member, "ActionInvoked") == 0) {
    const char* key = nullptr;
    if (outcome->bus->messageRead(message, "us", &id, &key) >= 0 && id == outcome->id)
      outcome->acted = true;
  } else if (std::strcmp(member, "NotificationClosed") == 0) {
    std::uint32_t reason = 0;
    if (outcome->bus->messageRead(message, "uu", &id, &reason) >= 0 && id == outcome->id)
      outcome->closed = true;
  }
  return 0;
}

// Markup that some servers read in the body: the three characters that would start it.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

bool ShowItems(const SdBus& sd, sd_bus* bus, const std::vector<std::string>& paths) {
  std::vector<std::string> uris;
  for (const std::string& p : paths) uris.push_back(FileUri(p));
  std::vector<char*> strv;
  for (std::string& u : uris) strv.push_back(u.data());
  strv.push_back(nullptr);
  sd_bus_message* call = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  bool ok = sd.newMethodCall(bus, &call, kFileManager, kFileManagerPath, kFileManager,
                             "ShowItems") >= 0 &&
            sd.appendStrv(call, strv.data()) >= 0 && sd.append(call, "s", "") >= 0 &&
            sd.call(bus, call, kCallMicroseconds, &error, &reply) >= 0;
  if (reply) sd.messageUnref(reply);
  if (call) sd.messageUnref(call);
  sd.errorFree(&error);
  return ok;
}

}  // namespace

std::string FileUri(const std::string& absolutePath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (const char c : absolutePath) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~' || b == '/') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

bool NotifyDesktop(const DesktopNotification& n, int waitSeconds) {
  SdBus sd;
  if (!sd.Ok()) return false;
  sd_bus* bus = nullptr;
  if (sd.openUser(&bus) < 0) return false;
  sd.setTimeout(bus, kCallMicroseconds);
  Outcome outcome;
  outcome.bus = &sd;
  sd_bus_slot* slot = nullptr;
  const bool action = !n.actionLabel.empty() && !n.showItems.empty();
  // Listening before the notification goes out, so that a quick answer is not missed.
  if (action)
    sd.addMatch(bus, &slot,
                "type='signal',path='/org/freedesktop/Notifications',"
                "interface='org.freedesktop.Notifications'",
                OnSignal, &outcome);
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  const std::string body = Escaped(n.body);
  // Notify(app name, replaces id, icon, summary, body, actions, hints, expiry)
  int r =
      action
          ? sd.callMethod(bus, kNotifications, kNotificationsPath, kNotifications, "Notify", &error,
                          &reply, "susssasa{sv}i", "Brevine", 0u, "brevine", n.title.c_str(),
                          body.c_str(), 4, "default", n.actionLabel.c_str(), "open-folder",
                          n.actionLabel.c_str(), 1, "desktop-entry", "s", "brevine", -1)
          : sd.callMethod(bus, kNotifications, kNotificationsPath, kNotifications, "Notify", &error,
                          &reply, "susssasa{sv}i", "Brevine", 0u, "brevine", n.title.c_str(),
                          body.c_str(), 0, 1, "desktop-entry", "s", "brevine", -1);
  if (r >= 0) r = sd.messageRead(reply, "u", &outcome.id);
  if (reply) sd.messageUnref(reply);
  sd.errorFree(&error);
  const bool shown = r >= 0;
  if (shown && action) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    while (!outcome.acted && !outcome.closed) {
      const int processed = sd.process(bus, nullptr);
      if (processed < 0) break;
      if (processed > 0) continue;
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      if (sd.wait(bus, static_cast<std::uint64_t>(left)) < 0) break;
    }
    if (outcome.acted && !ShowItems(sd, bus, n.showItems))
      LaunchDetached({"xdg-open", ParentFolder(n.showItems.front())});
  }
  if (slot) sd.slotUnref(slot);
  sd.flushCloseUnref(bus);
  return shown;
}

}  // namespace brevine::platform
