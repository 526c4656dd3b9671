#pragma once
// A batch on several threads, for the command line and for files dropped on the window.
// Workers prepare files (load, image operations, encoding) at once; one thread commits them
// (naming, writing, the HTML line) strictly in argument order, so everything a person sees
// is as in a one-file-at-a-time run: the same bytes, the same index lines, the same
// messages in the same order, and of two sources with one output name the later
// argument's picture is the one left on disk.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock.h"
#include "pipeline.h"
#include "process_settings.h"
#include "run_places.h"

namespace brevine {

// Estimated peak of one file in work when nothing better is known (a 48-megapixel bitmap,
// its file and the decoder's and encoder's buffers). A parallel batch starts a file only
// while the files in work, counted at their estimate, fit in the memory available.
inline constexpr std::uint64_t kWorkerMemoryBudget = std::uint64_t{512} << 20;

// A job count as the BREVINE_JOBS variable gives it: a positive decimal integer (blanks
// around it allowed), capped at 1024; nullopt for anything else.
std::optional<int> ParseJobCount(std::string_view text);

// Workers for a batch: the explicit count when there is one, else the usable cores; never
// below 1. The memory is not their count's business: the batch holds back a file that
// would not fit beside the files in work (see BatchHooks).
int ChooseJobs(std::optional<int> requested, unsigned cores);

// ChooseJobs from BREVINE_JOBS and the usable cores.
int DefaultJobs();

// Threads a decoder may start of its own for one picture when `workers` decode at once:
// the cores the other workers leave, so that N workers never start N x cores threads while
// one large tiled picture in a short batch still uses them all.
int DecoderThreads(int workers, unsigned cores);
// The files one file can expect to share the cores with, itself included: the files in work
// when it starts (`inWork`, itself counted) and those known to follow it, at most `workers`;
// `workers` when the following files are not known.
int FilesSharingCores(int workers, int inWork, std::optional<std::size_t> following);

// For each path, how many leading paths must be committed before it may be prepared.
// Normally 0; a path that an earlier argument's JPEG would write (a result fed back in as
// a source) waits for that argument, and a wildcard path, whose match the earlier writes
// may change, waits for all before it.
std::vector<std::size_t> CommitBarriers(const std::vector<std::string>& absolutePaths,
                                        const Options& options, const platform::Clock& clock);

// What one file's commit did, handed to the report on the committing thread right after
// the commit, in argument order.
struct CommittedFile {
  std::size_t index = 0;  // the path's place in the batch
  FileResult result = FileResult::kCannotRead;
  std::string detail;                 // the reason in the failing library's or system's words
  std::vector<std::string> warnings;  // notes on a file handled all the same
  // Written over the JPEG that an earlier path of this batch wrote (two sources with one
  // output name): that path's index. The later result is the one left on disk.
  std::optional<std::size_t> replaced;
  // A written file: where, its size in pixels and bytes, and its JPEG quality.
  std::string writtenPath;
  int width = 0;
  int height = 0;
  std::size_t bytes = 0;
  int quality = 0;
};
using CommitReport = std::function<void(const CommittedFile&)>;

// The reason a person reads for a file that was not written: Describe(result), then ": "
// and the detail when there is one.
std::string FailureText(FileResult result, const std::string& detail);

// One file of a batch as it is handed to a worker: its path and the options it goes
// through with.
struct BatchItem {
  std::string path;
  Options options;
  // Files known to follow this one when it was handed out; nullopt when the feed cannot
  // tell (more may still come). A file that starts while fewer files are in work than
  // workers may use the idle workers' cores for its own picture.
  std::optional<std::size_t> following;
};

// Where a batch's files come from: the command line's fixed list with one set of options,
// or the window's dropped files, each with the controls' state at the moment it starts.
class BatchFeed {
 public:
  virtual ~BatchFeed() = default;
  // The file at `index`, asked for in order 0, 1, 2, ..., one call at a time, on a runner
  // thread; nullopt ends the batch. May block until the answer is known. The runner may
  // ask for a few files before it starts them, to start a large one early.
  virtual std::optional<BatchItem> Next(std::size_t index) = 0;
  // The file at `index`, which Next gave with `fetched`, starts now: the options it goes
  // through with, or nullopt when the feed has dropped it since (it is then neither read
  // nor reported). Files may start out of their order; one call at a time, on a runner
  // thread. By default each file keeps the options Next gave.
  virtual std::optional<Options> Start(std::size_t /*index*/, const Options& fetched) {
    return fetched;
  }
  // The settings every commit reads, or nullptr: each file is then committed with its own
  // options, and Settled tells when a commit changed them.
  virtual ProcessSettings* CommitSettings() { return nullptr; }
  // The commit of `index` changed its options (an empty added text or folder name took
  // its default); on the committing thread, before that file's report.
  virtual void Settled(std::size_t /*index*/, const Options& /*before*/, const Options& /*after*/) {
  }
  // The batch ends early (a commit raised): a Next waiting for its answer, and every later
  // one, should answer nullopt at once. From any thread.
  virtual void Abandon() {}
};

// The bytes a file is expected to hold while it is prepared.
using WorkingBytesEstimate = std::function<std::uint64_t(const BatchItem& item)>;

// What a file is expected to cost while it is prepared: the bytes it holds, and the work,
// counted as the pixels its decoder makes (a streamed photo holds only a band of them, but
// decodes them all).
struct WorkEstimate {
  std::uint64_t workingBytes = kWorkerMemoryBudget;
  std::uint64_t pixels = 0;  // 0: the header does not tell
};

// The batch's own estimate: EstimatedWorkingBytes from the file's header (a streamed file
// by its band) and the codecs' buffers; kWorkerMemoryBudget when the header does not tell.
// With `workers` (and the item's sandbox not off) a worker reads the header. The file may be
// loaded on up to `decoderThreads` threads.
WorkEstimate EstimateWork(const BatchItem& item, DecodeWorkerPool* workers = nullptr,
                          int decoderThreads = 0);
// EstimateWork's bytes.
std::uint64_t EstimateWorkingBytes(const BatchItem& item, DecodeWorkerPool* workers = nullptr,
                                   int decoderThreads = 0);

// A file the hand-out could give a worker next: its place in the batch, how many leading
// files must be committed before it may be prepared (CommitBarriers), and what it is
// expected to cost.
struct HandOutChoice {
  std::size_t position = 0;
  std::size_t barrier = 0;
  std::uint64_t cost = 0;
};

// Of the files fetched and not yet handed out, in batch order, which goes next: the
// costliest of those whose barrier leaves no file it waits on still to be handed out (the
// first always qualifies); of equal costs the earliest. A large photo late in the batch so
// starts while small ones remain to fill the other workers' time, instead of leaving them
// idle at the end. 0 for none.
std::size_t ChooseNext(const std::vector<HandOutChoice>& files);

// How many files of the feed the hand-out looks at once, unless the hooks say otherwise:
// enough that the two or three large photos of an afternoon's drop are seen, and started,
// while small ones remain for the other workers. Each is only named and its header read
// until it starts.
inline constexpr std::size_t kHandOutAhead = 32;

struct BatchHooks {
  CommitReport report;
  // On a worker thread, once the file at `index` is reduced (before it is sharpened): the
  // picture the preview shows.
  std::function<void(std::size_t index, const WorkBitmap& bitmap)> loaded;
  StageTimes* times = nullptr;  // receives the stage times of every worker
  // Each file's working bytes, which then also rank the files' work; empty: EstimateWork.
  WorkingBytesEstimate workingBytes;
  // What the files in work and the results waiting may hold together; by default the
  // memory available when the batch starts.
  std::optional<std::uint64_t> memoryBudget;
  // The batch's sources, which no result may replace: each file is added as it is handed
  // out, or, when it waits for earlier files' commits, once they are made; a caller that
  // knows them all beforehand adds them here. Null: the batch's own.
  RunPlaces* sources = nullptr;
  // Where the sources are read: confined workers, or (null) the batch's own threads.
  DecodeWorkerPool* workers = nullptr;
  // How many files the hand-out looks at once (see ChooseNext); 1 hands them out in
  // order. 0: kHandOutAhead. The feed is asked for a further file only while the last one
  // it gave says more follow.
  std::size_t handOutAhead = 0;
};

// Runs the feed's files on `jobs` workers and commits them on the calling thread in
// order; returns once the feed has ended and every file it handed out is committed.
// With one job everything runs on the calling thread, one file after the other. A commit
// (or a hook it calls) that raises ends the batch: the feed is abandoned, the files in work
// finish unwritten, and the exception comes out here once every worker has ended.
void RunFeed(BatchFeed& feed, const platform::Clock& clock, int jobs, const BatchHooks& hooks);

// RunFeed for a feed of `count` files, run as RunBatch runs its paths: with one job asked
// for, or one file, on the calling thread (a lone file with every core when more jobs were
// asked for); else on at most `count` workers.
void RunFeedOf(BatchFeed& feed, std::size_t count, const platform::Clock& clock, int jobs,
               const BatchHooks& hooks);

// Runs the paths through the pipeline on `jobs` workers and returns one result per path in
// argument order. With one job (or one path) it is the sequential run on the caller's thread
// with the caller's settings, call for call. Parallel workers read their own copy of the
// options, a Snapshot taken on the caller's thread at the start; the commits read `settings`.
// `times`, when given, receives the stage times of every worker.
// `workers`, when given, reads the sources.
std::vector<FileResult> RunBatch(const std::vector<std::string>& absolutePaths,
                                 ProcessSettings& settings, const platform::Clock& clock, int jobs,
                                 StageTimes* times = nullptr, const CommitReport& report = {},
                                 DecodeWorkerPool* workers = nullptr);

}  // namespace brevine
