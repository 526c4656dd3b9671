#pragma once
// The options that govern one file. The pipeline asks for each one at the moment its step
// runs: the window answers from its controls, tests and the command line from fixed values.

#include <span>
#include <string>
#include <utility>
#include <variant>

namespace brevine {

// The format results are written in: JPEG for mail and everything else, WebP or AVIF for
// smaller files on web pages.
enum class OutputFormat { kJpeg, kWebp, kAvif };
// The format a stored value names: "webp", "avif", and JPEG for anything else.
OutputFormat FormatOf(const std::string& value);

class ProcessSettings {
 public:
  virtual ~ProcessSettings() = default;

  virtual int BoxPreset() const = 0;               // RadioGroup1: -1 (none) .. 7 (custom)
  virtual std::string BoxWidthText() const = 0;    // EditPxX
  virtual std::string BoxHeightText() const = 0;   // EditPxY
  virtual bool Saturation() const = 0;             // CheckBox2
  virtual bool Sharpen() const = 0;                // CheckBox1
  virtual int SharpenStrength() const = 0;         // TrackBar1, 0 .. 150
  virtual bool Grayscale() const = 0;              // CheckBox3
  virtual bool Progressive() const = 0;            // CheckBox4
  virtual bool Html() const = 0;                   // CheckHtml
  virtual bool FixedQuality() const = 0;           // RadioButton1 (else RadioButton2)
  virtual std::string QualityText() const = 0;     // Edit2
  virtual std::string TargetSizeText() const = 0;  // Edit3, kilobytes
  virtual bool SubFolderMode() const = 0;          // RadioButton4 (else RadioButton3)
  virtual int TextPosition() const = 0;            // ComboBox1: -1 none, 0 before, 1 after
  virtual std::string AddedText() const = 0;       // Edit4
  virtual void SetAddedText(const std::string& text) = 0;
  virtual std::string FolderName() const = 0;  // Edit5
  virtual void SetFolderName(const std::string& text) = 0;
  virtual bool AutoRotate() const = 0;  // turn EXIF-rotated photos upright
  virtual bool KeepIcc() const = 0;     // write the source's colour profile into the JPEG
  virtual bool Folders() const = 0;     // a folder stands for the images in its tree
  virtual bool KeepInfo() const = 0;    // the output keeps the photo's date and camera
  virtual OutputFormat Format() const = 0;
};

// Every option as plain values: the settings file's content, and the fixed source of
// command-line runs and tests. A field's initialiser is the option's default, the value a
// first start shows and a missing key reads as.
struct Options {
  int boxPreset = 0;
  std::string boxWidth = "150";
  std::string boxHeight = "150";
  bool sharpen = true;
  int sharpenStrength = 80;
  bool saturation = false;
  bool grayscale = false;
  bool progressive = false;
  bool html = false;
  bool fixedQuality = true;
  std::string quality = "92";
  std::string targetSize = "50";
  bool subFolder = true;
  int textPosition = 0;
  std::string addedText = "s-";
  std::string folderName = "Resized";
  bool autoRotate = true;
  bool keepIcc = true;
  bool folders = false;
  bool keepInfo = false;
  std::string format = "jpeg";

  bool operator==(const Options&) const = default;
};

// One row per option, in the order the settings file stores them: its section and key,
// its field and getter, and the rule a stored value passes through on restore (the
// control's own rule; none where the control takes any value). A new option is one row
// here plus its field, its getter and its control.
struct FlagOption {
  bool Options::*field;
  bool (ProcessSettings::*get)() const;
};
struct NumberOption {
  int Options::*field;
  int (ProcessSettings::*get)() const;
  int (*restore)(int);
};
struct TextOption {
  std::string Options::*field;
  std::string (ProcessSettings::*get)() const;
  std::string (*restore)(const std::string&);
};
struct OptionKey {
  const char* section;
  const char* key;
  std::variant<FlagOption, NumberOption, TextOption> kind;
};
std::span<const OptionKey> OptionKeys();

// Every option as the settings answer at this moment (for live controls: a copy taken on
// the caller's thread, which worker threads may then read).
Options Snapshot(const ProcessSettings& settings);

// ProcessSettings answered from an Options value (which the pipeline may change, as the
// window's fields change: an empty added text becomes "s-").
class FixedSettings final : public ProcessSettings {
 public:
  explicit FixedSettings(Options options = {}) : o_(std::move(options)) {}
  Options& Values() { return o_; }
  const Options& Values() const { return o_; }

  int BoxPreset() const override { return o_.boxPreset; }
  std::string BoxWidthText() const override { return o_.boxWidth; }
  std::string BoxHeightText() const override { return o_.boxHeight; }
  bool Saturation() const override { return o_.saturation; }
  bool Sharpen() const override { return o_.sharpen; }
  int SharpenStrength() const override { return o_.sharpenStrength; }
  bool Grayscale() const override { return o_.grayscale; }
  bool Progressive() const override { return o_.progressive; }
  bool Html() const override { return o_.html; }
  bool FixedQuality() const override { return o_.fixedQuality; }
  std::string QualityText() const override { return o_.quality; }
  std::string TargetSizeText() const override { return o_.targetSize; }
  bool SubFolderMode() const override { return o_.subFolder; }
  int TextPosition() const override { return o_.textPosition; }
  std::string AddedText() const override { return o_.addedText; }
  void SetAddedText(const std::string& text) override { o_.addedText = text; }
  std::string FolderName() const override { return o_.folderName; }
  void SetFolderName(const std::string& text) override { o_.folderName = text; }
  bool AutoRotate() const override { return o_.autoRotate; }
  bool KeepIcc() const override { return o_.keepIcc; }
  bool Folders() const override { return o_.folders; }
  bool KeepInfo() const override { return o_.keepInfo; }
  OutputFormat Format() const override { return FormatOf(o_.format); }

 private:
  Options o_;
};

}  // namespace brevine
