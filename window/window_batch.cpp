#include "window_batch.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>
#include <utility>

#include "folder_walk.h"
#include "window_preview.h"

namespace brevine {

namespace {

// How often a walk tells the window its count: often enough to see it grow, seldom enough
// that a walk of a million files does not flood the window's queue.
constexpr auto kWalkReportInterval = std::chrono::milliseconds(100);

}  // namespace

WindowBatch::WindowBatch(std::vector<std::string> paths, std::optional<Options> walk,
                         const platform::Clock& clock, int jobs, QSize previewSize, Events events,
                         QObject* window, std::function<void()> finished, DecodeWorkerPool* workers)
    : clock_(clock),
      jobs_(jobs),
      previewSize_(previewSize),
      events_(std::move(events)),
      window_(window),
      finished_(std::move(finished)),
      workers_(workers) {
  if (walk)
    Enqueue({std::move(paths), std::move(walk)});
  else
    paths_ = std::move(paths);
  for (const std::string& path : paths_) sources_.Add(path);
  runner_ = std::thread([this] { Run(); });
}

WindowBatch::~WindowBatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    walks_.clear();
  }
  walkStop_ = true;
  replied_.notify_all();
  walkQueued_.notify_all();
  runner_.join();
  if (walker_.joinable()) walker_.join();
}

void WindowBatch::Run() {
  BatchHooks hooks;
  hooks.workers = workers_;
  hooks.sources = &sources_;
  hooks.report = [this](const CommittedFile& c) {
    QMetaObject::invokeMethod(
        this, [this, c] { Committed(c); }, Qt::QueuedConnection);
  };
  // The picture is scaled down here, on the worker: the window's thread only ever sees the
  // small image.
  hooks.loaded = [this](std::size_t index, const WorkBitmap& bitmap) {
    QImage small = PreviewImage(bitmap, previewSize_.width(), previewSize_.height());
    QMetaObject::invokeMethod(
        this,
        [this, index, small = std::move(small)] {
          // Workers load out of order; the preview shows the file started last.
          const auto file = inWork_.find(index);
          if (file == inWork_.end()) return;
          if (previewShown_ && file->second < lastPreview_) return;
          previewShown_ = true;
          lastPreview_ = file->second;
          if (events_.preview) events_.preview(index, small);
        },
        Qt::QueuedConnection);
  };
  std::string failure;
  try {
    RunFeed(*this, clock_, jobs_, hooks);
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown failure";
  }
  // A commit (or a hook it called) raised: the runner has abandoned the feed and ended
  // the batch. Posted to the window, not to this object: the window may delete the batch
  // from there. Queued after every commit reported so far, so the files that are left
  // unfinished are those started and never reported.
  QMetaObject::invokeMethod(
      window_,
      [this, failure, finished = finished_] {
        if (!failure.empty()) FailUnfinished(failure);
        finished();
      },
      Qt::QueuedConnection);
}

void WindowBatch::FailUnfinished(const std::string& reason) {
  // The first of them is the file whose commit failed; the others were prepared and never
  // committed. None was written by this batch's end, so each counts as failed.
  const std::size_t first = committed_;
  const std::map<std::size_t, std::size_t> unfinished = std::exchange(inWork_, {});
  for (const auto& file : unfinished) {
    const std::size_t index = file.first;
    if (index >= paths_.size()) break;
    committed_ = index + 1;
    const std::string path = paths_[index];
    CommittedFile failed;
    failed.index = index;
    failed.result = FileResult::kCannotWrite;
    failed.detail = index == first ? reason : "the batch ended before its turn";
    if (events_.committed) events_.committed(index, path, failed, "");
  }
}

void WindowBatch::Abandon() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  replied_.notify_all();
}

void WindowBatch::Enqueue(WalkJob job) {
  ++walksPending_;
  {
    std::lock_guard lock(mutex_);
    walks_.push_back(std::move(job));
  }
  walkQueued_.notify_all();
  if (!walker_.joinable()) walker_ = std::thread([this] { Walk(); });
}

