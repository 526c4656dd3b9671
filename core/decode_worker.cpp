#include "decode_worker.h"

#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>

#include "batch_runner.h"
#include "clock.h"
#include "confinement.h"
#include "shared_memory.h"
#include "syscall_filter.h"
#include "worker_process.h"

namespace brevine {
namespace {

// Beyond a file's own working bytes and its file: the decoder's and the C library's
// buffers, thread stacks and arenas.
constexpr std::uint64_t kAllowanceMargin = std::uint64_t{1} << 30;
constexpr std::uint64_t kPerThreadMargin = std::uint64_t{80} << 20;
// A worker that has just started may take this long to say it is ready.
constexpr long long kStartMs = 10000;

// ---- the worker's side -----------------------------------------------------------------

// Set by the new-handler when an allocation fails under the memory allowance. A worker
// process serves one file at a time; the flag is cleared before each.
std::atomic<bool> allocationFailed{false};

void RecordFailedAllocation() {
  allocationFailed.store(true, std::memory_order_relaxed);
  throw std::bad_alloc();
}

bool SendMessage(int channel, MessageKind kind, const std::vector<std::uint8_t>& fields,
                 std::uint64_t pixelBytes = 0, int fd = -1) {
  MessageHeader header;
  header.kind = kind;
  header.fieldBytes = fields.size();
  header.pixelBytes = pixelBytes;
  std::vector<std::uint8_t> bytes = EncodeHeader(header);
  bytes.insert(bytes.end(), fields.begin(), fields.end());
  return platform::SendAll(channel, bytes.data(), bytes.size(), fd);
}

// A message's header and fields; false at the end of the stream or on a timeout; a
// malformed header raises MessageError.
bool ReceiveMessage(int channel, MessageHeader& header, std::vector<std::uint8_t>& fields, int* fd,
                    long long deadlineMs, bool* timedOut) {
  std::uint8_t head[kMessageHeaderBytes];
  if (!platform::ReceiveAll(channel, head, sizeof head, fd, deadlineMs, timedOut)) return false;
  header = DecodeHeader(head, sizeof head);
  fields.resize(static_cast<std::size_t>(header.fieldBytes));
  return platform::ReceiveAll(channel, fields.data(), fields.size(), nullptr, deadlineMs, timedOut);
}

// A large bitmap is not kept from file to file.
constexpr std::size_t kKeptBitmapBytes = std::size_t{128} << 20;

// This process's CPU time in seconds (the clock call the walls allow).
double OwnCpuSeconds() {
  struct timespec t = {};
  if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0;
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int RunDecodeWorker(int channel, const SourceReduction& reduce, unsigned libraries) {
  platform::CloseOtherDescriptors();
  // Everything a decoder of the batch's files would open later is opened now, while files
  // can still be opened.
  PreloadDecoderLibraries(libraries);
  // LibRaw turns a raw's date into a time (mktime), which needs the time zone.
  platform::FixLocalTimeZone();
  std::set_new_handler(RecordFailedAllocation);
  // One malloc arena for every thread: the C library reads a /proc file the first time it
  // shrinks a thread's own arena, which the walls below forbid. It also keeps the address
  // space near what the allowance counts (a thread arena reserves 64 MiB at once).
  ::mallopt(M_ARENA_MAX, 1);
  // The heap is kept from file to file instead of being given back and faulted in again
  // for every file (the batch's own threads keep theirs the same way).
  ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 64 << 20);

  WorkerReady ready;
  ready.baselineBytes = platform::OwnAddressSpaceBytes();
  std::string why;
  ready.noNewPrivs = platform::SetNoNewPrivileges(why);
  // Until the batch sets each file's allowance: what a large photo may take.
  platform::LimitOwnResources(
      ready.baselineBytes == 0 ? 0 : ready.baselineBytes + kWorkerMemoryBudget + kAllowanceMargin);
  ready.landlockAbi = platform::DenyAllFileSystemAccess(why);
  if (platform::SeccompAvailable()) {
    ready.seccomp = platform::InstallDecoderFilter(channel, why);
  } else {
    why = "the kernel offers no seccomp";
  }
  if (!ready.Confined()) ready.why = why;
  if (!SendMessage(channel, MessageKind::kReady, EncodeFields(ready))) return 1;

  WorkBitmap bitmap;
  platform::SharedMemory region;
  for (;;) {
    MessageHeader header;
    std::vector<std::uint8_t> fields;
    int fd = -1;
    DecodeRequest request;
    try {
      if (!ReceiveMessage(channel, header, fields, &fd, -1, nullptr)) return 0;
      if (fd < 0) return 1;
      if (header.kind == MessageKind::kRegion) {
        RegionMessage message;
        DecodeFields(fields.data(), fields.size(), message);
        // A region that cannot be mapped leaves the last one: pictures that do not fit it
        // go through the channel.
        region.MapReceived(fd, static_cast<std::size_t>(message.bytes));
        ::close(fd);
        continue;
      }
      if (header.kind == MessageKind::kProbeRequest) {
        ProbeRequest probe;
        DecodeFields(fields.data(), fields.size(), probe);
        ProbeReply reply{ProbeImage(SourceFile{fd, probe.name})};
        ::close(fd);
        if (!SendMessage(channel, MessageKind::kProbeReply, EncodeFields(reply))) return 1;
        continue;
      }
      if (header.kind != MessageKind::kRequest) return 1;
      DecodeFields(fields.data(), fields.size(), request);
    } catch (...) {
      return 1;
    }
    allocationFailed.store(false, std::memory_order_relaxed);
    // A picture reduced as it is decoded is built in the region itself.
    if (region.Data() != nullptr) bitmap = WorkBitmap::Within(region.Data(), region.Size());
    DecodeReply reply;
    reply.reduced =
        reduce(SourceFile{fd, request.name}, request.options, request.load, bitmap, &reply.times);
    ::close(fd);
    reply.memoryExceeded = allocationFailed.load(std::memory_order_relaxed);
    if (reply.reduced.result == FileResult::kWritten) {
      reply.width = bitmap.Width();
      reply.height = bitmap.Height();
    }
    const std::uint64_t rowBytes = 3 * static_cast<std::uint64_t>(reply.width);
    const std::uint64_t pictureBytes = rowBytes * static_cast<std::uint64_t>(reply.height);
    reply.pictureInRegion = pictureBytes > 0 && pictureBytes <= region.Size();
    // A whole picture from its decoder is copied there (the rows of a bitmap are contiguous).
    if (reply.pictureInRegion && bitmap.Data() != region.Data())
      std::memcpy(region.Data(), bitmap.Data(), pictureBytes);
    reply.cpuSeconds = OwnCpuSeconds();
    if (!SendMessage(channel, MessageKind::kReply, EncodeFields(reply),
                     reply.pictureInRegion ? 0 : pictureBytes))
      return 1;
    if (!reply.pictureInRegion) {
      std::vector<platform::Piece> rows;
      rows.reserve(static_cast<std::size_t>(reply.height));
      for (int y = 0; y < reply.height; ++y)
        rows.push_back({bitmap.Row(y), static_cast<std::size_t>(rowBytes)});
      if (!platform::SendPieces(channel, std::move(rows))) return 1;
    }
    if (bitmap.ByteCount() > kKeptBitmapBytes || bitmap.Data() == region.Data()) bitmap.Clear();
  }
}

int RunDecodeWorker(int channel, unsigned libraries) {
  return RunDecodeWorker(
      channel,
      [](const SourceFile& source, const Options& options, const LoadRequest& request,
         WorkBitmap& bitmap, StageTimes* times) {
        return ReduceOpenedSource(source, options, request, bitmap, {}, times);
      },
      libraries);
}

// ---- the batch's side ------------------------------------------------------------------

SandboxMode SandboxModeOf(const std::string& value) {
  if (value == "require") return SandboxMode::kRequire;
  if (value == "off") return SandboxMode::kOff;
  return SandboxMode::kAuto;
}

std::string DescribeConfinement(const WorkerReady& ready) {
  std::string text = ready.landlockAbi > 0 ? "Landlock ABI " + std::to_string(ready.landlockAbi)
                                           : std::string("no Landlock");
  text += ready.seccomp ? ", seccomp on" : ", no seccomp";
  if (!ready.noNewPrivs) text += ", no no_new_privs";
  return text;
}

class DecodeWorkerPool::Worker {
 public:
  Worker(const platform::ChildProcess& child, unsigned libraries)
      : pid_(child.pid), channel_(child.channel), libraries_(libraries) {}
  ~Worker() { Stop(); }

