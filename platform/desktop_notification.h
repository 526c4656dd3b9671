#pragma once
// A desktop notification over D-Bus (org.freedesktop.Notifications on the session bus),
// with an action that shows files in the file manager (org.freedesktop.FileManager1, else
// the folder's opener). Both services are optional: without them nothing is shown. The
// bus library (sd-bus, libsystemd) is opened only when a notification is sent, so no other
// run pays for loading it.

#include <string>
#include <vector>

namespace brevine::platform {

struct DesktopNotification {
  std::string title;
  std::string body;                    // plain text; escaped for servers that read markup
  std::string actionLabel;             // empty: no action
  std::vector<std::string> showItems;  // absolute paths the action shows
};

// Sends the notification. When it has an action, waits until the user takes it, the
// notification closes or `waitSeconds` pass; the action shows the items through
// FileManager1.ShowItems, or, where no file manager answers there, opens the first item's
// folder with the desktop's opener. False when no notification service answered.
bool NotifyDesktop(const DesktopNotification& notification, int waitSeconds = 300);

// A path as a file URI: "file://" and the path with every byte but the unreserved ones and
// "/" percent-encoded.
std::string FileUri(const std::string& absolutePath);

}  // namespace brevine::platform
