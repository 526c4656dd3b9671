#include "batch_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "available_memory.h"
#include "output_stage.h"
#include "path_text.h"
#include "usable_cores.h"

namespace brevine {
namespace {

// A path with every existing leading part resolved through the file system (links, "..")
// and the rest, which does not exist yet, appended as written: two spellings of one place,
// an output folder that is still to be created among them, give the same text.
std::string PlaceKey(const std::string& path) {
  std::string head = path;
  std::string tail;
  while (!head.empty()) {
    if (char* real = ::realpath(head.c_str(), nullptr)) {
      std::string key(real);
      std::free(real);
      if (key == "/") key.clear();
      return key + tail;
    }
    const auto slash = head.rfind('/');
    if (slash == std::string::npos) break;
    tail = head.substr(slash) + tail;
    head.resize(slash);
  }
  return path;
}

bool IsUnresolvedWildcard(const std::string& path) {
  if (platform::NamePart(path).find_first_of("*?[") == std::string::npos) return false;
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0;
}

// Which earlier files each file must wait for, worked out as the files are handed out:
// a file that an earlier file's JPEG writes waits for that file's commit, and a wildcard
// path, whose match the earlier writes may change, waits for all before it.
class CommitOrder {
 public:
  explicit CommitOrder(const platform::Clock& clock) : clock_(clock) {}

  // For the file at the next index: how many leading files must be committed before it may
  // be prepared. Then notes where its own JPEG goes.
  std::size_t Add(const std::string& path, const Options& options) {
    const std::size_t i = count_++;
    if (IsUnresolvedWildcard(path)) {
      afterWildcard_ = i + 1;
      return i;
    }
    if (!HasImageExtension(path)) return 0;  // never read, never written
    const std::string place = PlaceKey(path);
    std::size_t barrier = afterWildcard_;
    if (const auto w = lastWriter_.find(place); w != lastWriter_.end())
      barrier = std::max(barrier, w->second);
    try {
      // The naming goes through the same steps as the commit will, on a copy: an empty
      // added text becomes "s-" there too.
      FixedSettings naming(options);
      const OutputTarget target = ChooseOutput(naming, clock_, DestinationBase(path));
      if (target.valid) lastWriter_[PlaceKey(target.jpegPath)] = i + 1;
    } catch (...) {
      // No output to wait for.
    }
    return barrier;
  }

 private:
  const platform::Clock& clock_;
  std::map<std::string, std::size_t> lastWriter_;  // output place -> index + 1
  std::size_t afterWildcard_ = 0;                  // outputs past this are not all known
  std::size_t count_ = 0;
};

constexpr std::size_t kWaitingBytes = std::size_t{64} << 20;

int OwnDecoderThreads(int workers) { return DecoderThreads(workers, platform::UsableCores()); }

// A prepared file with the options it was handed out with, which its commit reads too.
struct PreparedItem {
  PreparedFile file;
  Options options;
};

// Which file of the batch wrote each output, so that a later source with the same output
// name can say whose result it replaced.
class OutputOwners {
 public:
  CommittedFile Committed(std::size_t index, FileResult result, const PreparedFile& file) {
    CommittedFile c;
    c.index = index;
    c.result = result;
    c.detail = file.detail;
    if (result == FileResult::kWritten && !file.writtenPath.empty()) {
      // The file exists now, so the key is its fully resolved path: a link or ".." in
      // one spelling does not hide that two files wrote one output.
      const auto [owner, fresh] = owners_.try_emplace(PlaceKey(file.writtenPath), index);
      if (!fresh) {
        c.replaced = owner->second;
        owner->second = index;
      }
    }
    return c;
  }

