#include "batch_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "available_memory.h"
#include "batch_places.h"
#include "decode_worker.h"
#include "memory_window.h"
#include "ordered_pool.h"
#include "output_stage.h"
#include "path_text.h"
#include "unique_fd.h"
#include "usable_cores.h"

namespace brevine {
namespace {

// A prepared file with the options it was handed out with, which its commit reads too.
struct PreparedItem {
  PreparedFile file;
  Options options;
  bool dropped = false;  // the feed dropped the file before it started: nothing to commit
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
    c.warnings = file.warnings;
    if (WroteResult(result)) {
      c.writtenPath = file.writtenPath;
      c.width = file.width;
      c.height = file.height;
      c.bytes = file.jpeg.size();
      c.quality = file.quality;
    }
    if (WroteResult(result) && !file.writtenPath.empty()) {
      // The file exists now, so the key is its fully resolved path: a link or ".." in
      // one spelling does not hide that two files wrote one output.
      c.replaced = owners_.Note(PlaceKey(file.writtenPath), index);
    }
    return c;
  }

 private:
  PlaceOwners owners_;
};

// Names, writes and reports one prepared file with its own options.
void CommitItem(BatchFeed& feed, std::size_t index, PreparedItem& item,
                const platform::Clock& clock, const BatchHooks& hooks, OutputOwners& owners,
                RunPlaces& sources) {
  PipelineHooks pipelineHooks;
  pipelineHooks.times = hooks.times;
  pipelineHooks.sources = &sources;
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

std::optional<Options> StartOf(BatchFeed& feed, std::size_t index, const Options& fetched) {
  try {
    return feed.Start(index, fetched);
  } catch (...) {
    return std::nullopt;  // a feed that cannot answer drops the file
  }
}

// A file as the hand-out gives it to a worker: what the feed answered, how many files
// must be committed before it may be prepared, and what it is expected to hold meanwhile.
struct HandedItem {
  std::size_t position = 0;  // the file's place in the feed, and in the commit order
  BatchItem item;
  std::size_t barrier = 0;
  std::uint64_t workingBytes = 0;
  std::uint64_t cost = 0;  // its work, to rank it against the others (see ChooseNext)
  bool dropped = false;    // the feed dropped it when it was to start
};

// Folds each worker's stage times into the batch's, once the worker ends.
class TimesCollector {
 public:
  explicit TimesCollector(StageTimes* total) : total_(total) {}
  StageTimes* Own(StageTimes& own) const { return total_ ? &own : nullptr; }
  void Add(const StageTimes& own) {
    if (!total_) return;
    std::lock_guard lock(mutex_);
    total_->load += own.load;
    total_->saturation += own.saturation;
    total_->reduction += own.reduction;
    total_->sharpening += own.sharpening;
    total_->encoding += own.encoding;
  }

 private:
  StageTimes* const total_;
  std::mutex mutex_;
};

// A worker keeps its bitmap from file to file (a fresh one costs a page fault per 4 KiB),
// but not one this large: the memory budget counts a file only while it is in work.
constexpr std::size_t kKeptBitmapBytes = std::size_t{128} << 20;

// The feed's files on the ordered pool: handed out one at a time (with their commit
// barriers and the memory window's leave), prepared by the workers, committed in order.
class ParallelRun {
 public:
  using Pool = OrderedPool<HandedItem, PreparedItem>;

  ParallelRun(BatchFeed& feed, const platform::Clock& clock, int jobs, const BatchHooks& hooks)
      : feed_(feed),
        clock_(clock),
        hooks_(hooks),
        order_(clock),
        ahead_(hooks.handOutAhead ? hooks.handOutAhead : kHandOutAhead),
        cores_(platform::UsableCores()),
        workers_(jobs),
        memory_(Limits(jobs, hooks)),
        sources_(hooks.sources ? *hooks.sources : ownSources_),
        times_(hooks.times),
        pool_(Steps()) {}

  int Start(int jobs) { return pool_.Start(jobs); }
  void Run() { pool_.Run(); }

 private:
  static MemoryWindow::Limits Limits(int jobs, const BatchHooks& hooks) {
    MemoryWindow::Limits limits;
    limits.budget = hooks.memoryBudget ? hooks.memoryBudget : platform::AvailableMemoryBytes();
    limits.minAhead = static_cast<std::size_t>(jobs) * 2;
    limits.maxAhead = static_cast<std::size_t>(jobs) * 32;
    // Enough to ride out a slow commit (a disk that takes its time to sync) without
    // holding a backlog that would grow with the commits' lag.
    limits.maxQueued = static_cast<std::size_t>(jobs) * 8;
    return limits;
  }

  class FileWorker final : public Pool::Worker {
   public:
    explicit FileWorker(ParallelRun& run) : run_(run) {
      PipelineHooks hooks;
      hooks.times = run.times_.Own(times_);
      hooks.decoderThreads = DecoderThreads(run.workers_, run.cores_);
      hooks.workers = run.hooks_.workers;
      if (run.hooks_.loaded)
        hooks.preview = [this](const WorkBitmap& bitmap) { run_.hooks_.loaded(index_, bitmap); };
      // Each worker owns its bitmap and its copy of the options: Prepare shares nothing
      // mutable with the other workers or with the committing thread.
      pipeline_.emplace(settings_, run.clock_, std::move(hooks));
    }
    ~FileWorker() override { run_.times_.Add(times_); }

    PreparedItem Work(std::size_t index, HandedItem& handed) override {
      PreparedItem done;
      done.dropped = handed.dropped;
      if (!handed.dropped && run_.pool_.WaitCommitted(handed.barrier)) {
        // A file that earlier files of the batch write is this file's source only once
        // they are committed: noted now, not when it was handed out, when it may still
        // have been another earlier file's result, which the next writer must replace.
        if (handed.barrier != 0) run_.sources_.Add(handed.item.path);
        index_ = index;
        settings_.Values() = handed.item.options;
        // A batch's tail or a lone file: the cores of the idle workers go to its picture.
        const int inWork = ++run_.inWork_;
        pipeline_->SetDecoderThreads(DecoderThreads(
            FilesSharingCores(run_.workers_, inWork, handed.item.following), run_.cores_));
        try {
          done.file = pipeline_->Prepare(handed.item.path, bitmap_, handed.workingBytes);
        } catch (...) {
          done.file = PreparedFile{};
          done.file.result = FileResult::kCannotProcess;
        }
        --run_.inWork_;
        if (bitmap_.ByteCount() > kKeptBitmapBytes) bitmap_.Clear();
        done.options = std::move(handed.item.options);
      }
      run_.memory_.Worked(index, handed.workingBytes, done.file.jpeg.size());
      return done;
    }

   private:
    ParallelRun& run_;
    FixedSettings settings_;
    StageTimes times_;
    std::size_t index_ = 0;
    std::optional<FilePipeline> pipeline_;
    WorkBitmap bitmap_;
  };

  // Asks the feed for files until `ahead_` are fetched and not handed out, or the last one
  // it gave does not know of a further file (asking then could wait for a drop or the batch's end).
  // One call at a time: the feed, the commit order and the estimate see the files in order.
  void Fetch() {
    while (!fed_ && fetched_.size() < ahead_) {
      if (!fetched_.empty() && (!following_ || *following_ == 0)) break;
      std::optional<BatchItem> item = NextOf(feed_, asked_);
      if (!item) {
        fed_ = true;
        break;
      }
      HandedItem handed;
      handed.position = asked_++;
      try {
        order_.Committed(pool_.Committed());
        handed.barrier = std::max(order_.Add(item->path, item->options), floor_);
      } catch (...) {
        handed.barrier = handed.position;
      }
      Estimate(*item, handed);
      following_ = item->following;
      handed.item = std::move(*item);
      fetched_.push_back(std::move(handed));
    }
  }

  // The file's working bytes and its cost. A file whose header does not tell is counted as
  // a large photo but ranked last: it most likely fails at once.
  void Estimate(const BatchItem& item, HandedItem& handed) const {
    WorkEstimate estimate;
    try {
      if (hooks_.workingBytes) {
        estimate.workingBytes = hooks_.workingBytes(item);
        estimate.pixels = estimate.workingBytes;
      } else {
        // Counted for the threads the file gets when the others are done: the decoder's
        // share is only known when it starts.
        estimate = EstimateWork(item, hooks_.workers,
                                DecoderThreads(FilesSharingCores(workers_, 1, 0), cores_));
      }
    } catch (...) {
      estimate = WorkEstimate{};
    }
    handed.workingBytes = estimate.workingBytes;
    handed.cost = estimate.pixels;
  }

  // The file handed out starts with the options the feed gives it now. Options that name
  // another output than those it was fetched with may change whose commits it and the
  // later files must wait for: it then waits for every earlier file, and every later one
  // for it.
  void StartFile(HandedItem& handed) {
    std::optional<Options> options = StartOf(feed_, handed.position, handed.item.options);
    if (!options) {
      handed.dropped = true;
      return;
    }
    if (*options == handed.item.options) return;
    bool same = false;
    try {
      same = order_.SameWaits(handed.item.path, handed.item.options, *options);
    } catch (...) {
      same = false;
    }
    if (!same) {
      const std::size_t after = handed.position + 1;
      handed.barrier = std::max(handed.barrier, handed.position);
      floor_ = std::max(floor_, after);
      for (HandedItem& f : fetched_)
        if (f.position > handed.position) f.barrier = std::max(f.barrier, after);
    }
    handed.item.options = std::move(*options);
    Estimate(handed.item, handed);
    memory_.Recount(handed.position, handed.workingBytes);
  }

  // The next file for a worker, as ChooseNext picks it among those fetched. A later file
  // goes first only if the memory window lets it in at once; else the first waits its
  // turn, which results of later files never hold back.
  std::optional<HandedItem> Allocate(std::size_t) {
    Fetch();
    if (fetched_.empty()) return std::nullopt;
    std::vector<HandOutChoice> choices;
    choices.reserve(fetched_.size());
    for (const HandedItem& f : fetched_) choices.push_back({f.position, f.barrier, f.cost});
    std::size_t pick = ChooseNext(choices);
    if (pick != 0 && !memory_.TryEnter(fetched_[pick].position, fetched_[pick].workingBytes))
      pick = 0;
    if (pick == 0 && !memory_.EnterFirst(fetched_.front().position, fetched_.front().workingBytes))
      return std::nullopt;
    // The files still to be handed out once this one is: the others fetched and those the
    // last fetched knew to follow it.
    std::optional<std::size_t> following;
    if (fed_)
      following = fetched_.size() - 1;
    else if (following_)
      following = fetched_.size() - 1 + *following_;
    HandedItem handed = std::move(fetched_[pick]);
    fetched_.erase(fetched_.begin() + static_cast<std::ptrdiff_t>(pick));
    handed.item.following = following;
    StartFile(handed);
    if (handed.barrier == 0 && !handed.dropped) sources_.Add(handed.item.path);
    return handed;
  }

  void Commit(std::size_t index, PreparedItem& item) {
    const std::size_t bytes = item.file.jpeg.size();
    if (!item.dropped) CommitItem(feed_, index, item, clock_, hooks_, owners_, sources_);
    item = PreparedItem{};  // its bytes are written: free them before waiting again
    memory_.Committed(bytes);
  }

  Pool::Steps Steps() {
    Pool::Steps steps;
    steps.allocate = [this](std::size_t index) { return Allocate(index); };
    steps.makeWorker = [this]() -> std::unique_ptr<Pool::Worker> {
      return std::make_unique<FileWorker>(*this);
    };
    steps.commit = [this](std::size_t index, PreparedItem& item) { Commit(index, item); };
    steps.position = [](const HandedItem& handed) { return handed.position; };
    // A commit raised: the workers must not wait for the memory or the feed any more.
    steps.stop = [this] {
      memory_.Stop();
      feed_.Abandon();
    };
    return steps;
  }

  BatchFeed& feed_;
  const platform::Clock& clock_;
  const BatchHooks& hooks_;
  CommitOrder order_;  // used by the one worker that is handing out, as are the next five
  std::deque<HandedItem> fetched_;        // asked of the feed and not yet handed out, in order
  std::size_t asked_ = 0;                 // files the feed gave
  std::optional<std::size_t> following_;  // what the last of them said follows it
  bool fed_ = false;                      // the feed has ended
  // Every file fetched from here on waits for this many commits: an earlier file started
  // with options that name another output than those its barriers were worked out with.
  std::size_t floor_ = 0;
  const std::size_t ahead_;
  const unsigned cores_;
  const int workers_;
  std::atomic<int> inWork_ = 0;  // files being prepared
  MemoryWindow memory_;
  RunPlaces ownSources_;
  RunPlaces& sources_;
  TimesCollector times_;
  OutputOwners owners_;  // the committing thread's
  Pool pool_;            // last: its workers use everything above
};

// `decoderThreads`: what each file's load may use of its own.
void RunFeedSequential(BatchFeed& feed, const platform::Clock& clock, const BatchHooks& hooks,
                       int decoderThreads) {
  FixedSettings settings;
  std::size_t index = 0;
  PipelineHooks pipelineHooks;
  pipelineHooks.times = hooks.times;
  pipelineHooks.decoderThreads = decoderThreads;
  pipelineHooks.workers = hooks.workers;
  if (hooks.loaded)
    pipelineHooks.preview = [&](const WorkBitmap& bitmap) { hooks.loaded(index, bitmap); };
  FilePipeline pipeline(settings, clock, pipelineHooks);
  WorkBitmap bitmap;
  OutputOwners owners;
  RunPlaces ownSources;
  RunPlaces& sources = hooks.sources ? *hooks.sources : ownSources;
  for (;; ++index) {
    std::optional<BatchItem> item = NextOf(feed, index);
    if (!item) break;
    std::optional<Options> options = StartOf(feed, index, item->options);
    if (!options) continue;  // dropped: neither read nor reported
    item->options = std::move(*options);
    sources.Add(item->path);
    settings.Values() = item->options;
    PreparedItem prepared{pipeline.Prepare(item->path, bitmap), std::move(item->options)};
    CommitItem(feed, index, prepared, clock, hooks, owners, sources);
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
    return BatchItem{paths_[index], options_, paths_.size() - index - 1};
  }

  ProcessSettings* CommitSettings() override { return &settings_; }

 private:
  const std::vector<std::string>& paths_;
  const Options options_;
  ProcessSettings& settings_;
};

std::vector<FileResult> RunSequential(const std::vector<std::string>& paths,
                                      ProcessSettings& settings, const platform::Clock& clock,
                                      StageTimes* times, const CommitReport& report,
                                      int decoderThreads, DecodeWorkerPool* workers) {
  RunPlaces sources;
  for (const std::string& path : paths) sources.Add(path);
  PipelineHooks hooks;
  hooks.times = times;
  hooks.workers = workers;
  hooks.decoderThreads = decoderThreads;
  hooks.sources = &sources;
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

int ChooseJobs(std::optional<int> requested, unsigned cores) {
  if (requested) return std::max(1, *requested);
  return static_cast<int>(std::clamp<unsigned>(cores, 1, 1024));
}

int DecoderThreads(int workers, unsigned cores) {
  return static_cast<int>(std::max(1u, cores) / static_cast<unsigned>(std::max(1, workers)));
}

int FilesSharingCores(int workers, int inWork, std::optional<std::size_t> following) {
  workers = std::max(1, workers);
  if (!following) return workers;
  const std::size_t files = static_cast<std::size_t>(std::max(1, inWork)) + *following;
  return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(workers), files));
}

int DefaultJobs() {
  std::optional<int> requested;
  if (const char* text = std::getenv("BREVINE_JOBS")) requested = ParseJobCount(text);
  return ChooseJobs(requested, platform::UsableCores());
}

WorkEstimate EstimateWork(const BatchItem& item, DecodeWorkerPool* workers, int decoderThreads) {
  // The picture work as the file's header tells it: a streamed file counts its band, not
  // its bitmap. The decoder's and encoder's own buffers come on top.
  constexpr std::uint64_t kCodecBytes = std::uint64_t{8} << 20;
  const FixedSettings settings(item.options);
  std::optional<PictureProbe> probe;
  if (workers == nullptr || SandboxModeOf(item.options.sandbox) == SandboxMode::kOff) {
    probe = ProbeImage(item.path);
  } else if (HasImageExtension(item.path)) {
    // The header is untrusted too: a worker reads it.
    int fd = -1;
    if (OpenImageSource(item.path, fd) == LoadStatus::kOk) {
      const platform::UniqueFd owned(fd);
      probe = workers->Probe(SourceFile{fd, item.path});
    }
  }
  WorkEstimate estimate;  // unknown: a large photo
  if (!probe) return estimate;
  estimate.workingBytes = EstimatedWorkingBytes(probe->width, probe->height, probe->streams,
                                                settings, probe->orientation, probe->coefficients) +
                          DecoderThreadBytes(*probe, decoderThreads) + kCodecBytes;
  estimate.pixels = static_cast<std::uint64_t>(std::max(probe->width, 0)) *
                    static_cast<std::uint64_t>(std::max(probe->height, 0));
  return estimate;
}

std::uint64_t EstimateWorkingBytes(const BatchItem& item, DecodeWorkerPool* workers,
                                   int decoderThreads) {
  return EstimateWork(item, workers, decoderThreads).workingBytes;
}

std::size_t ChooseNext(const std::vector<HandOutChoice>& files) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < files.size(); ++i)
    if (files[i].barrier <= files.front().position && files[i].cost > files[best].cost) best = i;
  return best;
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
  if (!detail.empty()) text += ": " + detail;
  return text;
}

