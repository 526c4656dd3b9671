// The notification at the end of a run from the desktop, against fake notification and
// file-manager services on a private session bus (the test runs under dbus-run-session).

#include "desktop_notification.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include "command_line.h"
#include "test_images.h"

namespace brevine {
namespace {

// org.freedesktop.Notifications and org.freedesktop.FileManager1 on their own connection
// and thread. A notification is answered with id 7 and, as `answer` says, the action taken
// or the notification closed.
class FakeDesktop {
 public:
  enum class Answer { kAction, kClose, kNothing };

  explicit FakeDesktop(Answer answer, bool fileManager = true) : answer_(answer) {
    if (sd_bus_open_user(&bus_) < 0) return;
    sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/Notifications",
                             "org.freedesktop.Notifications", kNotifications, this);
    if (fileManager)
      sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/FileManager1",
                               "org.freedesktop.FileManager1", kFileManager, this);
    ready_ = sd_bus_request_name(bus_, "org.freedesktop.Notifications", 0) >= 0 &&
             (!fileManager || sd_bus_request_name(bus_, "org.freedesktop.FileManager1", 0) >= 0);
    thread_ = std::thread([this] {
      while (!stop_) {
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
        sd_bus_wait(bus_, 20'000);
      }
    });
  }
  ~FakeDesktop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (bus_) sd_bus_flush_close_unref(bus_);
  }
  bool Ready() const { return ready_; }

