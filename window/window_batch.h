#pragma once
// A dropped batch on the batch runner. The files dropped so far are handed out to the
// runner's workers one by one, each with the options the controls hold at the moment it
// starts, read on the window's thread; everything the runner reports comes back to that
// thread. The runner may look at a few files ahead and start a large one before them.
// No widget is touched from another thread: the events below all run on the window's.

#include <QImage>
#include <QObject>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch_runner.h"
#include "clock.h"

namespace brevine {

class WindowBatch final : public QObject, private BatchFeed {
 public:
  struct Events {
    std::function<Options()> options;  // the controls' state, for a file starting now
    std::function<void(std::size_t index, const std::string& path)> started;
    std::function<void(std::size_t index, const QImage& preview)> preview;
    // What the commit did (where the result went, its size, or the reason it failed);
    // `replaced`: the earlier path whose result this one replaced, or empty.
    std::function<void(std::size_t index, const std::string& path, const CommittedFile& file,
                       const std::string& replaced)>
        committed;
    std::function<void(const Options& before, const Options& after)> settled;
    // A folder walk has found `found` files so far (at most a few times a second).
    std::function<void(std::size_t found)> walking;
    // A walk's files have joined the batch (Count() has grown, Walking() may have ended).
    std::function<void()> walked;
  };

  // `window` receives `finished` once every file handed out is committed; `previewSize`
  // is the size the worker scales each loaded picture to. With `walk`, the folders among
  // the paths are walked first, on the batch's own thread, with those options (see
  // ExpandFolderPaths); the window's thread only hears the count found as it grows.
  WindowBatch(std::vector<std::string> paths, std::optional<Options> walk,
              const platform::Clock& clock, int jobs, QSize previewSize, Events events,
              QObject* window, std::function<void()> finished, DecodeWorkerPool* workers = nullptr);
  // Cancels the files not yet started and waits for those in work.
  ~WindowBatch() override;

  WindowBatch(const WindowBatch&) = delete;
  WindowBatch& operator=(const WindowBatch&) = delete;

  // False when the batch takes no more files (cancelled, or its end already decided).
  // With `walk` the paths' folders are walked as in the constructor; either way the files
  // join after those of every earlier call.
  bool Append(const std::vector<std::string>& paths, std::optional<Options> walk = std::nullopt);
  // Files not yet started are dropped, a walk stops; the files in work finish.
  void Cancel();
  std::size_t Count() const { return paths_.size(); }
  // The files started so far: after Cancel, every file the batch will report.
  std::size_t Started() const { return starts_; }
  bool Walking() const { return walksPending_ > 0; }

 private:
  std::optional<BatchItem> Next(std::size_t index) override;  // runner thread
  std::optional<Options> Start(std::size_t index, const Options& fetched) override;  // ditto
  void Settled(std::size_t index, const Options& before, const Options& after) override;
  void Abandon() override;  // any thread

  struct WalkJob {
    std::vector<std::string> paths;
    std::optional<Options> walk;
  };

  // Window's thread from here on.
  void Answer();
  void Reply(std::optional<BatchItem> item);
  // The runner's question on its thread: waits for the window's answer.
  std::optional<BatchItem> Ask(std::size_t index, bool start);
  void Committed(const CommittedFile& file);
  void Walked(std::vector<std::string> paths);
  void FailUnfinished(const std::string& reason);
  void Enqueue(WalkJob job);
  void Run();   // the runner thread's body
  void Walk();  // the walker thread's body

  const platform::Clock& clock_;
  const int jobs_;
  const QSize previewSize_;
  const Events events_;
  QObject* const window_;
  const std::function<void()> finished_;
  DecodeWorkerPool* const workers_;

  // Every path handed to the batch, known before its turn: no result may replace one.
  RunPlaces sources_;

  // Window's thread only.
  std::vector<std::string> paths_;
  std::size_t started_ = 0;  // the last file started so far, plus one
  std::size_t committed_ = 0;
  // The files started and not yet committed, each with its place in the order of starts.
  std::map<std::size_t, std::size_t> inWork_;
  std::size_t starts_ = 0;       // files started so far
  std::size_t lastPreview_ = 0;  // the shown preview's place in the order of starts
  bool previewShown_ = false;
  bool cancelled_ = false;
  bool ended_ = false;
  std::size_t walksPending_ = 0;  // walk jobs queued and not yet back

  // The one open question from the runner: which file comes at `asked_` (Next), or with
  // which options it starts (Start).
  struct Question {
    std::size_t index = 0;
    bool start = false;
  };
  std::mutex mutex_;
  std::condition_variable replied_;
  std::optional<Question> asked_;
  bool hasReply_ = false;
  std::optional<BatchItem> reply_;
  bool stopping_ = false;
  std::deque<WalkJob> walks_;  // for the walker, in drop order
  std::condition_variable walkQueued_;
  std::atomic<bool> walkStop_ = false;  // the walk in hand ends early

  std::thread runner_;
  std::thread walker_;  // started with the first walk
};

}  // namespace brevine
