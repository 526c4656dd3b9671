#pragma once
// The per-file pipeline: one path in, at most one JPEG (and one HTML line) out.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "codecs.h"
#include "process_settings.h"
#include "work_bitmap.h"

namespace brevine {

class RunPlaces;
class DecodeWorkerPool;

// What became of one path: a kind, which the window translates, and beside it (in
// PreparedFile and CommittedFile) a detail in the words of the system or library that
// failed, untranslated. Plain values, so that a worker process can hand them over.
enum class FileResult {
  kWritten,          // the result was written
  kNotAnImage,       // extension not accepted
  kCannotRead,       // a folder, or the file cannot be read
  kCannotDecode,     // the decoder rejected the data
  kCannotProcess,    // an image operation or the encoder failed (e.g. a zero-sized box)
  kCannotWrite,      // no destination, or the folder or file could not be written, or it would
                     // replace a source or something that is not a regular file
  kNotFound,         // no file under the path
  kTooLarge,         // the picture is larger than the program takes (the detail: its size and
                     // the limit)
  kIndexNotWritten,  // the result was written; its HTML line was not (a failure all the same)
  kKept,             // only-smaller: the source's own bytes were written as the result
  kSkipped,          // skip-existing: a result not older than the source was there already
};
// Short English text of a kind ("not an image type", "cannot read", ...): what the command
// line prints before the detail.
const char* Describe(FileResult result);
// Whether the kind means a result is on disk for the file (written, kept, or written
// without its index line).
bool WroteResult(FileResult result);
// Whether the kind counts against the run (its exit status, the window's count).
bool IsFailure(FileResult result);

// Seconds spent in each stage, summed over the files that reached it. Filled only when
// the hooks carry a pointer to one; the pipeline then reads a steady clock around each stage.
struct StageTimes {
  double load = 0, saturation = 0, reduction = 0, sharpening = 0, encoding = 0, writing = 0;
  int files = 0;  // files committed as written
  double Total() const { return load + saturation + reduction + sharpening + encoding + writing; }
};

struct PipelineHooks {
  // Sees the reduced picture, before sharpening (the window's preview).
  std::function<void(const WorkBitmap&)> preview;
  // Hides the preview after a file went through every step.
  std::function<void()> previewDone;
  // Optional; one object per thread.
  StageTimes* times = nullptr;
  // Threads the decoder may start of its own for one picture; 0 or 1: none.
  int decoderThreads = 0;
  // The batch's sources, which no commit may replace; null: only each file's own.
  RunPlaces* sources = nullptr;
  // Where sources are read: confined workers (unless the options say sandbox=off), or
  // (null) this process. With workers the preview sees the picture once it is sharpened.
  DecodeWorkerPool* workers = nullptr;
};

// The bounding box of the chosen preset (custom: the custom box's sides; no preset:
// 40000 x 40000).
Box SelectedBox(const ProcessSettings& settings);
// Reduces the bitmap in place to the selected box, keeping its aspect ratio.
void SelectBox(const ProcessSettings& settings, WorkBitmap& bitmap);

// The most bytes one file's picture work holds at once, for a memory budget, for a picture
// of width x height as its file declares it. On the streaming path (`streams`: JPEG,
// non-interlaced PNG, WebP, uncompressed BMP) that is the band the reduction keeps and the
// reduced result; on the whole-picture path the decoded picture, its turned copy and the
// reduction's intermediate. `coefficients`: a progressive JPEG, whose decoder holds every
// coefficient of the picture (about two bytes per sample) whatever reads its rows. The
// decoder's own buffers, the file's bytes and the encoder are not counted.
std::size_t EstimatedWorkingBytes(int width, int height, bool streams,
                                  const ProcessSettings& settings, int orientation = 1,
                                  bool coefficients = false);

// The same for a file, from its header (ProbeImage), loaded on up to `decoderThreads`
// threads (the stripes' buffers of a JPEG decoded in stripes count too); nullopt when the
// header does not tell (HEIF and AVIF, unreadable or unknown files).
std::optional<std::size_t> EstimatedWorkingBytes(const std::string& path,
                                                 const ProcessSettings& settings,
                                                 int decoderThreads = 0);

// An extension the loader has a decoder for (compared in lower case).
bool HasImageExtension(const std::string& path);
// The path with the extension of its last component replaced by ".jpg".
std::string DestinationBase(const std::string& path);

// What the reading of a source gave: the reduced picture's fate, and what the output keeps
// of the source beside the pixels.
struct ReducedSource {
  FileResult result = FileResult::kCannotDecode;  // kWritten: the picture is ready to encode
  std::string detail;                             // after a failure: the reason, if known
  SourceInfo info;                                // orientation, colour profile, EXIF block
  std::vector<std::string> warnings;              // said once per file, the file still written
};

// Everything that reads a source's untrusted bytes, on an already open file: the decode
// with its metadata, the turn upright, the saturation boost, the reduction to the box and
// the sharpening, all as `options` say. On kWritten `bitmap` holds the picture to encode.
// `preview` sees the reduced picture before it is sharpened; `times`, when given, receives
// the load, saturation, reduction and sharpening times. Never raises.
ReducedSource ReduceOpenedSource(const SourceFile& source, const Options& options,
                                 const LoadRequest& request, WorkBitmap& bitmap,
                                 const std::function<void(const WorkBitmap&)>& preview = {},
                                 StageTimes* times = nullptr);

// Everything computed for one file before anything is written: a parallel batch prepares
// files on several threads and commits them in argument order.
struct PreparedFile {
  FileResult result = FileResult::kCannotRead;  // kWritten means "ready to commit"
  std::string destinationBase;                  // folder + base name + ".jpg"
  std::string sourcePath;                       // the path after the long-name step
  std::vector<std::uint8_t> jpeg;               // the encoded bytes
  std::string detail;  // after a failure: the reason in the failing library's or system's words
  // Notes on a file that was handled all the same ("ends early: the last 8 rows are grey").
  std::vector<std::string> warnings;
  std::string writtenPath;  // after a commit that wrote the JPEG: its path
  int width = 0;            // the picture written, in pixels
  int height = 0;
  int quality = 0;          // the JPEG quality it was written at
  bool keptSource = false;  // `jpeg` holds the source's own bytes (onlysmaller)
};

class FilePipeline {
 public:
  FilePipeline(ProcessSettings& settings, const platform::Clock& clock, PipelineHooks hooks = {});

  // Every step for one path; never raises.
  FileResult ProcessFile(const std::string& path, WorkBitmap& bitmap);

  // Load, saturation, reduction, sharpening and encoding; writes nothing; never raises.
  // `workingBytes`: what a batch counts the file at (0: not known), for a worker's memory
  // allowance.
  PreparedFile Prepare(const std::string& path, WorkBitmap& bitmap, std::uint64_t workingBytes = 0);
  // Naming, writing and the HTML line; never raises.
  FileResult Commit(PreparedFile& prepared);
  // The threads the next files' loads may use of their own (see PipelineHooks).
  void SetDecoderThreads(int threads) { hooks_.decoderThreads = threads; }

 private:
  // skipexisting: whether the source's result is there and not older than the source
  // (its path then in `resultPath`).
  bool ResultIsThere(const std::string& sourcePath, std::string& resultPath) const;
  // onlysmaller: the source's own bytes in place of a result that is not smaller.
  void KeepSourceWhenSmaller(PreparedFile& file) const;

  ProcessSettings& settings_;
  const platform::Clock& clock_;
  PipelineHooks hooks_;
};

}  // namespace brevine
