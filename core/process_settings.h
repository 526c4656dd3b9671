#pragma once
// The options that govern one file. The pipeline asks for each one at the moment its step
// runs, through the getters below; they all read Current(), the one thing a source of
// settings answers (a fixed value for the command line, the tests and every file of a
// window's batch).

#include <optional>
#include <string>
#include <utility>

#include "option_table.h"

namespace brevine {

// The format results are written in: JPEG for mail and everything else, WebP or AVIF for
// smaller files on web pages.
enum class OutputFormat { kJpeg, kWebp, kAvif, kJxl };

// The format a value of the `format` key names: "webp", "avif", JPEG for anything else.
inline OutputFormat FormatOf(const std::string& value) {
  if (value == "webp") return OutputFormat::kWebp;
  if (value == "avif") return OutputFormat::kAvif;
  if (value == "jxl") return OutputFormat::kJxl;
  return OutputFormat::kJpeg;
}

class ProcessSettings {
 public:
  virtual ~ProcessSettings() = default;

  // Every option as it stands at this moment.
  virtual const Options& Current() const = 0;
  // Changes one text option (the naming rules give an empty name its default).
  virtual void SetText(std::string Options::*field, const std::string& text) = 0;

  int BoxPreset() const { return Current().boxPreset; }             // -1 (none) .. 7 (custom)
  std::optional<Box> FitBox() const { return Current().FitBox(); }  // none: no reduction
  bool Saturation() const { return Current().saturation; }
  bool Sharpen() const { return Current().sharpen; }
  int SharpenStrength() const { return Current().sharpenStrength; }  // 0 .. 150
  bool Grayscale() const { return Current().grayscale; }
  bool Progressive() const { return Current().progressive; }
  bool Html() const { return Current().html; }
  bool FixedQuality() const { return Current().fixedQuality; }  // else the target size
  int Quality() const { return Current().FormatQuality(); }     // the format's, 1 .. 100
  int TargetSize() const { return Current().targetSize; }       // kilobytes
  bool SubFolderMode() const { return Current().subFolder; }    // else added text
  int TextPosition() const { return Current().textPosition; }   // -1 none, 0 before, 1 after
  std::string AddedText() const { return Current().addedText; }
  void SetAddedText(const std::string& text) { SetText(&Options::addedText, text); }
  std::string FolderName() const { return Current().folderName; }
  void SetFolderName(const std::string& text) { SetText(&Options::folderName, text); }
  bool AutoRotate() const { return Current().autoRotate; }  // EXIF-rotated photos upright
  bool KeepIcc() const { return Current().keepIcc; }        // the source's colour profile
  bool Folders() const { return Current().folders; }        // a folder stands for its tree's images
  bool KeepInfo() const { return Current().keepInfo; }      // the photo's date and camera
  OutputFormat Format() const { return FormatOf(Current().format); }
  bool KeepDate() const { return Current().keepDate; }           // the source's modification time
  bool SkipExisting() const { return Current().skipExisting; }   // results there are not redone
  bool OnlySmaller() const { return Current().onlySmaller; }     // never a larger "reduction"
  std::string OutputDir() const { return Current().outputDir; }  // empty: beside the source
};

// Every option as the settings answer at this moment (a copy that worker threads may read).
inline Options Snapshot(const ProcessSettings& settings) { return settings.Current(); }

// ProcessSettings answered from an Options value (which the pipeline may change, as an empty
// added text becomes "s-").
class FixedSettings final : public ProcessSettings {
 public:
  explicit FixedSettings(Options options = {}) : o_(std::move(options)) {}
  Options& Values() { return o_; }
  const Options& Values() const { return o_; }

  const Options& Current() const override { return o_; }
  void SetText(std::string Options::*field, const std::string& text) override { o_.*field = text; }

 private:
  Options o_;
};

}  // namespace brevine