void WindowBatch::Walk() {
  for (;;) {
    WalkJob job;
    {
      std::unique_lock lock(mutex_);
      walkQueued_.wait(lock, [&] { return stopping_ || !walks_.empty(); });
      if (stopping_) return;
      job = std::move(walks_.front());
      walks_.pop_front();
    }
    std::vector<std::string> found;
    if (job.walk) {
      WalkControl control;
      control.stop = &walkStop_;
      // The first file found is told at once, the rest at most every interval.
      std::optional<std::chrono::steady_clock::time_point> last;
      control.found = [this, &last](std::size_t count) {
        const auto now = std::chrono::steady_clock::now();
        if (last && now - *last < kWalkReportInterval) return;
        last = now;
        QMetaObject::invokeMethod(
            this,
            [this, count] {
              if (!cancelled_ && events_.walking) events_.walking(count);
            },
            Qt::QueuedConnection);
      };
      try {
        found = ExpandFolderPaths(job.paths, FixedSettings(*job.walk), control);
      } catch (...) {
        found.clear();  // a walk that cannot be held in memory adds nothing
      }
    } else {
      found = std::move(job.paths);
    }
    QMetaObject::invokeMethod(
        this, [this, found = std::move(found)]() mutable { Walked(std::move(found)); },
        Qt::QueuedConnection);
  }
}

void WindowBatch::Walked(std::vector<std::string> paths) {
  if (cancelled_ || walksPending_ == 0) return;
  --walksPending_;
  for (const std::string& path : paths) sources_.Add(path);
  paths_.insert(paths_.end(), std::make_move_iterator(paths.begin()),
                std::make_move_iterator(paths.end()));
  if (events_.walked) events_.walked();
  Answer();
}

std::optional<BatchItem> WindowBatch::Next(std::size_t index) { return Ask(index, false); }

std::optional<Options> WindowBatch::Start(std::size_t index, const Options&) {
  std::optional<BatchItem> item = Ask(index, true);
  if (!item) return std::nullopt;
  return std::move(item->options);
}

std::optional<BatchItem> WindowBatch::Ask(std::size_t index, bool start) {
  std::unique_lock lock(mutex_);
  if (stopping_) return std::nullopt;
  asked_ = Question{index, start};
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
  Question question;
  {
    std::lock_guard lock(mutex_);
    if (!asked_) return;
    question = *asked_;
  }
  const std::size_t index = question.index;
  if (question.start) {
    // A file dropped by Esc after the runner asked for it is not started.
    if (cancelled_ || index >= paths_.size()) return Reply(std::nullopt);
    started_ = std::max(started_, index + 1);
    inWork_[index] = starts_++;
    const std::string path = paths_[index];  // the handler below may add to paths_
    BatchItem item;
    item.path = path;
    item.options = events_.options();
    Reply(std::move(item));
    if (events_.started) events_.started(index, path);
    return;
  }
  if (index < paths_.size() && !cancelled_) {
    // The files dropped so far; a walk still under way may add more. The options are
    // taken again when the file starts.
    std::optional<std::size_t> following;
    if (walksPending_ == 0) following = paths_.size() - index - 1;
    Reply(BatchItem{paths_[index], events_.options(), following});
    return;
  }
  // Past the last file dropped so far, the batch ends only once every file in work is
  // committed and every walk is back: a drop until then still joins it. The runner asks
  // past the last file only once it has started every file it asked for.
  if (cancelled_ || (inWork_.empty() && walksPending_ == 0)) {
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

void WindowBatch::Committed(const CommittedFile& file) {
  const std::size_t index = file.index;
  committed_ = index + 1;
  inWork_.erase(index);
  const std::string path = paths_[index];  // the handler may add to paths_
  const std::string earlier =
      file.replaced && *file.replaced < paths_.size() ? paths_[*file.replaced] : "";
  if (events_.committed) events_.committed(index, path, file, earlier);
  Answer();
}

bool WindowBatch::Append(const std::vector<std::string>& paths, std::optional<Options> walk) {
  if (cancelled_ || ended_) return false;
  if (walk || walksPending_ > 0) {
    // Behind the walks still out, so the files keep their drop order.
    Enqueue({paths, std::move(walk)});
    return true;
  }
  for (const std::string& path : paths) sources_.Add(path);
  paths_.insert(paths_.end(), paths.begin(), paths.end());
  Answer();
  return true;
}

void WindowBatch::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  {
    std::lock_guard lock(mutex_);
    walks_.clear();
  }
  walkStop_ = true;
  walksPending_ = 0;
  paths_.resize(std::min(started_, paths_.size()));
  Answer();
}

}  // namespace brevine
