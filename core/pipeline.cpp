#include "pipeline.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

#include "codecs.h"
#include "decode_worker.h"
#include "file_system.h"
#include "imaging.h"
#include "output_stage.h"
#include "path_text.h"
#include "settings_file.h"
#include "unique_fd.h"

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
      return FileResult::kNotFound;
    case LoadStatus::kReadError:
      return FileResult::kCannotRead;
    case LoadStatus::kTooLarge:
      return FileResult::kTooLarge;
    case LoadStatus::kDecodeError:
      break;
  }
  return FileResult::kCannotDecode;
}

// Takes the decoder's rows and reduces them as they come (boost and turn included), or,
// when the decoder makes whole pictures or the box cannot be met, keeps the whole picture
// for the steps to run on it one after the other.
class ReducingSink final : public RowSink {
 public:
  // `threads`: what the load may use; above 1, the boost and the reduction of each group of
  // rows run beside the decode.
  // A streamed picture is reduced into the pixels `into` holds where they are enough (see
  // Finish).
  ReducingSink(bool autoRotate, bool boost, Box box, int threads, WorkBitmap& into)
      : autoRotate_(autoRotate), boost_(boost), box_(box), threads_(threads), into_(into) {}

  void Begin(int width, int height, int orientation) override {
    const ReductionSteps steps{autoRotate_ ? orientation : 1, boost_, kSaturationFactor, box_.width,
                               box_.height};
    try {
      stream_.emplace(width, height, steps, threads_, &into_);
      return;
    } catch (const std::invalid_argument&) {
    } catch (const std::domain_error&) {
    }
    // A box the picture cannot be fitted into: FitToBox raises the same at its step, after
    // the picture has loaded, as it always did.
    whole_.Begin(width, height, orientation);
  }
  int MaxRows() const override { return stream_ ? stream_->PreferredRows() : whole_.MaxRows(); }
  Block Rows(int first, int count, int step) override {
    if (!stream_) return whole_.Rows(first, count, step);
    return {stream_->Rows(count), static_cast<std::ptrdiff_t>(stream_->Stride())};
  }
  void Put(int first, int count, int step) override {
    if (stream_) stream_->Put(first, count, step);
  }
  void TakePicture(WorkBitmap& picture, int orientation) override {
    whole_.TakePicture(picture, orientation);
  }

  bool Streamed() const { return stream_.has_value(); }
  // The reduced picture (streamed) or the whole one as decoded.
  void Finish(WorkBitmap& bitmap) {
    if (stream_)
      stream_->Finish(bitmap);
    else
      bitmap.Swap(whole_.Picture());
  }

 private:
  bool autoRotate_;
  bool boost_;
  Box box_;
  int threads_;
  WorkBitmap& into_;
  std::optional<StreamingReduction> stream_;
  BitmapSink whole_;
};

// The options of one file as the getters read them, without a copy.
class OptionsView final : public ProcessSettings {
 public:
  explicit OptionsView(const Options& options) : options_(options) {}
  const Options& Current() const override { return options_; }
  void SetText(std::string Options::*, const std::string&) override {
    throw std::logic_error("the reading of a source changes no option");
  }

 private:
  const Options& options_;
};

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
    case FileResult::kNotFound:
      return "no such file";
    case FileResult::kTooLarge:
      return "too large";
    case FileResult::kIndexNotWritten:
      return "written, but not its index line";
    case FileResult::kKept:
      return "kept: the reduced file was not smaller";
    case FileResult::kSkipped:
      return "skipped: its result is there already";
  }
  return "failed";
}

bool WroteResult(FileResult result) {
  return result == FileResult::kWritten || result == FileResult::kKept ||
         result == FileResult::kIndexNotWritten;
}

bool IsFailure(FileResult result) {
  return result != FileResult::kWritten && result != FileResult::kKept &&
         result != FileResult::kSkipped;
}

bool HasImageExtension(const std::string& path) { return HasDecoderFor(path); }

std::string DestinationBase(const std::string& path) {
  const auto start = platform::ExtensionStart(path);
  return (start == std::string::npos ? path : path.substr(0, start)) + ".jpg";
}

Box SelectedBox(const ProcessSettings& settings) {
  // No box: photos pass at their own size, up to the largest the reduction knows.
  return settings.FitBox().value_or(Box{40000, 40000});
}

void SelectBox(const ProcessSettings& settings, WorkBitmap& bitmap) {
  const Box box = SelectedBox(settings);
  FitToBox(bitmap, bitmap, box.width, box.height, kFitInside);
}