void RunFeed(BatchFeed& feed, const platform::Clock& clock, int jobs, const BatchHooks& hooks) {
  // One worker asked for: one file at a time on one core.
  if (jobs <= 1) return RunFeedSequential(feed, clock, hooks, 1);
  ParallelRun run(feed, clock, jobs, hooks);
  if (run.Start(jobs) == 0)
    return RunFeedSequential(feed, clock, hooks, DecoderThreads(1, platform::UsableCores()));
  run.Run();
}

void RunFeedOf(BatchFeed& feed, std::size_t count, const platform::Clock& clock, int jobs,
               const BatchHooks& hooks) {
  const int asked = std::max(jobs, 1);
  jobs = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(asked), count));
  if (jobs <= 1)
    return RunFeedSequential(feed, clock, hooks,
                             asked > 1 ? DecoderThreads(1, platform::UsableCores()) : 1);
  RunFeed(feed, clock, jobs, hooks);
}

std::vector<FileResult> RunBatch(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock, int jobs,
                                 StageTimes* times, const CommitReport& report,
                                 DecodeWorkerPool* workers) {
  const std::size_t count = absolutePaths.size();
  const int asked = std::max(jobs, 1);
  jobs = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(asked), count));
  // A lone file takes every core; one worker asked for keeps to one.
  if (jobs <= 1)
    return RunSequential(absolutePaths, settings, clock, times, report,
                         asked > 1 ? DecoderThreads(1, platform::UsableCores()) : 1, workers);

  // The workers' options: a snapshot on this thread before the first commit, which is
  // when a fixed source's settings could first change (only the naming texts do, which
  // Prepare never reads). Live controls are read here once; the workers read the copy,
  // the commits read `settings` itself.
  FixedFeed feed(absolutePaths, Snapshot(settings), settings);
  std::vector<FileResult> results;
  results.reserve(count);
  RunPlaces sources;
  for (const std::string& path : absolutePaths) sources.Add(path);
  BatchHooks hooks;
  hooks.times = times;
  hooks.sources = &sources;
  hooks.workers = workers;
  hooks.report = [&](const CommittedFile& c) {
    results.push_back(c.result);
    if (report) report(c);
  };
  RunFeed(feed, clock, jobs, hooks);
  return results;
}

}  // namespace brevine
