#include "batch_runner.h"

#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "output_stage.h"

namespace brevine {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view s) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

std::string ReadSmallFile(const char* path) {
  std::ifstream in(path);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  const auto slash = path.rfind('/');
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (last.find_first_of("*?[") == std::string::npos) return false;
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0;
}

constexpr std::size_t kWaitingBytes = std::size_t{64} << 20;

// Prepares files on worker threads and hands them to the committing thread in order.
class ParallelBatch {
 public:
  ParallelBatch(const std::vector<std::string>& paths, const Options& options,
                const platform::Clock& clock, std::vector<std::size_t> barriers, StageTimes* times)
      : paths_(paths),
        options_(options),
        clock_(clock),
        barriers_(std::move(barriers)),
        times_(times),
        slots_(paths.size()) {}

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
    for (int w = 0; w < jobs; ++w) {
      try {
        threads_.emplace_back([this] { Work(); });
      } catch (...) {
        break;  // fewer workers still finish the batch
      }
    }
    return static_cast<int>(threads_.size());
  }

  // Blocks until the file at `index` (the next in order) is prepared, and takes it.
  PreparedFile Take(std::size_t index) {
    std::unique_lock lock(mutex_);
    prepared_.wait(lock, [&] { return slots_[index].has_value(); });
    PreparedFile file = std::move(*slots_[index]);
    slots_[index].reset();
    waitingBytes_ -= file.jpeg.size();
    return file;
  }

  void Committed(std::size_t count) {
    {
      std::lock_guard lock(mutex_);
      committed_ = count;
    }
    workReady_.notify_all();
  }

 private:
  bool MayStart() const {
    if (committed_ < barriers_[next_]) return false;
    const std::size_t ahead = next_ - committed_;  // taken and not yet committed
    return ahead < minWindow_ || (ahead < maxWindow_ && waitingBytes_ < kWaitingBytes);
  }

  void Work() {
    // Each worker owns its bitmap and its copy of the options: Prepare shares nothing
    // mutable with the other workers or with the committing thread.
    FixedSettings settings(options_);
    StageTimes ownTimes;
    PipelineHooks hooks;
    if (times_) hooks.times = &ownTimes;
    FilePipeline pipeline(settings, clock_, hooks);
    WorkBitmap bitmap;
    for (;;) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        workReady_.wait(lock, [&] { return stopping_ || next_ >= paths_.size() || MayStart(); });
        if (stopping_ || next_ >= paths_.size()) break;
        index = next_++;
      }
      PreparedFile file;
      try {
        file = pipeline.Prepare(paths_[index], bitmap);
      } catch (...) {
        file = PreparedFile{};
        file.result = FileResult::kCannotProcess;
      }
      {
        std::lock_guard lock(mutex_);
        waitingBytes_ += file.jpeg.size();
        slots_[index] = std::move(file);
      }
      prepared_.notify_all();
    }
    if (times_) {
      std::lock_guard lock(mutex_);
      times_->load += ownTimes.load;
      times_->saturation += ownTimes.saturation;
      times_->reduction += ownTimes.reduction;
      times_->sharpening += ownTimes.sharpening;
      times_->encoding += ownTimes.encoding;
    }
  }

  const std::vector<std::string>& paths_;
  const Options& options_;
  const platform::Clock& clock_;
  const std::vector<std::size_t> barriers_;
  StageTimes* const times_;

  std::mutex mutex_;
  std::condition_variable workReady_;  // a worker may take the next path
  std::condition_variable prepared_;   // a slot was filled
  std::vector<std::optional<PreparedFile>> slots_;
  std::size_t next_ = 0;
  std::size_t committed_ = 0;
  std::size_t minWindow_ = 2;
  std::size_t maxWindow_ = 2;
  std::size_t waitingBytes_ = 0;  // JPEG bytes prepared and not yet committed
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

std::vector<FileResult> RunSequential(const std::vector<std::string>& paths,
                                      ProcessSettings& settings, const platform::Clock& clock,
                                      StageTimes* times, const CommitReport& report) {
  PipelineHooks hooks;
  hooks.times = times;
  FilePipeline pipeline(settings, clock, hooks);
  WorkBitmap bitmap;
  std::vector<FileResult> results;
  results.reserve(paths.size());
  for (const std::string& path : paths) {
    PreparedFile file = pipeline.Prepare(path, bitmap);
    results.push_back(pipeline.Commit(file));
    if (report) report(results.size() - 1, results.back(), file.detail);
  }
  return results;
}

}  // namespace

std::optional<int> ParseJobCount(std::string_view text) {
  const auto value = ParseUnsigned(Trim(text));
  if (!value || *value == 0) return std::nullopt;
  return static_cast<int>(std::min<std::uint64_t>(*value, 1024));
}

