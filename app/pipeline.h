#pragma once
// The per-file pipeline: one path in, at most one JPEG (and one HTML line) out.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "clock.h"
#include "process_settings.h"
#include "work_bitmap.h"

namespace brevine {

// What became of one path. The window ignores it; the command line reports failures.
enum class FileResult {
  kWritten,        // the JPEG was written (an HTML line that failed does not change this)
  kNotAnImage,     // extension not accepted
  kCannotRead,     // missing, a folder, or unreadable
  kCannotDecode,   // the decoder rejected the data
  kCannotProcess,  // an image operation or the encoder failed (e.g. a zero-sized box)
  kCannotWrite,    // no destination, folder or file could not be written, or it would
                   // replace the source
};
// Short English reason for a failed result ("not an image type", "cannot read", ...).
const char* Describe(FileResult result);

struct PipelineHooks {
  // Shows the loaded picture and lets the window handle pending events once.
  std::function<void(const WorkBitmap&)> preview;
  // Hides the preview after a file went through every step.
  std::function<void()> previewDone;
};

// Everything computed for one file before anything is written: a parallel batch prepares
// files on several threads and commits them in argument order.
struct PreparedFile {
  FileResult result = FileResult::kCannotRead;  // kWritten means "ready to commit"
  std::string destinationBase;                  // folder + base name + ".jpg"
  std::string sourcePath;                       // the path after the long-name step
  std::vector<std::uint8_t> jpeg;               // the encoded bytes
};

class FilePipeline {
 public:
  FilePipeline(ProcessSettings& settings, const platform::Clock& clock, PipelineHooks hooks = {});

  // Every step for one path; never raises.
  FileResult ProcessFile(const std::string& path, WorkBitmap& bitmap);

  // Load, saturation, reduction, sharpening and encoding; writes nothing; never raises.
  PreparedFile Prepare(const std::string& path, WorkBitmap& bitmap);
  // Naming, writing and the HTML line; never raises.
  FileResult Commit(PreparedFile& prepared);

 private:
  ProcessSettings& settings_;
  const platform::Clock& clock_;
  PipelineHooks hooks_;
};

}  // namespace brevine