 private:
  std::map<std::string, std::size_t> owners_;
};

// Names, writes and reports one prepared file with its own options.
void CommitItem(BatchFeed& feed, std::size_t index, PreparedItem& item,
                const platform::Clock& clock, const BatchHooks& hooks, OutputOwners& owners) {
  PipelineHooks pipelineHooks;
  pipelineHooks.times = hooks.times;
  FileResult result;
  if (ProcessSettings* shared = feed.CommitSettings()) {
    result = FilePipeline(*shared, clock, pipelineHooks).Commit(item.file);
  } else {
    FixedSettings own(item.options);
    result = FilePipeline(own, clock, pipelineHooks).Commit(item.file);
    if (own.Values() != item.options) feed.Settled(index, item.options, own.Values());
  }
  const CommittedFile committed = owners.Committed(index, result, item.file);
  if (hooks.report) hooks.report(committed);
}

std::optional<BatchItem> NextOf(BatchFeed& feed, std::size_t index) {
  try {
    return feed.Next(index);
  } catch (...) {
    return std::nullopt;  // a feed that cannot answer ends the batch
  }
}

// Prepares the feed's files on worker threads and hands them to the committing thread in
// order.
class ParallelBatch {
 public:
  ParallelBatch(BatchFeed& feed, const platform::Clock& clock, const BatchHooks& hooks)
      : feed_(feed), clock_(clock), hooks_(hooks), order_(clock) {}

  ParallelBatch(const ParallelBatch&) = delete;
  ParallelBatch& operator=(const ParallelBatch&) = delete;

  ~ParallelBatch() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  // Starts up to `jobs` workers; returns how many run (0 when no thread could be made).
  int Start(int jobs) {
    // Prepared but uncommitted results hold only their JPEG bytes. Photos differ in size
    // tenfold, so a window of a few files would stall the others behind one large photo;
    // the bytes waiting bound it instead, with a count as the outer limit.
    minWindow_ = static_cast<std::size_t>(jobs) * 2;
    maxWindow_ = static_cast<std::size_t>(jobs) * 32;
    decoderThreads_ = OwnDecoderThreads(jobs);
    for (int w = 0; w < jobs; ++w) {
      try {
        threads_.emplace_back([this] { Work(); });
      } catch (...) {
        break;  // fewer workers still finish the batch
      }
    }
    return static_cast<int>(threads_.size());
  }

  // Blocks until the file at `index` (the next in order) is prepared, and takes it;
  // nullopt when the feed ended before `index`.
  std::optional<PreparedItem> Take(std::size_t index) {
    std::unique_lock lock(mutex_);
    prepared_.wait(lock, [&] { return ready_.count(index) != 0 || (end_ && index >= *end_); });
    const auto it = ready_.find(index);
    if (it == ready_.end()) return std::nullopt;
    PreparedItem item = std::move(it->second);
    ready_.erase(it);
    waitingBytes_ -= item.file.jpeg.size();
    return item;
  }

  void Committed(std::size_t count) {
    {
      std::lock_guard lock(mutex_);
      committed_ = count;
    }
    workReady_.notify_all();
  }

 private:
  bool MayHandOut() const {
    const std::size_t ahead = next_ - committed_;  // handed out and not yet committed
    return ahead < minWindow_ || (ahead < maxWindow_ && waitingBytes_ < kWaitingBytes);
  }

