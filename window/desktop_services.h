#pragma once
// The desktop's optional services, over D-Bus: showing files in the file manager and
// notifications. Each is called when it answers and quietly left out when it does not; no
// error ever reaches the person for a service the desktop does not offer.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

namespace brevine {

// Shows `paths` selected in the file manager (org.freedesktop.FileManager1.ShowItems);
// where no file manager answers, opens the first one's folder with the desktop's opener.
void ShowInFileManager(const QStringList& paths);

// Desktop notifications (org.freedesktop.Notifications) with one action each.
class Notifier final : public QObject {
  Q_OBJECT

 public:
  explicit Notifier(QObject* parent = nullptr);

  // Shows `title` and `body` with a button reading `actionText`; `action` runs when it is
  // chosen (or the notification itself is clicked). Without a session bus or a
  // notification service, nothing happens.
  void Notify(const QString& title, const QString& body, const QString& actionText,
              std::function<void()> action);

 private slots:
  void ActionInvoked(uint id, const QString& key);
  void Closed(uint id, uint reason);

 private:
  bool listening_ = false;
  std::map<uint, std::function<void()>> actions_;
};

}  // namespace brevine
