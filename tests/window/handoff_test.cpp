// Runs started by the desktop hand their files to an open window: the window under test
// listens on a socket in its own runtime folder, and the built program, started as a second
// process, hands files to it. A socket file that no window answers on any more blocks
// neither a run nor the next window.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "main_window.h"
#include "settings_file.h"
#include "test_images.h"
#include "window_handoff.h"
#include "window_handoff_server.h"

using brevine::Options;
using brevine::TForm1;
namespace test = brevine::test;

namespace {

void WriteBmp(const std::string& path) {
  test::WriteFile(path, test::EncodeBmp24(test::MakeGradient(60, 40)));
}

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The program copied into a folder of its own, with its settings beside it and its runtime
// folder there too.
struct Program {
  Program() {
    path = QString::fromStdString(folder / "brevine");
    QFile::copy(QStringLiteral(BREVINE_PROGRAM), path);
    std::filesystem::create_directory(folder / "run");
    Options o;
    o.folderName = "ByTheRun";
    WriteText(folder / "brevine.ini", brevine::FormatSettings(o));
  }
  std::string Socket() const { return folder / "run/brevine-window"; }
  QProcessEnvironment Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(folder / "run"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    return env;
  }
  void Start(QProcess& process, const QStringList& args) const {
    process.setProcessEnvironment(Env());
    process.setWorkingDirectory(QString::fromStdString(folder.Path()));
    process.start(path, args);
  }
  // Runs it with the event loop turning, so that a window of this process can answer.
  int Run(const QStringList& args) const {
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    Start(process, args);
    if (!finished.wait(60000)) return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  test::TempFolder folder;
  QString path;
};

// A window whose results go to FromWindow, listening on the program's socket.
struct Window {
  explicit Window(const Program& program) {
    form = std::make_unique<TForm1>(folder / "brevine.ini", clock);
    form->show();
    Options o = form->CurrentOptions();
    o.folderName = "FromWindow";
    form->ApplyOptions(o);
    server = new brevine::WindowHandoffServer(form.get());
    listening = server->Listen(program.Socket());
  }
  test::TempFolder folder;
  brevine::platform::SystemClock clock;
  std::unique_ptr<TForm1> form;
  brevine::WindowHandoffServer* server = nullptr;
  bool listening = false;
};

// A socket file with nothing behind it, as a window that was killed leaves it.
void LeaveStaleSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(fd);
}

}  // namespace

class HandoffTest : public QObject {
  Q_OBJECT

 private slots:
  void filesJoinTheOpenWindowsBatch();
  void aStaleSocketBlocksNothing();
  void runsWithOptionsOfTheirOwnStayHeadless();
  void windowSwitchOpensTheWindowWithTheFiles();
};

void HandoffTest::filesJoinTheOpenWindowsBatch() {
  Program program;
  Window window(program);
  QVERIFY(window.listening);
  WriteBmp(program.folder / "a.bmp");
  std::filesystem::create_directory(program.folder / "album");
  WriteBmp(program.folder / "album/b.bmp");
  QSignalSpy started(window.form.get(), &TForm1::FileStarted);
  QSignalSpy finished(window.form.get(), &TForm1::BatchFinished);
  QProcess process;
  QElapsedTimer clock;
  clock.start();
  program.Start(process, {QStringLiteral("--desktop"), QStringLiteral("-r"),
                          QStringLiteral("a.bmp"), QStringLiteral("album")});
  QVERIFY(started.wait(10000));
  const qint64 firstStart = clock.elapsed();
  QVERIFY(finished.count() > 0 || finished.wait(20000));
  QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));
  QCOMPARE(process.exitCode(), 0);
  // The window's options made them; the run wrote nothing itself.
  QVERIFY(std::filesystem::exists(program.folder / "FromWindow/a.jpg"));
  QVERIFY(std::filesystem::exists(program.folder / "album/FromWindow/b.jpg"));
  QVERIFY(!std::filesystem::exists(program.folder / "ByTheRun"));
  qInfo("handed files started in the window %lld ms after the second process started",
        static_cast<long long>(firstStart));
}