std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  std::size_t at = 0;
  while (at < meminfo.size()) {
    std::size_t end = meminfo.find('\n', at);
    if (end == std::string_view::npos) end = meminfo.size();
    std::string_view line = meminfo.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    line = Trim(line.substr(kKey.size()));
    std::uint64_t unit = 1;
    if (line.size() >= 2 && line.substr(line.size() - 2) == "kB") {
      unit = 1024;
      line = Trim(line.substr(0, line.size() - 2));
    }
    const auto value = ParseUnsigned(line);
    if (!value || *value > UINT64_MAX / unit) return std::nullopt;
    return *value * unit;
  }
  return std::nullopt;
}

std::optional<unsigned> ParseCpuMax(std::string_view cpuMax) {
  cpuMax = Trim(cpuMax);
  const auto blank = cpuMax.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const auto quota = ParseUnsigned(cpuMax.substr(0, blank));
  const auto period = ParseUnsigned(Trim(cpuMax.substr(blank + 1)));
  if (!quota || !period || *period == 0 || *quota == 0) return std::nullopt;
  const std::uint64_t cores = (*quota + *period - 1) / *period;
  return static_cast<unsigned>(std::min<std::uint64_t>(cores, UINT_MAX));
}

int ChooseJobs(std::optional<int> requested, unsigned cores,
               std::optional<std::uint64_t> availableBytes) {
  if (requested) return std::max(1, *requested);
  std::uint64_t jobs = std::max(1u, cores);
  if (availableBytes) jobs = std::min(jobs, *availableBytes / kWorkerMemoryBudget);
  return static_cast<int>(std::clamp<std::uint64_t>(jobs, 1, 1024));
}

unsigned UsableCores() {
  unsigned cores = std::thread::hardware_concurrency();
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) cores = static_cast<unsigned>(count);
  }
  if (const auto quota = ParseCpuMax(ReadSmallFile("/sys/fs/cgroup/cpu.max")))
    cores = std::min(cores == 0 ? *quota : cores, *quota);
  return std::max(1u, cores);
}

int DefaultJobs() {
  std::optional<int> requested;
  if (const char* text = std::getenv("BREVINE_JOBS")) requested = ParseJobCount(text);
  return ChooseJobs(requested, UsableCores(), ParseMemAvailable(ReadSmallFile("/proc/meminfo")));
}

std::vector<std::size_t> CommitBarriers(const std::vector<std::string>& absolutePaths,
                                        const Options& options, const platform::Clock& clock) {
  // The naming goes through the same steps as the commits will, on a copy: an empty added
  // text becomes "s-" at the first commit, just as it will in the run.
  FixedSettings naming(options);
  std::map<std::string, std::size_t> lastWriter;  // output place -> argument index + 1
  std::size_t afterWildcard = 0;                  // outputs past this are not all known
  std::vector<std::size_t> barriers(absolutePaths.size(), 0);
  for (std::size_t i = 0; i < absolutePaths.size(); ++i) {
    const std::string& path = absolutePaths[i];
    if (IsUnresolvedWildcard(path)) {
      barriers[i] = i;
      afterWildcard = i + 1;
      continue;
    }
    if (!HasImageExtension(path)) continue;  // never read, never written
    const std::string place = PlaceKey(path);
    barriers[i] = afterWildcard;
    if (const auto w = lastWriter.find(place); w != lastWriter.end())
      barriers[i] = std::max(barriers[i], w->second);
    try {
      const OutputTarget target = ChooseOutput(naming, clock, DestinationBase(path));
      if (target.valid) lastWriter[PlaceKey(target.jpegPath)] = i + 1;
    } catch (...) {
      // No output to wait for.
    }
  }
  return barriers;
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
  // Prepare never reads). Live controls are read here once; the workers read the copy.
  const Options snapshot = Snapshot(settings);
  ParallelBatch batch(absolutePaths, snapshot, clock,
                      CommitBarriers(absolutePaths, snapshot, clock), times);
  if (batch.Start(jobs) == 0) return RunSequential(absolutePaths, settings, clock, times, report);

  PipelineHooks hooks;
  hooks.times = times;
  FilePipeline committer(settings, clock, hooks);
  std::vector<FileResult> results;
  results.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    PreparedFile file = batch.Take(i);
    results.push_back(committer.Commit(file));
    const std::string detail = std::move(file.detail);
    file = PreparedFile{};  // its bytes are written: free them before waiting again
    batch.Committed(i + 1);
    if (report) report(i, results.back(), detail);
  }
  return results;
}

}  // namespace brevine