  void Work() {
    // Each worker owns its bitmap and its copy of the options: Prepare shares nothing
    // mutable with the other workers or with the committing thread.
    FixedSettings settings;
    StageTimes ownTimes;
    std::size_t index = 0;
    PipelineHooks hooks;
    hooks.decoderThreads = decoderThreads_;
    if (hooks_.times) hooks.times = &ownTimes;
    if (hooks_.loaded)
      hooks.preview = [this, &index](const WorkBitmap& bitmap) { hooks_.loaded(index, bitmap); };
    FilePipeline pipeline(settings, clock_, hooks);
    WorkBitmap bitmap;
    for (;;) {
      {
        // One hand-out at a time, outside the lock: the feed may wait for its answer.
        std::unique_lock lock(mutex_);
        workReady_.wait(lock, [&] { return stopping_ || end_ || (!handing_ && MayHandOut()); });
        if (stopping_ || end_) break;
        handing_ = true;
        index = next_;
      }
      std::optional<BatchItem> item = NextOf(feed_, index);
      std::size_t barrier = 0;
      if (item) {
        try {
          barrier = order_.Add(item->path, item->options);
        } catch (...) {
          barrier = index;
        }
      }
      {
        std::lock_guard lock(mutex_);
        handing_ = false;
        if (item)
          next_ = index + 1;
        else
          end_ = index;
      }
      workReady_.notify_all();
      if (!item) {
        prepared_.notify_all();  // the committer may be waiting past the end
        break;
      }
      {
        std::unique_lock lock(mutex_);
        workReady_.wait(lock, [&] { return stopping_ || committed_ >= barrier; });
        if (stopping_) break;
      }
      settings.Values() = item->options;
      PreparedItem done;
      try {
        done.file = pipeline.Prepare(item->path, bitmap);
      } catch (...) {
        done.file = PreparedFile{};
        done.file.result = FileResult::kCannotProcess;
      }
      done.options = std::move(item->options);
      {
        std::lock_guard lock(mutex_);
        waitingBytes_ += done.file.jpeg.size();
        ready_.emplace(index, std::move(done));
      }
      prepared_.notify_all();
    }
    if (hooks_.times) {
      std::lock_guard lock(mutex_);
      hooks_.times->load += ownTimes.load;
      hooks_.times->saturation += ownTimes.saturation;
      hooks_.times->reduction += ownTimes.reduction;
      hooks_.times->sharpening += ownTimes.sharpening;
      hooks_.times->encoding += ownTimes.encoding;
    }
  }

  BatchFeed& feed_;
  const platform::Clock& clock_;
  const BatchHooks& hooks_;
  CommitOrder order_;  // used by the one worker that is handing out

  std::mutex mutex_;
  std::condition_variable workReady_;  // a worker may hand out or go on
  std::condition_variable prepared_;   // a file was prepared, or the feed ended
  std::map<std::size_t, PreparedItem> ready_;
  std::size_t next_ = 0;  // files handed out
  std::size_t committed_ = 0;
  std::optional<std::size_t> end_;  // the file count, once the feed has ended
  bool handing_ = false;
  std::size_t minWindow_ = 2;
  std::size_t maxWindow_ = 2;
  std::size_t waitingBytes_ = 0;  // JPEG bytes prepared and not yet committed
  int decoderThreads_ = 0;        // set before the workers start
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

void RunFeedSequential(BatchFeed& feed, const platform::Clock& clock, const BatchHooks& hooks) {
  FixedSettings settings;
  std::size_t index = 0;
  PipelineHooks pipelineHooks;
  pipelineHooks.times = hooks.times;
  pipelineHooks.decoderThreads = OwnDecoderThreads(1);
  if (hooks.loaded)
    pipelineHooks.preview = [&](const WorkBitmap& bitmap) { hooks.loaded(index, bitmap); };
  FilePipeline pipeline(settings, clock, pipelineHooks);
  WorkBitmap bitmap;
  OutputOwners owners;
  for (;; ++index) {
    std::optional<BatchItem> item = NextOf(feed, index);
    if (!item) break;
    settings.Values() = item->options;
    PreparedItem prepared{pipeline.Prepare(item->path, bitmap), std::move(item->options)};
    CommitItem(feed, index, prepared, clock, hooks, owners);
  }
}

// The command line's paths, every one prepared with the options of the run's start and
// committed with the run's own settings, as a sequential run commits them.
class FixedFeed final : public BatchFeed {
 public:
  FixedFeed(const std::vector<std::string>& paths, Options options, ProcessSettings& settings)
      : paths_(paths), options_(std::move(options)), settings_(settings) {}

  std::optional<BatchItem> Next(std::size_t index) override {
    if (index >= paths_.size()) return std::nullopt;
    return BatchItem{paths_[index], options_};
  }

  ProcessSettings* CommitSettings() override { return &settings_; }

