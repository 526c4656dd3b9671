#include "desktop_services.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QVariantMap>

namespace brevine {

namespace {

const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

void OpenFolderOf(const QString& path) {
  const QFileInfo info(path);
  const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// A service that is running, or that the bus starts on the first call.
bool Offered(const QDBusConnection& bus, const QString& service) {
  const QDBusConnectionInterface* names = bus.interface();
  if (names == nullptr) return false;
  if (names->isServiceRegistered(service)) return true;
  const QDBusReply<QStringList> activatable = names->activatableServiceNames();
  return activatable.isValid() && activatable.value().contains(service);
}

}  // namespace

void ShowInFileManager(const QStringList& paths) {
  if (paths.isEmpty()) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !Offered(bus, kFileManager)) {
    OpenFolderOf(paths.front());
    return;
  }
  QStringList uris;
  for (const QString& path : paths) uris << QUrl::fromLocalFile(path).toString();
  QDBusMessage call =
      QDBusMessage::createMethodCall(kFileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                     kFileManager, QStringLiteral("ShowItems"));
  call << uris << QString();
  // Asynchronous: a file manager that is slow to start must not hold the window.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
  const QString first = paths.front();
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [first](QDBusPendingCallWatcher* done) {
                     if (done->isError()) OpenFolderOf(first);
                     done->deleteLater();
                   });
}

Notifier::Notifier(QObject* parent) : QObject(parent) {}

void Notifier::Notify(const QString& title, const QString& body, const QString& actionText,
                      std::function<void()> action) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  if (!listening_) {
    bus.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("ActionInvoked"),
                this, SLOT(ActionInvoked(uint, QString)));
    bus.connect(kNotifications, kNotificationsPath, kNotifications,
                QStringLiteral("NotificationClosed"), this, SLOT(Closed(uint, uint)));
    listening_ = true;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath,
                                                     kNotifications, QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("brevine"));
  call << QStringLiteral("Brevine") << uint{0} << QStringLiteral("brevine") << title << body
       << QStringList{QStringLiteral("default"), actionText, QStringLiteral("open"), actionText}
       << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, action = std::move(action)](QDBusPendingCallWatcher* done) {
            const QDBusPendingReply<uint> reply = *done;
            if (!reply.isError() && action) actions_[reply.value()] = action;
            done->deleteLater();
          });
}

void Notifier::ActionInvoked(uint id, const QString& key) {
  const auto found = actions_.find(id);
  if (found == actions_.end()) return;
  if (key == QStringLiteral("default") || key == QStringLiteral("open")) found->second();
}

void Notifier::Closed(uint id, uint) { actions_.erase(id); }

}  // namespace brevine