std::size_t EstimatedWorkingBytes(int width, int height, bool streams,
                                  const ProcessSettings& settings, int orientation,
                                  bool coefficients) {
  if (width <= 0 || height <= 0) return 0;
  const Box box = SelectedBox(settings);
  const int turn = settings.AutoRotate() ? orientation : 1;
  const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t decoder = coefficients ? 2 * 3 * pixels : 0;
  if (streams) {
    try {
      return decoder + StreamingReduction::WorkingBytes(
                           width, height,
                           ReductionSteps{turn, settings.Saturation(), kSaturationFactor, box.width,
                                          box.height});
    } catch (const std::exception&) {
      // A box the picture cannot be fitted into: the whole picture is loaded first.
    }
  }
  const std::size_t picture = 3 * pixels;
  const bool quarterTurn = turn >= 5 && turn <= 8;
  // The width pass's intermediate: the target width (at most the box's) by the height.
  const int uprightWidth = quarterTurn ? height : width;
  const int uprightHeight = quarterTurn ? width : height;
  const std::size_t intermediate =
      3 * static_cast<std::size_t>(std::clamp(box.width, 0, uprightWidth)) *
      static_cast<std::size_t>(uprightHeight);
  return decoder + picture + (quarterTurn ? picture : 0) + intermediate;
}

std::optional<std::size_t> EstimatedWorkingBytes(const std::string& path,
                                                 const ProcessSettings& settings,
                                                 int decoderThreads) {
  const std::optional<PictureProbe> probe = ProbeImage(path);
  if (!probe) return std::nullopt;
  return EstimatedWorkingBytes(probe->width, probe->height, probe->streams, settings,
                               probe->orientation, probe->coefficients) +
         DecoderThreadBytes(*probe, decoderThreads);
}

FilePipeline::FilePipeline(ProcessSettings& settings, const platform::Clock& clock,
                           PipelineHooks hooks)
    : settings_(settings), clock_(clock), hooks_(std::move(hooks)) {}

ReducedSource ReduceOpenedSource(const SourceFile& source, const Options& options,
                                 const LoadRequest& request, WorkBitmap& bitmap,
                                 const std::function<void(const WorkBitmap&)>& preview,
                                 StageTimes* times) {
  ReducedSource out;
  try {
    const OptionsView settings(options);
    StageClock stage(times);
    // Cameras store portrait photos on their side with an EXIF note; turning them upright
    // before the box is chosen makes the box apply to the picture as it is seen. The
    // decoder finds the note during its one pass over the file.
    ReducingSink sink(settings.AutoRotate(), settings.Saturation(), SelectedBox(settings),
                      request.decoderThreads, bitmap);
    // A camera raw's preview serves when it covers the box the picture goes into.
    LoadRequest load = request;
    const Box box = SelectedBox(settings);
    load.boxWidth = box.width;
    load.boxHeight = box.height;
    load.rawDevelop = options.raw == "develop";
    try {
      out.result = FromLoadStatus(LoadImage(source, sink, &out.info, load));
      if (out.result == FileResult::kCannotDecode || out.result == FileResult::kTooLarge)
        out.detail = out.info.reason;
    } catch (...) {
      out.result = FileResult::kCannotDecode;
    }
    if (out.result != FileResult::kWritten) {
      stage.Stop(&StageTimes::load);
      return out;
    }

    out.result = FileResult::kCannotProcess;
    sink.Finish(bitmap);
    if (sink.Streamed()) {
      // Boost and reduction ran on the rows as they were decoded.
      stage.Stop(&StageTimes::load);
    } else {
      if (settings.AutoRotate()) ApplyOrientation(bitmap, out.info.orientation);
      stage.Stop(&StageTimes::load);
      if (settings.Saturation()) BoostSaturation(bitmap, bitmap, kSaturationFactor);
      stage.Stop(&StageTimes::saturation);
      SelectBox(settings, bitmap);
      stage.Stop(&StageTimes::reduction);
    }
    // The preview is drawn far smaller than any box: the reduced picture looks the same.
    if (preview) preview(bitmap);
    stage = StageClock(times);
    if (settings.Sharpen()) SharpenImage(bitmap, bitmap, settings.SharpenStrength());
    stage.Stop(&StageTimes::sharpening);
    out.result = FileResult::kWritten;
  } catch (...) {
    // Whatever failed, the file is dropped and the next one goes on.
  }
  return out;
}

