#include "window_handoff_server.h"

#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <memory>

#include "main_window.h"
#include "window_handoff.h"

namespace brevine {

WindowHandoffServer::WindowHandoffServer(TForm1* form)
    : QObject(form), form_(form), server_(new QLocalServer(this)) {
  connect(server_, &QLocalServer::newConnection, this, &WindowHandoffServer::Accept);
  form_->installEventFilter(this);
}

bool WindowHandoffServer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && event->type() == QEvent::Close) server_->close();
  return false;
}

WindowHandoffServer::~WindowHandoffServer() { server_->close(); }

bool WindowHandoffServer::Listen(const std::string& socketPath) {
  if (socketPath.empty()) return false;
  const QString path = QString::fromStdString(socketPath);
  {
    // A window that answers keeps its socket.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(200)) return false;
  }
  // Nothing answers: a socket file left behind, or none.
  QLocalServer::removeServer(path);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  return server_->listen(path);
}

bool WindowHandoffServer::Listening() const { return server_->isListening(); }

void WindowHandoffServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto bytes = std::make_shared<std::string>();
    QPointer<TForm1> form(form_);
    QPointer<WindowHandoffServer> self(this);
    connect(socket, &QLocalSocket::readyRead, socket, [socket, bytes, form, self] {
      const QByteArray more = socket->readAll();
      bytes->append(more.constData(), static_cast<std::size_t>(more.size()));
      bool broken = false;
      const auto paths = platform::ReadHandoffMessage(*bytes, &broken);
      if (broken) {
        socket->abort();
        return;
      }
      if (!paths) return;
      // A window that began to close takes nothing: the run then does the work itself.
      if (!form || !self || !self->Listening()) {
        socket->abort();
        return;
      }
      socket->write("OK\n");
      socket->flush();
      socket->disconnectFromServer();
      form->DropFiles(*paths);
      // The files show where the user looks.
      form->raise();
      form->activateWindow();
    });
  }
}

}  // namespace brevine
