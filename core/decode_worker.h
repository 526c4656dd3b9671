#pragma once
// Decode workers: the reading of every untrusted source (ReduceOpenedSource) in a process
// of its own that has put up every wall the kernel offers before it reads a byte, and can
// open no file, create none, reach no network and start no program. The batch hands a
// worker the open source and the file's options and gets back the reduced picture and what
// the output keeps of the source; encoding and writing stay with the batch.
//
// A worker is the program itself started again with kWorkerArgument: a fresh process has
// none of the parent's threads (the window's toolkit starts several), none of its memory and
// a new address-space layout, and never loads the window module. Workers are pooled: one
// per job, reused file after file, replaced when one dies. A worker opens only the libraries
// its files need (libheif, LibRaw: see DecoderLibrariesFor); an idle one that lacks what a
// file needs makes way for one that opens it. Reduced pictures come back in a memory region
// the batch shares with each worker, and are encoded there.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "codecs.h"
#include "decode_message.h"
#include "pipeline.h"

namespace brevine {

// The hidden argument that makes the program a decode worker on descriptor 3.
inline constexpr char kWorkerArgument[] = "--decode-worker";

// What the worker runs for one file; ReduceOpenedSource in the program.
using SourceReduction =
    std::function<ReducedSource(const SourceFile& source, const Options& options,
                                const LoadRequest& request, WorkBitmap& bitmap, StageTimes* times)>;

// The worker's whole life on its end of the channel: opens the decoders' `libraries`
// (DecoderLibrary bits; those linked with the program are always there), confines itself
// (no new privileges, resource limits, Landlock, seccomp), says how far that went, then
// reduces file after file until the channel closes. Returns the exit status.
int RunDecodeWorker(int channel, const SourceReduction& reduce, unsigned libraries);
int RunDecodeWorker(int channel, unsigned libraries);

// The argument after kWorkerArgument that names the libraries a worker opens before its
// walls ("heif,raw,jxl,tiff"); empty for none.
std::string LibrariesArgument(unsigned libraries);
// Whether the arguments make the program a decode worker: kWorkerArgument, then perhaps
// the libraries it opens, set in `libraries`. Unknown names are no worker's arguments.
bool IsDecodeWorker(int argc, char** argv, unsigned* libraries);

// What the `sandbox` key says.
enum class SandboxMode {
  kAuto,     // confined where the kernel allows, else unconfined with one warning
  kRequire,  // every file is refused where the worker cannot be confined
  kOff,      // the batch reads the sources itself
};
SandboxMode SandboxModeOf(const std::string& value);

// The batch's pool of workers. Reduce may be called from several threads at once; each call
// takes an idle worker or starts one.
class DecodeWorkerPool {
 public:
  struct Settings {
    std::string program = "/proc/self/exe";
    std::vector<std::string> args = {"brevine", kWorkerArgument};
    // The shortest time a file may take before its worker is stopped; a second per
    // megabyte of the file is added.
    int minimumSeconds = 30;
  };

  explicit DecodeWorkerPool(Settings settings);
  ~DecodeWorkerPool();
  DecodeWorkerPool(const DecodeWorkerPool&) = delete;
  DecodeWorkerPool& operator=(const DecodeWorkerPool&) = delete;

  // ReduceOpenedSource in a worker: the same result, or, when the worker failed, the file
  // fails with the reason ("the decoder crashed (signal 11)", ...). `workingBytes`: what the
  // batch counts the file at (0: unknown), from which its memory allowance is made. The
  // options' `sandbox` says what happens where the worker cannot be confined: auto reads
  // the file all the same (TakeWarning says so once), require refuses it.
  //
  // A written picture is handed to `use` while its worker waits: it may be a view of the
  // region the worker wrote it into, valid only during the call. Without `use`, and where
  // the picture came through the channel, `bitmap` holds it.
  using PictureUse = std::function<void(const WorkBitmap& picture, const ReducedSource& reduced)>;
  ReducedSource Reduce(const SourceFile& source, const Options& options, const LoadRequest& request,
                       WorkBitmap& bitmap, StageTimes* times, std::uint64_t workingBytes,
                       const PictureUse& use = {});

  // Starts up to `count` workers that open `libraries` without waiting for them, for a
  // batch about to begin: their starts overlap each other and the batch's own. A worker
  // that did not start fails the first file it is given, as one started then would.
  void Prestart(int count, unsigned libraries);

  // ProbeImage in a worker: what the source's header says, for the batch's memory count;
  // nullopt when it does not tell or the worker failed on it.
  std::optional<PictureProbe> Probe(const SourceFile& source);

  // How the first worker found its confinement; nullopt before any has started.
  std::optional<WorkerReady> Confinement() const;
  // Once per pool, after a file was read by a worker that could not be confined:
  // "decoding without confinement: WHY". Empty otherwise, and on every later call.
  std::string TakeWarning();
  // Workers started so far (replacements included).
  int Started() const;

  class Worker;

 private:
  // An idle worker that has opened `libraries`, or a new one.
  std::unique_ptr<Worker> Acquire(unsigned libraries, std::string& why);
  std::unique_ptr<Worker> Spawn(unsigned libraries, std::string& why);
  bool AwaitReady(Worker& worker, std::string& why);
  void Release(std::unique_ptr<Worker> worker);

  Settings settings_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Worker>> idle_;
  std::optional<WorkerReady> confinement_;
  std::string warning_;
  bool warned_ = false;
  std::string startFailure_;  // no worker could be started: why
  int started_ = 0;
  unsigned libraries_ = 0;  // every library a file of the batch needed: new workers open them
};

// The text that names how a worker was confined, for a report: "Landlock ABI 7, seccomp on".
std::string DescribeConfinement(const WorkerReady& ready);

}  // namespace brevine
