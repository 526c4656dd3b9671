#include "pipeline.h"

#include <array>
#include <chrono>
#include <exception>
#include <utility>

#include "codecs.h"
#include "file_system.h"
#include "imaging.h"
#include "output_stage.h"
#include "path_text.h"
#include "settings_file.h"

namespace brevine {
namespace {

// Not an option of the window: the boost is always this strong when it is on.
constexpr int kSaturationFactor = 140;
constexpr int kFitInside = 1;

// Adds the time since construction to one stage's counter; does nothing without counters.
class StageClock {
 public:
  explicit StageClock(StageTimes* times) : times_(times) {
    if (times_) start_ = std::chrono::steady_clock::now();
  }
  void Stop(double StageTimes::*stage) {
    if (!times_) return;
    const auto now = std::chrono::steady_clock::now();
    times_->*stage += std::chrono::duration<double>(now - start_).count();
    start_ = now;
  }

 private:
  StageTimes* times_;
  std::chrono::steady_clock::time_point start_;
};

FileResult FromLoadStatus(LoadStatus status) {
  switch (status) {
    case LoadStatus::kOk:
      return FileResult::kWritten;
    case LoadStatus::kNotAnImage:
      return FileResult::kNotAnImage;
    case LoadStatus::kNotFound:
    case LoadStatus::kReadError:
      return FileResult::kCannotRead;
    case LoadStatus::kDecodeError:
      break;
  }
  return FileResult::kCannotDecode;
}

}  // namespace

const char* Describe(FileResult result) {
  switch (result) {
    case FileResult::kWritten:
      return "written";
    case FileResult::kNotAnImage:
      return "not an image type";
    case FileResult::kCannotRead:
      return "cannot read";
    case FileResult::kCannotDecode:
      return "cannot decode";
    case FileResult::kCannotProcess:
      return "cannot process";
    case FileResult::kCannotWrite:
      return "cannot write";
  }
  return "failed";
}

bool HasImageExtension(const std::string& path) { return HasDecoderFor(path); }

std::string DestinationBase(const std::string& path) {
  const auto start = platform::ExtensionStart(path);
  return (start == std::string::npos ? path : path.substr(0, start)) + ".jpg";
}

Box SelectedBox(const ProcessSettings& settings) {
  static constexpr std::array<int, 7> kPresets = {1280, 1024, 800, 640, 400, 320, 160};
  const int preset = settings.BoxPreset();
  if (preset >= 0 && preset < 7) return {kPresets[preset], kPresets[preset]};
  // A side that is no integer takes the field's own fall-back, as the field would show it.
  if (preset == 7)
    return {ParseInteger(NormaliseBoxText(settings.BoxWidthText())).value_or(0),
            ParseInteger(NormaliseBoxText(settings.BoxHeightText())).value_or(0)};
  return {40000, 40000};
}

void SelectBox(const ProcessSettings& settings, WorkBitmap& bitmap) {
  const Box box = SelectedBox(settings);
  FitToBox(bitmap, bitmap, box.width, box.height, kFitInside);
}

FilePipeline::FilePipeline(ProcessSettings& settings, const platform::Clock& clock,
                           PipelineHooks hooks)
    : settings_(settings), clock_(clock), hooks_(std::move(hooks)) {}

PreparedFile FilePipeline::Prepare(const std::string& path, WorkBitmap& bitmap) {
  PreparedFile out;
  try {
    out.sourcePath = platform::ResolveLongName(path);
    if (!HasImageExtension(out.sourcePath)) {
      out.result = FileResult::kNotAnImage;
      return out;
    }
    StageClock stage(hooks_.times);
    SourceInfo info;
    try {
      out.result = FromLoadStatus(LoadImage(out.sourcePath, bitmap, &info));
      if (out.result == FileResult::kCannotDecode) out.detail = info.reason;
    } catch (...) {
      out.result = FileResult::kCannotDecode;
    }
    if (out.result != FileResult::kWritten) {
      stage.Stop(&StageTimes::load);
      return out;
    }

    out.result = FileResult::kCannotProcess;
    // Cameras store portrait photos on their side with an EXIF note; turning them upright
    // before the box is chosen makes the box apply to the picture as it is seen.
    // The decoder found the note during its one pass over the file.
    if (settings_.AutoRotate()) ApplyOrientation(bitmap, info.orientation);
    stage.Stop(&StageTimes::load);
    if (hooks_.preview) hooks_.preview(bitmap);
    stage = StageClock(hooks_.times);
    if (settings_.Saturation()) BoostSaturation(bitmap, bitmap, kSaturationFactor);
    stage.Stop(&StageTimes::saturation);
    SelectBox(settings_, bitmap);
    stage.Stop(&StageTimes::reduction);
    if (settings_.Sharpen()) SharpenImage(bitmap, bitmap, settings_.SharpenStrength());
    stage.Stop(&StageTimes::sharpening);
    out.destinationBase = DestinationBase(out.sourcePath);
    out.jpeg = EncodeResult(settings_, bitmap, OutputMarkers(settings_, info));
    stage.Stop(&StageTimes::encoding);
    out.result = FileResult::kWritten;
  } catch (...) {
    // Whatever failed, the file is dropped and the next one goes on.
    out.jpeg.clear();
  }
  return out;
}

FileResult FilePipeline::Commit(PreparedFile& prepared) {
  if (prepared.result != FileResult::kWritten) return prepared.result;
  StageClock stage(hooks_.times);
  const FileResult result = StoreResult(settings_, clock_, prepared.destinationBase,
                                        prepared.sourcePath, prepared.jpeg, &prepared.writtenPath);
  stage.Stop(&StageTimes::writing);
  if (hooks_.times && result == FileResult::kWritten) ++hooks_.times->files;
  try {
    if (hooks_.previewDone && result == FileResult::kWritten) hooks_.previewDone();
  } catch (...) {
  }
  return result;
}

FileResult FilePipeline::ProcessFile(const std::string& path, WorkBitmap& bitmap) {
  PreparedFile prepared = Prepare(path, bitmap);
  return Commit(prepared);
}

}  // namespace brevine