  struct Seen {
    std::string title, body;
    std::vector<std::string> actions;
    std::vector<std::string> shownUris;
    int notifications = 0;
  };
  Seen Get() {
    const std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  static int Notify(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<FakeDesktop*>(data);
    const char *app, *icon, *title, *body;
    std::uint32_t replaces;
    char** actions = nullptr;
    if (sd_bus_message_read(m, "susss", &app, &replaces, &icon, &title, &body) < 0 ||
        sd_bus_message_read_strv(m, &actions) < 0)
      return -EINVAL;
    {
      const std::lock_guard lock(self->mutex_);
      self->seen_.title = title;
      self->seen_.body = body;
      self->seen_.actions.clear();
      for (char** a = actions; a && *a; ++a) self->seen_.actions.push_back(*a);
      ++self->seen_.notifications;
    }
    for (char** a = actions; a && *a; ++a) free(*a);
    free(actions);
    const int r = sd_bus_reply_method_return(m, "u", 7u);
    if (self->answer_ == Answer::kAction)
      sd_bus_emit_signal(self->bus_, "/org/freedesktop/Notifications",
                         "org.freedesktop.Notifications", "ActionInvoked", "us", 7u, "open-folder");
    else if (self->answer_ == Answer::kClose)
      sd_bus_emit_signal(self->bus_, "/org/freedesktop/Notifications",
                         "org.freedesktop.Notifications", "NotificationClosed", "uu", 7u, 2u);
    return r;
  }
  static int ShowItems(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<FakeDesktop*>(data);
    char** uris = nullptr;
    if (sd_bus_message_read_strv(m, &uris) < 0) return -EINVAL;
    {
      const std::lock_guard lock(self->mutex_);
      for (char** u = uris; u && *u; ++u) self->seen_.shownUris.push_back(*u);
    }
    for (char** u = uris; u && *u; ++u) free(*u);
    free(uris);
    return sd_bus_reply_method_return(m, "");
  }

  static constexpr sd_bus_vtable kNotifications[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", Notify, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  static constexpr sd_bus_vtable kFileManager[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("ShowItems", "ass", "", ShowItems, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};

  Answer answer_;
  sd_bus* bus_ = nullptr;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  Seen seen_;
};

bool OnPrivateBus() { return std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr; }

TEST(DesktopNotification, TheActionShowsTheResultsInTheFileManager) {
  ASSERT_TRUE(OnPrivateBus());
  FakeDesktop fake(FakeDesktop::Answer::kAction);
  ASSERT_TRUE(fake.Ready());
  EXPECT_TRUE(platform::NotifyDesktop(
      {"Brevine: 2 photos written", "a <b> & c", "Open folder", {"/p/x y/a.jpg", "/p/b.jpg"}}, 10));
  const FakeDesktop::Seen seen = fake.Get();
  EXPECT_EQ(seen.title, "Brevine: 2 photos written");
  EXPECT_EQ(seen.body, "a &lt;b&gt; &amp; c");
  EXPECT_EQ(seen.actions,
            (std::vector<std::string>{"default", "Open folder", "open-folder", "Open folder"}));
  EXPECT_EQ(seen.shownUris, (std::vector<std::string>{"file:///p/x%20y/a.jpg", "file:///p/b.jpg"}));
}

TEST(DesktopNotification, ClosedOrWithoutActionShowsNothing) {
  ASSERT_TRUE(OnPrivateBus());
  FakeDesktop fake(FakeDesktop::Answer::kClose);
  ASSERT_TRUE(fake.Ready());
  EXPECT_TRUE(platform::NotifyDesktop({"t", "b", "Open folder", {"/p/a.jpg"}}, 10));
  EXPECT_TRUE(platform::NotifyDesktop({"t", "nothing written", "", {}}, 10));
  const FakeDesktop::Seen seen = fake.Get();
  EXPECT_EQ(seen.notifications, 2);
  EXPECT_TRUE(seen.actions.empty());
  EXPECT_TRUE(seen.shownUris.empty());
}

TEST(DesktopNotification, WithoutAServiceNothingIsShownAndNothingWaits) {
  ASSERT_TRUE(OnPrivateBus());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::NotifyDesktop({"t", "b", "Open folder", {"/p/a.jpg"}}, 10));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(platform::FileUri("/a/%b#?ü"), "file:///a/%25b%23%3F%C3%BC");
}

TEST(DesktopNotification, ARunFromTheDesktopReportsItsEnd) {
  ASSERT_TRUE(OnPrivateBus());
  test::TempFolder dir;
  test::WriteFile(dir / "a.bmp", test::EncodeBmp24(test::MakeGradient(300, 200)));
  test::WriteFile(dir / "broken.bmp", {'B', 'M', 1, 2});
  FakeDesktop fake(FakeDesktop::Answer::kAction);
  ASSERT_TRUE(fake.Ready());
  std::ostringstream out, err;
  EXPECT_EQ(
      RunCommandLine({"--desktop", "a.bmp", "broken.bmp"}, dir / "brevine", out, err, dir.Path()),
      1);
  const FakeDesktop::Seen seen = fake.Get();
  EXPECT_EQ(seen.title, "Brevine: 1 photo written");
  const auto before = std::filesystem::file_size(dir / "a.bmp");
  const auto after = std::filesystem::file_size(dir / "Resized/a.jpg");
  char sizes[64];
  std::snprintf(sizes, sizeof sizes, "%.1f KB before, %.1f KB after",
                static_cast<double>(before) / 1024, static_cast<double>(after) / 1024);
  // The one error line, "brevine: broken.bmp: REASON", without its prefix and line end.
  const std::string failure = err.str().substr(9, err.str().size() - 10);
  EXPECT_EQ(seen.body, std::string(sizes) + "\n1 not written; the first: " + failure);
  EXPECT_EQ(seen.shownUris, (std::vector<std::string>{platform::FileUri(dir / "Resized/a.jpg")}));

  // A plain run of the same files notifies nobody.
  EXPECT_EQ(RunCommandLine({"a.bmp"}, dir / "brevine", out, err, dir.Path()), 0);
  EXPECT_EQ(fake.Get().notifications, 1);
}

TEST(RunSummaryText, TitleAndBody) {
  RunSummary s;
  EXPECT_EQ(SummaryTitle(s), "Brevine: no photo written");
  EXPECT_EQ(SummaryBody(s), "");
  s.written = 3;
  s.bytesBefore = 5 * 1024 * 1024 + 512 * 1024;
  s.bytesAfter = 900;
  EXPECT_EQ(SummaryTitle(s), "Brevine: 3 photos written");
  EXPECT_EQ(SummaryBody(s), "5.5 MB before, 900 bytes after");
  s.written = 0;
  s.failed = 2;
  s.firstFailure = "x.jpg: cannot decode";
  EXPECT_EQ(SummaryBody(s), "2 not written; the first: x.jpg: cannot decode");
}

}  // namespace
}  // namespace brevine
