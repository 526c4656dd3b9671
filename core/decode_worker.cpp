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
#include <new>
#include <utility>

#include "batch_runner.h"
#include "clock.h"
#include "confinement.h"
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

}  // namespace

int RunDecodeWorker(int channel, const SourceReduction& reduce) {
  platform::CloseOtherDescriptors();
  // Everything a decoder would open later is opened now, while files can still be opened.
  PreloadDecoderLibraries();
  // LibRaw turns a raw's date into a time (mktime), which needs the time zone.
  platform::FixLocalTimeZone();
  std::set_new_handler(RecordFailedAllocation);
  // One malloc arena for every thread: the C library reads a /proc file the first time it
  // shrinks a thread's own arena, which the walls below forbid. It also keeps the address
  // space near what the allowance counts (a thread arena reserves 64 MiB at once).
  ::mallopt(M_ARENA_MAX, 1);

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
  for (;;) {
    MessageHeader header;
    std::vector<std::uint8_t> fields;
    int fd = -1;
    DecodeRequest request;
    try {
      if (!ReceiveMessage(channel, header, fields, &fd, -1, nullptr)) return 0;
      if (fd < 0) return 1;
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
    if (!SendMessage(channel, MessageKind::kReply, EncodeFields(reply), rowBytes * reply.height))
      return 1;
    std::vector<platform::Piece> rows;
    rows.reserve(static_cast<std::size_t>(reply.height));
    for (int y = 0; y < reply.height; ++y)
      rows.push_back({bitmap.Row(y), static_cast<std::size_t>(rowBytes)});
    if (!platform::SendPieces(channel, std::move(rows))) return 1;
    if (bitmap.ByteCount() > kKeptBitmapBytes) bitmap.Clear();
  }
}

int RunDecodeWorker(int channel) {
  return RunDecodeWorker(
      channel, [](const SourceFile& source, const Options& options, const LoadRequest& request,
                  WorkBitmap& bitmap, StageTimes* times) {
        return ReduceOpenedSource(source, options, request, bitmap, {}, times);
      });
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
  Worker(const platform::ChildProcess& child, const WorkerReady& ready)
      : pid_(child.pid), channel_(child.channel), ready_(ready) {}
  ~Worker() { Stop(); }

  const WorkerReady& Ready() const { return ready_; }
  void SetReady(const WorkerReady& ready) { ready_ = ready; }
  pid_t Pid() const { return pid_; }
  int Channel() const { return channel_; }

  // Ends the process (killed when it has not ended yet) and tells how it ended.
  std::string Stop(bool timedOut = false) {
    if (pid_ <= 0) return {};
    ::close(channel_);
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

 private:
  pid_t pid_;
  int channel_;
  WorkerReady ready_;
};

DecodeWorkerPool::DecodeWorkerPool(Settings settings) : settings_(std::move(settings)) {}

DecodeWorkerPool::~DecodeWorkerPool() = default;

std::optional<WorkerReady> DecodeWorkerPool::Confinement() const {
  std::lock_guard lock(mutex_);
  return confinement_;
}

int DecodeWorkerPool::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::unique_ptr<DecodeWorkerPool::Worker> DecodeWorkerPool::Acquire(std::string& why) {
  {
    std::lock_guard lock(mutex_);
    if (!startFailure_.empty()) {
      why = startFailure_;
      return nullptr;
    }
    if (!idle_.empty()) {
      std::unique_ptr<Worker> worker = std::move(idle_.back());
      idle_.pop_back();
      return worker;
    }
  }
  platform::ChildProcess child;
  if (!platform::StartChild(settings_.program, settings_.args, child, why)) {
    why = "the decoder cannot be started: " + why;
    return nullptr;
  }
  auto worker = std::make_unique<Worker>(child, WorkerReady{});
  MessageHeader header;
  std::vector<std::uint8_t> fields;
  WorkerReady ready;
  try {
    if (!ReceiveMessage(child.channel, header, fields, nullptr, platform::MonotonicMs() + kStartMs,
                        nullptr) ||
        header.kind != MessageKind::kReady)
      throw MessageError("no answer");
    DecodeFields(fields.data(), fields.size(), ready);
  } catch (const std::exception&) {
    why = "the decoder did not start: " + worker->Stop();
    return nullptr;
  }
  worker->SetReady(ready);
  std::lock_guard lock(mutex_);
  ++started_;
  if (!confinement_) confinement_ = ready;
  return worker;
}

std::string DecodeWorkerPool::TakeWarning() {
  std::lock_guard lock(mutex_);
  return std::exchange(warning_, {});
}

std::optional<PictureProbe> DecodeWorkerPool::Probe(const SourceFile& source) {
  std::string why;
  std::unique_ptr<Worker> worker = Acquire(why);
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
                                       StageTimes* times, std::uint64_t workingBytes) {
  ReducedSource failed;
  failed.result = FileResult::kCannotDecode;
  std::unique_ptr<Worker> worker = Acquire(failed.detail);
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
    return ReduceOpenedSource(source, options, request, bitmap, {}, times);
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
  if (worker->Ready().baselineBytes != 0) {
    const std::uint64_t allowance =
        worker->Ready().baselineBytes + (workingBytes ? workingBytes : kWorkerMemoryBudget) +
        fileBytes + kAllowanceMargin + kPerThreadMargin * static_cast<std::uint64_t>(threads);
    const auto used = static_cast<std::uint64_t>(platform::ProcessCpuSeconds(worker->Pid()));
    platform::SetProcessLimits(worker->Pid(), allowance,
                               used + 1 + seconds * static_cast<std::uint64_t>(threads));
  }

  DecodeRequest message{source.name, options, request};
  const std::vector<std::uint8_t> fields = EncodeFields(message);
  const long long deadline = platform::MonotonicMs() + static_cast<long long>(seconds) * 1000;
  bool timedOut = false;
  DecodeReply reply;
  // The channel failed: the worker ended, or stopped answering.
  struct ChannelFailed {};
  try {
    if (!SendMessage(worker->Channel(), MessageKind::kRequest, fields, 0, source.fd))
      throw ChannelFailed{};
    MessageHeader header;
    std::vector<std::uint8_t> replyFields;
    if (!ReceiveMessage(worker->Channel(), header, replyFields, nullptr, deadline, &timedOut))
      throw ChannelFailed{};
    if (header.kind != MessageKind::kReply) throw MessageError("not a reply");
    DecodeFields(replyFields.data(), replyFields.size(), reply);
    const std::uint64_t rowBytes = 3 * static_cast<std::uint64_t>(reply.width);
    if (header.pixelBytes != rowBytes * static_cast<std::uint64_t>(reply.height) ||
        (reply.reduced.result == FileResult::kWritten && header.pixelBytes == 0))
      throw MessageError("picture of another size");
    if (reply.reduced.result == FileResult::kWritten) {
      bitmap.SetSize(reply.width, reply.height);
      std::vector<platform::Piece> rows;
      rows.reserve(static_cast<std::size_t>(reply.height));
      for (int y = 0; y < reply.height; ++y)
        rows.push_back({bitmap.Row(y), static_cast<std::size_t>(rowBytes)});
      if (!platform::ReceivePieces(worker->Channel(), std::move(rows), deadline, &timedOut))
        throw ChannelFailed{};
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
  Release(std::move(worker));
  if (times != nullptr) {
    times->load += reply.times.load;
    times->saturation += reply.times.saturation;
    times->reduction += reply.times.reduction;
    times->sharpening += reply.times.sharpening;
  }
  if (reply.memoryExceeded && reply.reduced.result != FileResult::kWritten)
    reply.reduced.detail = "the decoder ran out of its memory allowance";
  return std::move(reply.reduced);
}

}  // namespace brevine