PreparedFile FilePipeline::Prepare(const std::string& path, WorkBitmap& bitmap,
                                   std::uint64_t workingBytes) {
  PreparedFile out;
  try {
    out.sourcePath = platform::ResolveLongName(path);
    // A missing file says so, whatever its name; an existing one of another type is no image.
    struct stat st;
    if (::lstat(out.sourcePath.c_str(), &st) != 0 && errno == ENOENT) {
      out.result = FileResult::kNotFound;
      return out;
    }
    if (!HasImageExtension(out.sourcePath)) {
      out.result = FileResult::kNotAnImage;
      return out;
    }
    if (settings_.SkipExisting() && ResultIsThere(out.sourcePath, out.writtenPath)) {
      out.result = FileResult::kSkipped;
      return out;
    }
    StageClock stage(hooks_.times);
    int fd = -1;
    const LoadStatus opened = OpenImageSource(out.sourcePath, fd);
    if (opened != LoadStatus::kOk) {
      out.result = FromLoadStatus(opened);
      // A folder, or an entry of another kind, under an image's name: there, but no file.
      if (out.result == FileResult::kNotFound && ::stat(out.sourcePath.c_str(), &st) == 0)
        out.result = FileResult::kCannotRead;
      stage.Stop(&StageTimes::load);
      return out;
    }
    const platform::UniqueFd source(fd);
    const SourceFile file{fd, out.sourcePath};
    const LoadRequest request{hooks_.decoderThreads};
    // The reduced picture to its output bytes.
    bool encoded = false;
    const auto encode = [&](const WorkBitmap& picture, const ReducedSource& reduced) {
      // What a failure from here on leaves.
      out.result = FileResult::kCannotProcess;
      out.detail = reduced.detail;
      out.warnings = reduced.info.warnings;
      stage = StageClock(hooks_.times);
      out.destinationBase = DestinationBase(out.sourcePath);
      out.jpeg = EncodeResult(settings_, picture, reduced.info, &out.quality);
      out.width = picture.Width();
      out.height = picture.Height();
      if (settings_.OnlySmaller()) KeepSourceWhenSmaller(out);
      stage.Stop(&StageTimes::encoding);
      encoded = true;
    };
    ReducedSource reduced;
    if (hooks_.workers != nullptr &&
        SandboxModeOf(settings_.Current().sandbox) != SandboxMode::kOff) {
      // The picture is encoded where the worker left it, while the worker waits.
      reduced = hooks_.workers->Reduce(
          file, settings_.Current(), request, bitmap, hooks_.times, workingBytes,
          [&](const WorkBitmap& picture, const ReducedSource& reduced) {
            if (hooks_.preview) hooks_.preview(picture);
            encode(picture, reduced);
          });
    } else {
      reduced = ReduceOpenedSource(file, settings_.Current(), request, bitmap, hooks_.preview,
                                   hooks_.times);
      if (reduced.result == FileResult::kWritten) encode(bitmap, reduced);
    }
    out.result = reduced.result;
    out.detail = std::move(reduced.detail);
    out.warnings = std::move(reduced.info.warnings);
    if (out.result == FileResult::kWritten && !encoded) out.result = FileResult::kCannotProcess;
  } catch (...) {
    // Whatever failed, the file is dropped and the next one goes on.
    out.jpeg.clear();
  }
  return out;
}

bool FilePipeline::ResultIsThere(const std::string& sourcePath, std::string& resultPath) const {
  FixedSettings naming(settings_.Current());  // the naming may settle a text: not here
  const OutputTarget target = ChooseOutput(naming, clock_, DestinationBase(sourcePath));
  struct stat source, result;
  if (!target.valid || ::stat(sourcePath.c_str(), &source) != 0 ||
      ::lstat(target.jpegPath.c_str(), &result) != 0 || !S_ISREG(result.st_mode))
    return false;
  const auto older = result.st_mtim.tv_sec != source.st_mtim.tv_sec
                         ? result.st_mtim.tv_sec < source.st_mtim.tv_sec
                         : result.st_mtim.tv_nsec < source.st_mtim.tv_nsec;
  if (older) return false;
  resultPath = target.jpegPath;
  return true;
}

void FilePipeline::KeepSourceWhenSmaller(PreparedFile& file) const {
  // Only a source that could stand as the result: in the output format, and a picture the
  // box would not reduce.
  const std::string extension = platform::LowerExtension(file.sourcePath);
  const OutputFormat format = settings_.Format();
  const bool sameFormat = format == OutputFormat::kJpeg
                              ? extension == ".jpg" || extension == ".jpeg"
                              : extension == ResultExtension(format);
  if (!sameFormat) return;
  const std::optional<PictureProbe> probe = ProbeImage(file.sourcePath);
  if (!probe) return;
  const bool turned = settings_.AutoRotate() && probe->orientation >= 5 && probe->orientation <= 8;
  const int width = turned ? probe->height : probe->width;
  const int height = turned ? probe->width : probe->height;
  if (const std::optional<Box> box = settings_.Current().FitBox();
      box && (width > box->width || height > box->height))
    return;
  struct stat st;
  if (::stat(file.sourcePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > file.jpeg.size())
    return;
  std::vector<std::uint8_t> bytes = ReadWholeFile(file.sourcePath);
  if (bytes.size() != static_cast<std::size_t>(st.st_size)) return;
  file.jpeg = std::move(bytes);
  file.width = width;
  file.height = height;
  file.quality = 0;
  file.keptSource = true;
}

FileResult FilePipeline::Commit(PreparedFile& prepared) {
  if (prepared.result != FileResult::kWritten) return prepared.result;
  StageClock stage(hooks_.times);
  FileResult result = StoreResult(settings_, clock_, prepared, hooks_.sources);
  if (result == FileResult::kWritten && prepared.keptSource) result = FileResult::kKept;
  stage.Stop(&StageTimes::writing);
  if (hooks_.times && WroteResult(result)) ++hooks_.times->files;
  try {
    if (hooks_.previewDone && WroteResult(result)) hooks_.previewDone();
  } catch (...) {
  }
  return result;
}

FileResult FilePipeline::ProcessFile(const std::string& path, WorkBitmap& bitmap) {
  PreparedFile prepared = Prepare(path, bitmap);
  return Commit(prepared);
}

}  // namespace brevine