  const WorkerReady& Ready() const { return ready_; }
  void SetReady(const WorkerReady& ready) {
    ready_ = ready;
    awaitingReady_ = false;
  }
  bool AwaitingReady() const { return awaitingReady_; }
  unsigned Libraries() const { return libraries_; }
  pid_t Pid() const { return pid_; }
  int Channel() const { return channel_; }

  // Closes the channel, which ends a waiting worker; Stop then collects it.
  void HangUp() {
    if (channel_ >= 0) ::close(channel_);
    channel_ = -1;
  }

  // Ends the process (killed when it has not ended yet) and tells how it ended.
  std::string Stop(bool timedOut = false) {
    if (pid_ <= 0) return {};
    HangUp();
    int status = 0;
    // A worker whose channel closed has usually ended already: give it a moment to say
    // how before it is killed.
    pid_t done = 0;
    for (int i = 0; i < 200 && !timedOut && (done = ::waitpid(pid_, &status, WNOHANG)) == 0; ++i)
      ::usleep(500);
    if (done != pid_) {
      ::kill(pid_, SIGKILL);
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
    pid_ = -1;
    if (timedOut) return "the decoder did not finish in time";
    if (WIFSIGNALED(status)) {
      const int signal = WTERMSIG(status);
      if (signal == SIGSYS) return "the decoder was stopped: it tried a forbidden call";
      if (signal == SIGXCPU) return "the decoder did not finish in time";
      if (signal == SIGKILL) return "the decoder stopped answering";
      return "the decoder crashed (signal " + std::to_string(signal) + ")";
    }
    return "the decoder ended unexpectedly (status " + std::to_string(WEXITSTATUS(status)) + ")";
  }

  // The region the worker writes pictures into: made, or grown, to `bytes` and handed to
  // the worker. False when the channel failed; a region the kernel refuses leaves the
  // pictures to the channel.
  bool OfferRegion(std::size_t bytes) {
    if (bytes <= region_.Size() || !region_.Reserve(bytes)) return true;
    return SendMessage(channel_, MessageKind::kRegion, EncodeFields(RegionMessage{region_.Size()}),
                       0, region_.Descriptor());
  }
  const platform::SharedMemory& Region() const { return region_; }

  // The worker's limits for a file: its address space, and CPU time for `cpuSeconds` more
  // from now. Each limit is set only when it changes or runs short, which for a batch of
  // like files is once.
  void Limit(std::uint64_t addressSpace, std::uint64_t cpuSeconds) {
    if (addressSpace != addressLimit_ && platform::SetProcessLimits(pid_, addressSpace, 0))
      addressLimit_ = addressSpace;
    // The worker's word on its CPU time only decides when the limit is looked at again;
    // the limit itself comes from the kernel's count.
    const double told = std::clamp(cpuTold_, 0.0, static_cast<double>(cpuLimit_));
    if (cpuLimit_ == 0 || told + static_cast<double>(cpuSeconds) + 1 > cpuLimit_) {
      // Room for this file and as much again, so that the next like file needs no new limit.
      const auto used = static_cast<std::uint64_t>(platform::ProcessCpuSeconds(pid_));
      const std::uint64_t limit = used + 1 + 2 * cpuSeconds;
      if (platform::SetProcessLimits(pid_, 0, limit)) cpuLimit_ = limit;
    }
  }
  void Told(const DecodeReply& reply) {
    if (reply.cpuSeconds >= 0 && reply.cpuSeconds < 1e12) cpuTold_ = reply.cpuSeconds;
    if (reply.reduced.result == FileResult::kWritten)
      lastPictureBytes_ = 3 * static_cast<std::uint64_t>(reply.width) * reply.height;
  }
  std::uint64_t LastPictureBytes() const { return lastPictureBytes_; }

 private:
  pid_t pid_;
  int channel_;
  unsigned libraries_;
  bool awaitingReady_ = true;
  WorkerReady ready_;
  platform::SharedMemory region_;
  std::uint64_t addressLimit_ = 0;
  std::uint64_t cpuLimit_ = 0;
  double cpuTold_ = 0;
  std::uint64_t lastPictureBytes_ = 0;
};

namespace {

constexpr std::pair<unsigned, const char*> kLibraryNames[] = {
    {kHeifLibrary, "heif"}, {kRawLibrary, "raw"}, {kJxlLibrary, "jxl"}, {kTiffLibrary, "tiff"}};

// Pictures larger than this go through the channel: the region stays with its worker
// between files.
constexpr std::uint64_t kMostRegionBytes = std::uint64_t{64} << 20;

// The region a file's picture needs: the box it is fitted into, or, without one, what the
// worker's last picture took; whole mebibytes, 0 for none.
std::size_t RegionBytesFor(const Options& options, std::uint64_t lastPictureBytes) {
  const std::optional<Box> box = options.FitBox();
  std::uint64_t bytes =
      box && box->width > 0 && box->height > 0
          ? 3 * static_cast<std::uint64_t>(box->width) * static_cast<std::uint64_t>(box->height)
          : lastPictureBytes;
  bytes = std::min(bytes, kMostRegionBytes);
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  return static_cast<std::size_t>((bytes + kMiB - 1) / kMiB * kMiB);
}

}  // namespace

std::string LibrariesArgument(unsigned libraries) {
  std::string text;
  for (const auto& [library, name] : kLibraryNames) {
    if ((libraries & library) == 0) continue;
    if (!text.empty()) text += ',';
    text += name;
  }
  return text;
}

bool IsDecodeWorker(int argc, char** argv, unsigned* libraries) {
  if (argc < 2 || argc > 3 || std::strcmp(argv[1], kWorkerArgument) != 0) return false;
  unsigned found = 0;
  if (argc == 3) {
    std::string names = argv[2];
    std::size_t at = 0;
    while (at <= names.size()) {
      const std::size_t end = std::min(names.find(',', at), names.size());
      const std::string name = names.substr(at, end - at);
      bool known = false;
      for (const auto& [library, libraryName] : kLibraryNames) {
        if (name == libraryName) {
          found |= library;
          known = true;
        }
      }
      if (!known) return false;
      at = end + 1;
    }
  }
  *libraries = found;
  return true;
}

DecodeWorkerPool::DecodeWorkerPool(Settings settings) : settings_(std::move(settings)) {}

DecodeWorkerPool::~DecodeWorkerPool() {
  // Every worker is told at once, so that they end side by side.
  for (const std::unique_ptr<Worker>& worker : idle_) worker->HangUp();
}

std::optional<WorkerReady> DecodeWorkerPool::Confinement() const {
  std::lock_guard lock(mutex_);
  return confinement_;
}

int DecodeWorkerPool::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::unique_ptr<DecodeWorkerPool::Worker> DecodeWorkerPool::Spawn(unsigned libraries,
                                                                  std::string& why) {
  std::vector<std::string> args = settings_.args;
  if (libraries != 0) args.push_back(LibrariesArgument(libraries));
  platform::ChildProcess child;
  if (!platform::StartChild(settings_.program, args, child, why)) {
    why = "the decoder cannot be started: " + why;
    return nullptr;
  }
  return std::make_unique<Worker>(child, libraries);
}

bool DecodeWorkerPool::AwaitReady(Worker& worker, std::string& why) {
  MessageHeader header;
  std::vector<std::uint8_t> fields;
  WorkerReady ready;
  try {
    if (!ReceiveMessage(worker.Channel(), header, fields, nullptr,
                        platform::MonotonicMs() + kStartMs, nullptr) ||
        header.kind != MessageKind::kReady)
      throw MessageError("no answer");
    DecodeFields(fields.data(), fields.size(), ready);
  } catch (const std::exception&) {
    why = "the decoder did not start: " + worker.Stop();
    return false;
  }
  worker.SetReady(ready);
  std::lock_guard lock(mutex_);
  ++started_;
  if (!confinement_) confinement_ = ready;
  return true;
}

void DecodeWorkerPool::Prestart(int count, unsigned libraries) {
  unsigned wanted;
  int missing;
  {
    std::lock_guard lock(mutex_);
    if (!startFailure_.empty()) return;
    libraries_ |= libraries;
    wanted = libraries_;
    missing = count - static_cast<int>(idle_.size());
  }
  // Started one after the other without waiting: their starts overlap each other and
  // whatever the batch does before its first file. A failure shows at the first file.
  std::vector<std::unique_ptr<Worker>> fresh;
  std::string why;
  for (int i = 0; i < missing; ++i)
    if (std::unique_ptr<Worker> worker = Spawn(wanted, why)) fresh.push_back(std::move(worker));
  std::lock_guard lock(mutex_);
  for (auto& worker : fresh) idle_.push_back(std::move(worker));
}

std::unique_ptr<DecodeWorkerPool::Worker> DecodeWorkerPool::Acquire(unsigned libraries,
                                                                    std::string& why) {
  std::unique_ptr<Worker> worker, replaced;
  unsigned wanted;
  {
    std::lock_guard lock(mutex_);
    if (!startFailure_.empty()) {
      why = startFailure_;
      return nullptr;
    }
    libraries_ |= libraries;
    wanted = libraries_;
    for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
      if (((*it)->Libraries() & libraries) == libraries) {
        worker = std::move(*it);
        idle_.erase(std::next(it).base());
        break;
      }
    }
    // A worker cannot open a library once it is walled in: one that lacks what this file
    // needs makes way for one that opens it.
    if (!worker && !idle_.empty()) {
      replaced = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  replaced.reset();
  if (!worker) worker = Spawn(wanted, why);
  if (!worker || (worker->AwaitingReady() && !AwaitReady(*worker, why))) return nullptr;
  return worker;
}

std::string DecodeWorkerPool::TakeWarning() {
  std::lock_guard lock(mutex_);
  return std::exchange(warning_, {});
}

std::optional<PictureProbe> DecodeWorkerPool::Probe(const SourceFile& source) {
  std::string why;
  // A header is read by any worker: no probe needs a library opened on first use.
  std::unique_ptr<Worker> worker = Acquire(0, why);
  if (!worker) return std::nullopt;
  const long long deadline =
      platform::MonotonicMs() + 1000LL * std::max(1, settings_.minimumSeconds);
  try {
    MessageHeader header;
    std::vector<std::uint8_t> fields;
    if (!SendMessage(worker->Channel(), MessageKind::kProbeRequest,
                     EncodeFields(ProbeRequest{source.name}), 0, source.fd) ||
        !ReceiveMessage(worker->Channel(), header, fields, nullptr, deadline, nullptr) ||
        header.kind != MessageKind::kProbeReply || header.pixelBytes != 0)
      throw MessageError("no probe");
    ProbeReply reply;
    DecodeFields(fields.data(), fields.size(), reply);
    Release(std::move(worker));
    return reply.probe;
  } catch (const std::exception&) {
    worker->Stop();  // the file's own load will say what went wrong
    return std::nullopt;
  }
}

void DecodeWorkerPool::Release(std::unique_ptr<Worker> worker) {
  std::lock_guard lock(mutex_);
  idle_.push_back(std::move(worker));
}

ReducedSource DecodeWorkerPool::Reduce(const SourceFile& source, const Options& options,
                                       const LoadRequest& request, WorkBitmap& bitmap,
                                       StageTimes* times, std::uint64_t workingBytes,
                                       const PictureUse& use) {
  ReducedSource failed;
  failed.result = FileResult::kCannotDecode;
  std::unique_ptr<Worker> worker = Acquire(DecoderLibrariesFor(source.name), failed.detail);
  if (!worker) {
    // No worker can be started here at all (the program cannot be run again): in auto
    // mode the batch reads the source itself, said once; require refuses it.
    if (SandboxModeOf(options.sandbox) == SandboxMode::kRequire) return failed;
    {
      std::lock_guard lock(mutex_);
      startFailure_ = failed.detail;
      if (!warned_) {
        warned_ = true;
        warning_ = "decoding without confinement: " + failed.detail;
      }
    }
    ReducedSource reduced = ReduceOpenedSource(source, options, request, bitmap, {}, times);
    if (reduced.result == FileResult::kWritten && use) use(bitmap, reduced);
    return reduced;
  }
  if (!worker->Ready().Confined()) {
    if (SandboxModeOf(options.sandbox) == SandboxMode::kRequire) {
      failed.detail = "the decoder cannot be confined here (" + worker->Ready().why + ")";
      Release(std::move(worker));
      return failed;
    }
    std::lock_guard lock(mutex_);
    if (!warned_) {
      warned_ = true;
      warning_ = "decoding without confinement: " + worker->Ready().why;
    }
  }

  struct stat st = {};
  const std::uint64_t fileBytes =
      ::fstat(source.fd, &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  const std::uint64_t seconds =
      static_cast<std::uint64_t>(std::max(1, settings_.minimumSeconds)) + (fileBytes >> 20);
  const int threads = std::max(1, request.decoderThreads);

  DecodeRequest message{source.name, options, request};
  const std::vector<std::uint8_t> fields = EncodeFields(message);
  const long long deadline = platform::MonotonicMs() + static_cast<long long>(seconds) * 1000;
  bool timedOut = false;
  DecodeReply reply;
  // The channel failed: the worker ended, or stopped answering.
  struct ChannelFailed {};
  try {
    if (!worker->OfferRegion(RegionBytesFor(options, worker->LastPictureBytes())))
      throw ChannelFailed{};
    if (worker->Ready().baselineBytes != 0) {
      const std::uint64_t allowance = worker->Ready().baselineBytes +
                                      (workingBytes ? workingBytes : kWorkerMemoryBudget) +
                                      fileBytes + worker->Region().Size() + kAllowanceMargin +
                                      kPerThreadMargin * static_cast<std::uint64_t>(threads);
      worker->Limit(allowance, seconds * static_cast<std::uint64_t>(threads));
    }
    if (!SendMessage(worker->Channel(), MessageKind::kRequest, fields, 0, source.fd))
      throw ChannelFailed{};
    MessageHeader header;
    std::vector<std::uint8_t> replyFields;
    if (!ReceiveMessage(worker->Channel(), header, replyFields, nullptr, deadline, &timedOut))
      throw ChannelFailed{};
    if (header.kind != MessageKind::kReply) throw MessageError("not a reply");
    DecodeFields(replyFields.data(), replyFields.size(), reply);
    const std::uint64_t rowBytes = 3 * static_cast<std::uint64_t>(reply.width);
    const std::uint64_t pictureBytes = rowBytes * static_cast<std::uint64_t>(reply.height);
    const bool written = reply.reduced.result == FileResult::kWritten;
    if (reply.pictureInRegion) {
      // Only the bytes this side mapped are read, whatever the worker claims.
      if (header.pixelBytes != 0 || !written || pictureBytes == 0 ||
          pictureBytes > worker->Region().Size())
        throw MessageError("picture of another size");
      if (!use) {
        bitmap.SetSize(reply.width, reply.height);
        std::memcpy(bitmap.Data(), worker->Region().Data(), static_cast<std::size_t>(pictureBytes));
      }
    } else {
      if (header.pixelBytes != pictureBytes || (written && header.pixelBytes == 0))
        throw MessageError("picture of another size");
      if (written) {
        bitmap.SetSize(reply.width, reply.height);
        std::vector<platform::Piece> rows;
        rows.reserve(static_cast<std::size_t>(reply.height));
        for (int y = 0; y < reply.height; ++y)
          rows.push_back({bitmap.Row(y), static_cast<std::size_t>(rowBytes)});
        if (!platform::ReceivePieces(worker->Channel(), std::move(rows), deadline, &timedOut))
          throw ChannelFailed{};
      }
    }
  } catch (const ChannelFailed&) {
    failed.detail = worker->Stop(timedOut);
    return failed;
  } catch (const std::bad_alloc&) {
    // The batch could not hold the picture; the worker's stream is left mid-message.
    worker->Stop();
    failed.result = FileResult::kCannotProcess;
    return failed;
  } catch (const std::exception&) {
    worker->Stop();
    failed.detail = "the decoder sent a malformed answer";
    return failed;
  }
  worker->Told(reply);
  if (times != nullptr) {
    times->load += reply.times.load;
    times->saturation += reply.times.saturation;
    times->reduction += reply.times.reduction;
    times->sharpening += reply.times.sharpening;
  }
  if (reply.memoryExceeded && reply.reduced.result != FileResult::kWritten)
    reply.reduced.detail = "the decoder ran out of its memory allowance";
  if (reply.reduced.result == FileResult::kWritten && use) {
    // The worker goes back to the pool only once the picture is used, whatever `use` does:
    // until then nothing is written into its region.
    struct Returned {
      DecodeWorkerPool& pool;
      std::unique_ptr<Worker>& worker;
      ~Returned() { pool.Release(std::move(worker)); }
    } returned{*this, worker};
    if (reply.pictureInRegion) {
      const WorkBitmap picture =
          WorkBitmap::View(worker->Region().Data(), reply.width, reply.height);
      use(picture, reply.reduced);
    } else {
      use(bitmap, reply.reduced);
    }
  } else {
    Release(std::move(worker));
  }
  return std::move(reply.reduced);
}

}  // namespace brevine
