#include "process_settings.h"

#include "settings_file.h"

namespace brevine {
namespace {

using P = ProcessSettings;

constexpr OptionKey kOptionKeys[] = {
    {"pixel", "Index", NumberOption{&Options::boxPreset, &P::BoxPreset, ClampBoxPreset}},
    {"pixel", "x", TextOption{&Options::boxWidth, &P::BoxWidthText, NormaliseBoxText}},
    {"pixel", "y", TextOption{&Options::boxHeight, &P::BoxHeightText, NormaliseBoxText}},
    {"option", "lap", FlagOption{&Options::sharpen, &P::Sharpen}},
    {"option", "lapnum",
     NumberOption{&Options::sharpenStrength, &P::SharpenStrength, ClampSharpenStrength}},
    {"option", "chroma", FlagOption{&Options::saturation, &P::Saturation}},
    {"option", "mono", FlagOption{&Options::grayscale, &P::Grayscale}},
    {"option", "progressive", FlagOption{&Options::progressive, &P::Progressive}},
    {"option", "html", FlagOption{&Options::html, &P::Html}},
    {"option", "jpeg", FlagOption{&Options::fixedQuality, &P::FixedQuality}},
    {"option", "parcent", TextOption{&Options::quality, &P::QualityText, NormaliseQualityText}},
    {"option", "FileSize",
     TextOption{&Options::targetSize, &P::TargetSizeText, NormaliseTargetSizeText}},
    {"option", "autorotate", FlagOption{&Options::autoRotate, &P::AutoRotate}},
    {"option", "keepicc", FlagOption{&Options::keepIcc, &P::KeepIcc}},
    {"option", "folders", FlagOption{&Options::folders, &P::Folders}},
    {"option", "keepinfo", FlagOption{&Options::keepInfo, &P::KeepInfo}},
    {"changed", "save", FlagOption{&Options::subFolder, &P::SubFolderMode}},
    {"changed", "AfterBefore",
     NumberOption{&Options::textPosition, &P::TextPosition, CheckTextPosition}},
    {"changed", "AddName", TextOption{&Options::addedText, &P::AddedText, nullptr}},
    {"changed", "folder", TextOption{&Options::folderName, &P::FolderName, nullptr}},
};

}  // namespace

OutputFormat FormatOf(const std::string& value) {
  if (value == "webp") return OutputFormat::kWebp;
  if (value == "avif") return OutputFormat::kAvif;
  return OutputFormat::kJpeg;
}

std::span<const OptionKey> OptionKeys() { return kOptionKeys; }

Options Snapshot(const ProcessSettings& settings) {
  Options o;
  for (const OptionKey& k : kOptionKeys)
    std::visit([&](const auto& option) { o.*option.field = (settings.*option.get)(); }, k.kind);
  // Not stored yet: the format is named by its value.
  static constexpr const char* kFormatNames[] = {"jpeg", "webp", "avif"};
  o.format = kFormatNames[static_cast<int>(settings.Format())];
  return o;
}

}  // namespace brevine
