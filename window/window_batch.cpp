#include "window_batch.h"

#include <QMetaObject>

#include <utility>

#include "window_preview.h"

namespace brevine {

WindowBatch::WindowBatch(std::vector<std::string> paths, const platform::Clock& clock, int jobs,
                         QSize previewSize, Events events, QObject* window,
                         std::function<void()> finished)
    : clock_(clock),
      jobs_(jobs),
      previewSize_(previewSize),
      events_(std::move(events)),
      window_(window),
      finished_(std::move(finished)),
      paths_(std::move(paths)) {
  runner_ = std::thread([this] { Run(); });
}

WindowBatch::~WindowBatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  replied_.notify_all();
  runner_.join();
}

void WindowBatch::Run() {
  BatchHooks hooks;
  hooks.report = [this](const CommittedFile& c) {
    QMetaObject::invokeMethod(
        this,
        [this, index = c.index, result = c.result, detail = c.detail, replaced = c.replaced] {
          Committed(index, result, detail, replaced);
        },
        Qt::QueuedConnection);
  };
  // The picture is scaled down here, on the worker: the window's thread only ever sees the
  // small image.
  hooks.loaded = [this](std::size_t index, const WorkBitmap& bitmap) {
    QImage small = PreviewImage(bitmap, previewSize_.width(), previewSize_.height());
    QMetaObject::invokeMethod(
        this,
        [this, index, small = std::move(small)] {
          // Workers load out of order; the preview shows the file started last.
          if (previewShown_ && index < lastPreview_) return;
          previewShown_ = true;
          lastPreview_ = index;
          if (events_.preview) events_.preview(index, small);
        },
        Qt::QueuedConnection);
  };
  try {
    RunFeed(*this, clock_, jobs_, hooks);
  } catch (...) {
    // The runner raises nothing itself; a failed hook ends the batch early.
  }
  // Posted to the window, not to this object: the window may delete the batch from there.
  QMetaObject::invokeMethod(window_, finished_, Qt::QueuedConnection);
}

std::optional<BatchItem> WindowBatch::Next(std::size_t index) {
  std::unique_lock lock(mutex_);
  if (stopping_) return std::nullopt;
  asked_ = index;
  hasReply_ = false;
  reply_.reset();
  QMetaObject::invokeMethod(
      this, [this] { Answer(); }, Qt::QueuedConnection);
  replied_.wait(lock, [&] { return hasReply_ || stopping_; });
  if (!hasReply_) return std::nullopt;
  return std::move(reply_);
}

void WindowBatch::Settled(std::size_t, const Options& before, const Options& after) {
  QMetaObject::invokeMethod(
      this,
      [this, before, after] {
        if (events_.settled) events_.settled(before, after);
      },
      Qt::QueuedConnection);
}

void WindowBatch::Answer() {
  std::size_t index;
  {
    std::lock_guard lock(mutex_);
    if (!asked_) return;
    index = *asked_;
  }
  if (index < paths_.size() && !cancelled_) {
    started_ = index + 1;
    const std::string path = paths_[index];  // the handlers below may add to paths_
    Reply(BatchItem{path, events_.options()});
    if (events_.started) events_.started(index, path);
    return;
  }
  // Past the last file dropped so far, the batch ends only once every file in work is
  // committed: a drop until then still joins it.
  if (cancelled_ || committed_ >= started_) {
    ended_ = true;
    Reply(std::nullopt);
  }
}

void WindowBatch::Reply(std::optional<BatchItem> item) {
  {
    std::lock_guard lock(mutex_);
    asked_.reset();
    reply_ = std::move(item);
    hasReply_ = true;
  }
  replied_.notify_all();
}

void WindowBatch::Committed(std::size_t index, FileResult result, const std::string& detail,
                            std::optional<std::size_t> replaced) {
  committed_ = index + 1;
  const std::string path = paths_[index];  // the handler may add to paths_
  const std::string earlier = replaced && *replaced < paths_.size() ? paths_[*replaced] : "";
  if (events_.committed) events_.committed(index, path, result, detail, earlier);
  Answer();
}

bool WindowBatch::Append(const std::vector<std::string>& paths) {
  if (cancelled_ || ended_) return false;
  paths_.insert(paths_.end(), paths.begin(), paths.end());
  Answer();
  return true;
}

void WindowBatch::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  paths_.resize(started_);
  Answer();
}

}  // namespace brevine
