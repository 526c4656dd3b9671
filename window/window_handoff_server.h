#pragma once
// The window's end of the hand-off: a local server on the user's socket that takes the
// files of runs started by the desktop and drops them on the window, where they join its
// batch. Only the first window of a user serves; a socket file that no window answers on
// any more (one that ended without closing it) is taken over.

#include <QObject>

#include <string>

class QLocalServer;

namespace brevine {

class TForm1;

class WindowHandoffServer final : public QObject {
  Q_OBJECT

 public:
  explicit WindowHandoffServer(TForm1* form);
  ~WindowHandoffServer() override;

  // Serves on `socketPath`; false when another window serves there or the socket cannot
  // be made (the window then works as before, without hand-off).
  bool Listen(const std::string& socketPath);
  bool Listening() const;

 protected:
  // The window's close ends the serving at once, so that no file is handed to a window
  // that would not take it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Accept();

  TForm1* form_;
  QLocalServer* server_;
};

}  // namespace brevine