 private:
  const std::vector<std::string>& paths_;
  const Options options_;
  ProcessSettings& settings_;
};

std::vector<FileResult> RunSequential(const std::vector<std::string>& paths,
                                      ProcessSettings& settings, const platform::Clock& clock,
                                      StageTimes* times, const CommitReport& report) {
  PipelineHooks hooks;
  hooks.times = times;
  hooks.decoderThreads = OwnDecoderThreads(1);
  FilePipeline pipeline(settings, clock, hooks);
  WorkBitmap bitmap;
  OutputOwners owners;
  std::vector<FileResult> results;
  results.reserve(paths.size());
  for (const std::string& path : paths) {
    PreparedFile file = pipeline.Prepare(path, bitmap);
    results.push_back(pipeline.Commit(file));
    const CommittedFile committed = owners.Committed(results.size() - 1, results.back(), file);
    if (report) report(committed);
  }
  return results;
}

}  // namespace

std::optional<int> ParseJobCount(std::string_view text) {
  const auto value = platform::ParseUnsigned(platform::Trim(text));
  if (!value || *value == 0) return std::nullopt;
  return static_cast<int>(std::min<std::uint64_t>(*value, 1024));
}

int ChooseJobs(std::optional<int> requested, unsigned cores,
               std::optional<std::uint64_t> availableBytes) {
  if (requested) return std::max(1, *requested);
  std::uint64_t jobs = std::max(1u, cores);
  if (availableBytes) jobs = std::min(jobs, *availableBytes / kWorkerMemoryBudget);
  return static_cast<int>(std::clamp<std::uint64_t>(jobs, 1, 1024));
}

int DecoderThreads(int workers, unsigned cores) {
  return static_cast<int>(std::max(1u, cores) / static_cast<unsigned>(std::max(1, workers)));
}

int DefaultJobs() {
  std::optional<int> requested;
  if (const char* text = std::getenv("BREVINE_JOBS")) requested = ParseJobCount(text);
  return ChooseJobs(requested, platform::UsableCores(), platform::AvailableMemoryBytes());
}

std::vector<std::size_t> CommitBarriers(const std::vector<std::string>& absolutePaths,
                                        const Options& options, const platform::Clock& clock) {
  CommitOrder order(clock);
  std::vector<std::size_t> barriers;
  barriers.reserve(absolutePaths.size());
  for (const std::string& path : absolutePaths) barriers.push_back(order.Add(path, options));
  return barriers;
}

std::string FailureText(FileResult result, const std::string& detail) {
  std::string text = Describe(result);
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

void RunFeed(BatchFeed& feed, const platform::Clock& clock, int jobs, const BatchHooks& hooks) {
  if (jobs <= 1) return RunFeedSequential(feed, clock, hooks);
  ParallelBatch batch(feed, clock, hooks);
  if (batch.Start(jobs) == 0) return RunFeedSequential(feed, clock, hooks);
  OutputOwners owners;
  for (std::size_t i = 0;; ++i) {
    std::optional<PreparedItem> item = batch.Take(i);
    if (!item) break;
    CommitItem(feed, i, *item, clock, hooks, owners);
    *item = PreparedItem{};  // its bytes are written: free them before waiting again
    batch.Committed(i + 1);
  }
}

std::vector<FileResult> RunBatch(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock, int jobs,
                                 StageTimes* times, const CommitReport& report) {
  const std::size_t count = absolutePaths.size();
  jobs =
      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), count));
  if (jobs <= 1) return RunSequential(absolutePaths, settings, clock, times, report);

  // The workers' options: a snapshot on this thread before the first commit, which is
  // when a fixed source's settings could first change (only the naming texts do, which
  // Prepare never reads). Live controls are read here once; the workers read the copy,
  // the commits read `settings` itself.
  FixedFeed feed(absolutePaths, Snapshot(settings), settings);
  std::vector<FileResult> results;
  results.reserve(count);
  BatchHooks hooks;
  hooks.times = times;
  hooks.report = [&](const CommittedFile& c) {
    results.push_back(c.result);
    if (report) report(c);
  };
  RunFeed(feed, clock, jobs, hooks);
  return results;
}

}  // namespace brevine