void HandoffTest::aStaleSocketBlocksNothing() {
  Program program;
  LeaveStaleSocket(program.Socket());
  QVERIFY(std::filesystem::exists(program.Socket()));
  WriteBmp(program.folder / "a.bmp");
  // The run does the work itself, at once.
  QElapsedTimer clock;
  clock.start();
  QCOMPARE(program.Run({QStringLiteral("--desktop"), QStringLiteral("a.bmp")}), 0);
  QVERIFY(clock.elapsed() < 10000);
  QVERIFY(std::filesystem::exists(program.folder / "ByTheRun/a.jpg"));
  // The next window takes the socket over, and the run after it hands its files over.
  Window window(program);
  QVERIFY(window.listening);
  QSignalSpy finished(window.form.get(), &TForm1::BatchFinished);
  QCOMPARE(program.Run({QStringLiteral("--desktop"), QStringLiteral("a.bmp")}), 0);
  // The window's batch may have ended while the run was still being waited for.
  QVERIFY(finished.count() > 0 || finished.wait(20000));
  QVERIFY(std::filesystem::exists(program.folder / "FromWindow/a.jpg"));
  // A second window leaves the first one's socket alone.
  Window second(program);
  QVERIFY(!second.listening);
  QVERIFY(window.server->Listening());
}

void HandoffTest::runsWithOptionsOfTheirOwnStayHeadless() {
  Program program;
  Window window(program);
  QVERIFY(window.listening);
  WriteBmp(program.folder / "a.bmp");
  QSignalSpy started(window.form.get(), &TForm1::FileStarted);
  // A preset or a flag is the run's own choice: it is not the window's to make.
  QCOMPARE(program.Run({QStringLiteral("--desktop"), QStringLiteral("--preset=Mail"),
                        QStringLiteral("a.bmp")}),
           0);
  QCOMPARE(program.Run({QStringLiteral("--desktop"), QStringLiteral("--folder=Own"),
                        QStringLiteral("a.bmp")}),
           0);
  // A plain run never asks the window.
  QCOMPARE(program.Run({QStringLiteral("a.bmp")}), 0);
  QTest::qWait(200);
  QCOMPARE(started.count(), 0);
  QVERIFY(std::filesystem::exists(program.folder / "ByTheRun/a.jpg"));
  QVERIFY(std::filesystem::exists(program.folder / "Own/a.jpg"));

  // A window that closed serves no more: its socket is gone and the run works alone.
  window.form->close();
  QVERIFY(!window.server->Listening());
  QVERIFY(!std::filesystem::exists(program.Socket()));
  std::filesystem::remove(program.folder / "ByTheRun/a.jpg");
  QCOMPARE(program.Run({QStringLiteral("--desktop"), QStringLiteral("a.bmp")}), 0);
  QVERIFY(std::filesystem::exists(program.folder / "ByTheRun/a.jpg"));
  QCOMPARE(started.count(), 0);
}

void HandoffTest::windowSwitchOpensTheWindowWithTheFiles() {
  Program program;
  // The window module beside the copied program, where it looks first.
  QVERIFY(QFile::copy(QStringLiteral(BREVINE_WINDOW_MODULE),
                      QString::fromStdString(program.folder / "libbrevine_window.so")));
  WriteBmp(program.folder / "a.bmp");
  QProcess process;
  QProcessEnvironment env = program.Env();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(QString::fromStdString(program.folder.Path()));
  process.start(program.path, {QStringLiteral("--window"), QStringLiteral("a.bmp")});
  // The window opens with the file dropped on it: the result comes with its options.
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program.folder / "ByTheRun/a.jpg"), 20000);
  QCOMPARE(process.state(), QProcess::Running);
  // It serves the next run's files.
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program.Socket()), 10000);
  WriteBmp(program.folder / "b.bmp");
  QCOMPARE(program.Run({QStringLiteral("--window"), QStringLiteral("b.bmp")}), 0);
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program.folder / "ByTheRun/b.jpg"), 20000);
  process.terminate();
  QVERIFY(process.waitForFinished(10000));
}

QTEST_MAIN(HandoffTest)
#include "handoff_test.moc"
