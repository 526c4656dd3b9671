#include "option_table.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <type_traits>

namespace brevine {
namespace {

using Flag = OptionFlag;
using enum OptionType;

// The value in quotes, for a reason (built by appending: GCC 12 warns falsely about
// "'" + std::string).
std::string Quoted(std::string_view value) {
  std::string out(1, '\'');
  out.append(value);
  out += '\'';
  return out;
}

// -s WxH, -s N (N by N) or -s none (no reduction: the largest box). The box is the custom
// item, whose two edit fields take the numbers.
std::optional<std::string> ApplySize(std::string_view value, Options& o) {
  if (value == "none") {
    o.boxPreset = -1;
    return std::nullopt;
  }
  const std::size_t x = value.find_first_of("xX");
  const std::string width(value.substr(0, x));
  const std::string height(x == std::string_view::npos ? value : value.substr(x + 1));
  const auto w = ParseInteger(width);
  const auto h = ParseInteger(height);
  const bool plain = !width.empty() && !height.empty() && width.find(' ') == std::string::npos &&
                     height.find(' ') == std::string::npos;
  if (!w || !h || !plain) return Quoted(value) + " is not WxH, N or none";
  if (*w < 1 || *h < 1) return "a size of " + std::string(value) + " is out of range";
  o.boxPreset = 7;
  o.boxWidth = *w;
  o.boxHeight = *h;
  return std::nullopt;
}

// -q N: the fixed quality of whichever format the run writes, so every format's quality
// takes N (checked as the quality rows check it).
std::optional<std::string> ApplyQuality(std::string_view value, Options& o) {
  for (const char* key : {"parcent", "webpquality", "avifquality", "jxlquality"})
    if (auto reason = SetFromArgument(*FindOption(key), value, o)) return reason;
  return std::nullopt;
}

// The window's languages: the one its texts are written in, then its translations. Each is
// named in itself; only "follow the desktop" is translated.
constexpr char kLanguageCodes[] = "|zh_CN|en|de|fr|es|pt_BR|ru|ja|ko|zh_TW";
constexpr char kLanguageNames[] =
    BREVINE_TR_NOOP("brevine::OptionsDialog", "跟随系统") "|简体中文|English|Deutsch|Français|"
    "Español|Português (Brasil)|Русский|日本語|한국어|繁體中文";

constexpr OptionRow kTable[] = {
    {.section = "pixel",
     .key = "Index",
     .type = kInteger,
     .field = &Options::boxPreset,
     .defaultValue = "0",
     .min = -1,
     .max = 7,
     .flags = {{.shortName = 's',
                .longName = "size",
                .argument = "WxH",
                .help = "fit into a box of W by H pixels (N: N by N; none: no reduction)",
                .apply = ApplySize}},
     .help = "the box: 0 to 6 for 1280, 1024, 800, 640, 400, 320 or 160 pixels square, 7 for "
             "the box x by y, -1 for none (no reduction below 40000 pixels)",
     .onWindow = true},
    {.section = "pixel",
     .key = "x",
     .type = kInteger,
     .field = &Options::boxWidth,
     .defaultValue = "150",
     .min = 1,
     .max = INT_MAX,
     .outOfRange = OutOfRange::kKeep,
     .fallback = "300",
     .help = "width of the custom box in pixels",
     .onWindow = true},
    {.section = "pixel",
     .key = "y",
     .type = kInteger,
     .field = &Options::boxHeight,
     .defaultValue = "150",
     .min = 1,
     .max = INT_MAX,
     .outOfRange = OutOfRange::kKeep,
     .fallback = "300",
     .help = "height of the custom box in pixels",
     .onWindow = true},
    {.section = "option",
     .key = "lap",
     .field = &Options::sharpen,
     .defaultValue = "1",
     .flags = {{.longName = "no-sharpen", .value = "0", .help = "do not sharpen"}},
     .help = "sharpen the reduced picture",
     .onWindow = true},
    {.section = "option",
     .key = "lapnum",
     .type = kInteger,
     .field = &Options::sharpenStrength,
     .defaultValue = "80",
     .min = 0,
     .max = 150,
     .flags = {{.longName = "sharpen",
                .argument = "N",
                .optionalArgument = true,
                .also = "lap=1",
                .help = "sharpen the reduced picture, at strength N (0..150)"}},
     .help = "strength of the sharpening, 0..150",
     .onWindow = true},
    {.section = "option",
     .key = "chroma",
     .field = &Options::saturation,
     .defaultValue = "0",
     .flags = {{.longName = "saturate", .value = "1", .help = "make the colours more vivid"},
               {.longName = "no-saturate", .value = "0", .help = "keep the colours as they are"}},
     .help = "make the colours more vivid",
     .onWindow = true},
    {.section = "option",
     .key = "mono",
     .field = &Options::grayscale,
     .defaultValue = "0",
     .flags = {{.longName = "gray", .value = "1", .help = "write grayscale results"},
               {.longName = "no-gray", .value = "0", .help = "write colour results"}},
     .help = "write grayscale results",
     .onWindow = true},
    {.section = "option",
     .key = "progressive",
     .field = &Options::progressive,
     .defaultValue = "0",
     .flags = {{.longName = "progressive", .value = "1", .help = "write progressive JPEGs"},
               {.longName = "no-progressive", .value = "0", .help = "write baseline JPEGs"}},
     .help = "write progressive JPEGs",
     .onWindow = true},
    {.section = "option",
     .key = "html",
     .field = &Options::html,
     .defaultValue = "0",
     .flags = {{.longName = "html",
                .value = "1",
                .help = "add a line linking each result to its source to the day's HTML file"},
               {.longName = "no-html", .value = "0", .help = "write no HTML line"}},
     .help = "append a line linking each result to its source to the day's HTML index "
             "(yyyymmdd.html) in the output folder",
     .onWindow = true},
    {.section = "option",
     .key = "jpeg",
     .field = &Options::fixedQuality,
     .defaultValue = "1",
     .help = "1: write at the fixed quality parcent; 0: write the highest quality whose file "
             "fits FileSize",
     .onWindow = true},
    {.section = "option",
     .key = "parcent",
     .type = kInteger,
     .field = &Options::quality,
     .defaultValue = "92",
     .min = 1,
     .max = 100,
     .fallback = "90",
     .flags = {{.shortName = 'q',
                .longName = "quality",
                .argument = "N",
                .also = "jpeg=1",
                .help = "write at the fixed quality N (1..100) of the chosen format",
                .apply = ApplyQuality}},
     .help = "the fixed quality of JPEG results, 1..100",
     .onWindow = true},
    {.section = "option",
     .key = "FileSize",
     .type = kInteger,
     .field = &Options::targetSize,
     .defaultValue = "50",
     .min = 1,
     .max = INT_MAX,
     .fallback = "50",
     .flags = {{.shortName = 't',
                .longName = "target-size",
                .argument = "KB",
                .also = "jpeg=0",
                .help = "choose a quality that keeps each result within KB kilobytes"}},
     .help = "the target size in kilobytes",
     .onWindow = true},
    {.section = "option",
     .key = "autorotate",
     .field = &Options::autoRotate,
     .defaultValue = "1",
     .flags = {{.longName = "autorotate",
                .value = "1",
                .help = "turn photos upright as the camera recorded (EXIF orientation)"},
               {.longName = "no-autorotate", .value = "0", .help = "leave photos as stored"}},
     .help = "turn photos upright as the camera recorded (EXIF orientation)",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "自动转正照片"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "按照相机记录的拍摄方向（EXIF 方向）把照片转正")},
    {.section = "option",
     .key = "keepicc",
     .field = &Options::keepIcc,
     .defaultValue = "1",
     .flags = {{.longName = "keep-icc",
                .value = "1",
                .help = "keep the source's colour profile in the result"},
               {.longName = "no-keep-icc", .value = "0", .help = "write no colour profile"}},
     .help = "keep the source's ICC colour profile in the result",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "保留色彩配置文件"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "保留照片自带的 ICC 色彩配置文件，颜色与原图保持一致")},
    {.section = "option",
     .key = "folders",
     .field = &Options::folders,
     .defaultValue = "0",
     .flags = {{.shortName = 'r',
                .longName = "recursive",
                .value = "1",
                .help = "a FOLDER stands for the images in it and its sub-folders"},
               {.longName = "no-recursive", .value = "0", .help = "a FOLDER is no image"}},
     .help = "1: a folder given as an argument or dropped on the window stands for the image "
             "files inside it and its sub-folders, in name order, up to 16 levels deep, without "
             "following links to folders and without entering the output sub-folder",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "处理整个文件夹"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "拖入或指定文件夹时，压缩其中及各级子文件夹里的全部图片")},
    {.section = "option",
     .key = "keepinfo",
     .field = &Options::keepInfo,
     .defaultValue = "0",
     .flags = {{.longName = "keep-info",
                .value = "1",
                .help = "keep the date, camera and lens of the photo (not its GPS position)"},
               {.longName = "no-keep-info", .value = "0", .help = "write no photo information"}},
     .help = "1: the result keeps the source's dates, camera, lens and exposure EXIF tags; never "
             "its location (GPS), maker notes, thumbnail, serial numbers or owner",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "保留拍摄信息"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "保留拍摄时间、相机和镜头等信息（不含 GPS 位置）")},
    {.section = "option",
     .key = "format",
     .type = kChoice,
     .field = &Options::format,
     .defaultValue = "jpeg",
     .choices = "jpeg|webp|avif|jxl",
     .choiceLabels = "JPEG|WebP|AVIF|JPEG XL",
     .flags = {{.shortName = 'f',
                .longName = "format",
                .argument = "FORMAT",
                .help = "write jpeg (for mail), or webp, avif or jxl (smaller files for web "
                        "pages)"}},
     .help = "the results' format: jpeg for mail, webp, avif or jxl (JPEG XL) for smaller files "
             "on web pages",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "保存格式"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "JPEG 适合邮件；WebP、AVIF 或 JPEG XL 文件更小，适合网页")},
    // Each format keeps its own quality, which the window's quality field shows while the
    // format is chosen. JPEG's is parcent.
    {.section = "option",
     .key = "webpquality",
     .type = kInteger,
     .field = &Options::webpQuality,
     .defaultValue = "80",
     .min = 1,
     .max = 100,
     .fallback = "80",
     .help = "the fixed quality of WebP results, 1..100",
     .onWindow = true,
     .omitDefault = true},
    {.section = "option",
     .key = "avifquality",
     .type = kInteger,
     .field = &Options::avifQuality,
     .defaultValue = "60",
     .min = 1,
     .max = 100,
     .fallback = "60",
     .help = "the fixed quality of AVIF results, 1..100",
     .onWindow = true,
     .omitDefault = true},
    {.section = "option",
     .key = "jxlquality",
     .type = kInteger,
     .field = &Options::jxlQuality,
     .defaultValue = "75",
     .min = 1,
     .max = 100,
     .fallback = "75",
     .help = "the fixed quality of JPEG XL results, 1..100",
     .onWindow = true,
     .omitDefault = true},
    {.section = "option",
     .key = "raw",
     .type = kChoice,
     .field = &Options::raw,
     .defaultValue = "preview",
     .choices = "preview|develop",
     .choiceLabels = BREVINE_TR_NOOP("brevine::OptionsDialog", "内嵌预览图") "|" BREVINE_TR_NOOP(
         "brevine::OptionsDialog", "完整冲洗"),
     .flags = {{.longName = "raw",
                .argument = "HOW",
                .help = "camera raws: preview (the embedded JPEG when it is large enough for the "
                        "box) or develop (always develop the raw data)"}},
     .help = "camera raws: preview uses the embedded JPEG preview when it covers the box, else "
             "the raw is developed (camera white balance, sRGB, AHD); develop always develops it",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "RAW 照片"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog",
                                    "相机内嵌的预览图足够大时直接使用（快）；或总是冲洗原始数据")},
    {.section = "option",
     .key = "keepdate",
     .field = &Options::keepDate,
     .defaultValue = "0",
     .flags = {{.longName = "keep-date",
                .value = "1",
                .help = "give each result its source's modification time"},
               {.longName = "no-keep-date", .value = "0", .help = "results bear the time written"}},
     .help = "give each result its source's modification time",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "保留修改时间"),
     .explanation =
         BREVINE_TR_NOOP("brevine::OptionsDialog", "压缩后的图片沿用原图的文件修改时间")},
    // The window's language, chosen before the window is made: a new choice shows at the
    // next start.
    {.section = "option",
     .key = "lang",
     .type = kChoice,
     .field = &Options::lang,
     .defaultValue = "",
     .choices = kLanguageCodes,
     .choiceLabels = kLanguageNames,
     .help = "the window's language from its next start: empty follows the desktop's (LANGUAGE, "
             "LC_ALL, LC_MESSAGES, LANG) where the window has it, else shows the written Chinese",
     .label = BREVINE_TR_NOOP("brevine::OptionsDialog", "语言"),
     .explanation = BREVINE_TR_NOOP("brevine::OptionsDialog", "窗口的语言，下次启动时生效"),
     .aboutProgram = true},
    // For archives too large to do in one go: a run that was cut short, run again, does
    // only what is missing.
    {.section = "option",
     .key = "skipexisting",
     .field = &Options::skipExisting,
     .defaultValue = "0",
     .flags = {{.shortName = 'n',
                .longName = "skip-existing",
                .value = "1",
                .help = "skip a source whose result is there already and not older than it"},
               {.longName = "no-skip-existing", .value = "0", .help = "write every result"}},
     .help = "skip a source whose result exists and is not older than the source"},
    {.section = "option",
     .key = "onlysmaller",
     .field = &Options::onlySmaller,
     .defaultValue = "0",
     .flags = {{.longName = "only-smaller",
                .value = "1",
                .help = "where the result would not be smaller, write the source's own bytes as "
                        "the result (a source already in the output format and within the box)"},
               {.longName = "no-only-smaller",
                .value = "0",
                .help = "always write the reduced file"}},
     .help = "keep the source's bytes as the result where the reduced file would not be smaller "
             "and the source is already in the output format and within the box"},
    // Photos come from anywhere; the libraries that read them are large C code. Each is
    // read in a worker process that can open no file, create none, reach no network and
    // start no program. Off is for measuring and debugging.
    {.section = "option",
     .key = "sandbox",
     .type = kChoice,
     .field = &Options::sandbox,
     .defaultValue = "auto",
     .choices = "auto|require|off",
     .flags = {{.longName = "require-sandbox",
                .value = "require",
                .help = "refuse every file where the decoders cannot be confined"},
               {.longName = "sandbox",
                .argument = "MODE",
                .help = "auto, require or off: where photos are decoded (see sandbox)"}},
     .help = "auto: each photo is decoded in a confined worker process, unconfined with one "
             "warning where the kernel cannot confine it; require: such files are refused; off: "
             "decoded in the program itself"},
    {.section = "changed",
     .key = "save",
     .field = &Options::subFolder,
     .defaultValue = "1",
     .help = "1: write into the sub-folder folder; 0: write beside the source with AddName added "
             "to the name",
     .onWindow = true},
    {.section = "changed",
     .key = "AfterBefore",
     .type = kInteger,
     .field = &Options::textPosition,
     .defaultValue = "0",
     .min = 0,
     .max = 1,
     .outOfRange = OutOfRange::kNoItem,
     .help = "where AddName goes: 0 before the name, 1 after it",
     .onWindow = true},
    {.section = "changed",
     .key = "AddName",
     .type = kText,
     .field = &Options::addedText,
     .defaultValue = "s-",
     .flags = {{.longName = "prefix",
                .argument = "TEXT",
                .also = "save=0 AfterBefore=0",
                .help = "write beside the source, with TEXT before its name"},
               {.longName = "suffix",
                .argument = "TEXT",
                .also = "save=0 AfterBefore=1",
                .help = "write beside the source, with TEXT after its name"}},
     .help = "the text added to the name (empty: s-)",
     .onWindow = true},
    {.section = "changed",
     .key = "folder",
     .type = kText,
     .field = &Options::folderName,
     .defaultValue = "Resized",
     .flags = {{.longName = "folder",
                .argument = "NAME",
                .also = "save=1",
                .help = "write into the sub-folder NAME of the source's folder"}},
     .help = "the sub-folder's name (empty: Resized)",
     .onWindow = true},
    {.section = "changed",
     .key = "outdir",
     .type = kText,
     .field = &Options::outputDir,
     .defaultValue = "",
     .flags = {{.shortName = 'd',
                .longName = "output-dir",
                .argument = "DIR",
                .help = "write every result into DIR (created with its parents)"}},
     .help = "when not empty, every result goes into this folder, named as in a sub-folder"},
};

std::vector<std::string> Split(const char* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  std::string_view rest(list);
  for (;;) {
    const std::size_t bar = rest.find('|');
    out.emplace_back(rest.substr(0, bar));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  return out;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

int Ranged(const OptionRow& row, int v) {
  switch (row.outOfRange) {
    case OutOfRange::kClamp:
      return std::clamp(v, row.min, row.max);
    case OutOfRange::kNoItem:
      return v >= row.min && v <= row.max ? v : -1;
    case OutOfRange::kKeep:
      break;
  }
  return v;
}

// The choice that `value` names (letter case aside), in its own spelling.
std::optional<std::string> ChoiceOf(const OptionRow& row, std::string_view value) {
  for (const std::string& c : ChoiceValues(row))
    if (SameIgnoringCase(c, value)) return c;
  return std::nullopt;
}

// One line of text: a line break would end the stored line and could inject keys.
bool OneLine(std::string_view s) { return s.find_first_of("\r\n") == std::string_view::npos; }

}  // namespace

Options::Options() {
  for (const OptionRow& row : kTable) RestoreStored(row, row.defaultValue, *this);
}

int Options::*Options::QualityField(std::string_view format) {
  if (format == "webp") return &Options::webpQuality;
  if (format == "avif") return &Options::avifQuality;
  if (format == "jxl") return &Options::jxlQuality;
  return &Options::quality;
}

std::optional<Box> Options::FitBox() const {
  static constexpr int kSquares[] = {1280, 1024, 800, 640, 400, 320, 160};
  if (boxPreset >= 0 && boxPreset < 7) return Box{kSquares[boxPreset], kSquares[boxPreset]};
  if (boxPreset == 7) return Box{boxWidth, boxHeight};
  return std::nullopt;
}

std::span<const OptionRow> OptionTable() { return kTable; }

const OptionRow* FindOption(std::string_view key) {
  for (const OptionRow& row : kTable)
    if (key == row.key) return &row;
  return nullptr;
}

std::vector<std::string> ChoiceValues(const OptionRow& row) { return Split(row.choices); }

std::vector<std::string> ChoiceLabels(const OptionRow& row) {
  return Split(row.choiceLabels ? row.choiceLabels : row.choices);
}

std::optional<int> ParseInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

std::string StoredText(const OptionRow& row, const Options& o) {
  return std::visit(
      [&](auto field) -> std::string {
        using T = std::remove_cvref_t<decltype(o.*field)>;
        if constexpr (std::is_same_v<T, bool>) {
          return o.*field ? "1" : "0";
        } else if constexpr (std::is_same_v<T, int>) {
          return std::to_string(o.*field);
        } else {
          std::string out;
          for (char c : o.*field)
            if (c != '\r' && c != '\n') out += c;
          return out;
        }
      },
      row.field);
}

int StoredInteger(const OptionRow& row, const std::string& text) {
  const auto v = ParseInteger(text);
  if (v) return Ranged(row, *v);
  return Ranged(row, ParseInteger(row.fallback ? row.fallback : row.defaultValue).value_or(0));
}

std::string SettleNumberText(const OptionRow& row, const std::string& text) {
  return std::to_string(StoredInteger(row, text));
}

void CopyOption(const OptionRow& row, const Options& from, Options& to) {
  std::visit([&](auto field) { to.*field = from.*field; }, row.field);
}

void RestoreStored(const OptionRow& row, std::string_view stored, Options& o) {
  const std::string text(stored);
  std::visit(
      [&](auto field) {
        using T = std::remove_cvref_t<decltype(o.*field)>;
        if constexpr (std::is_same_v<T, bool>) {
          o.*field = ParseInteger(text).value_or(ParseInteger(row.defaultValue).value_or(0)) != 0;
        } else if constexpr (std::is_same_v<T, int>) {
          o.*field = StoredInteger(row, text);
        } else if (row.type == kChoice) {
          o.*field = ChoiceOf(row, text).value_or(row.defaultValue);
        } else {
          o.*field = text;
        }
      },
      row.field);
}

std::optional<std::string> SetFromArgument(const OptionRow& row, std::string_view value,
                                           Options& o) {
  const std::string text(value);
  switch (row.type) {
    case kFlag: {
      const auto v = ParseInteger(text);
      if (!v || (*v != 0 && *v != 1)) return Quoted(text) + " is not 0 or 1";
      break;
    }
    case kInteger: {
      // Strictly digits: no blanks, no plus sign, nothing the settings file would forgive.
      const auto v = ParseInteger(text);
      const bool plain = !text.empty() && text.find_first_of(" \t+") == std::string::npos;
      if (!v || !plain) return Quoted(text) + " is not an integer";
      if (*v < row.min || *v > row.max)
        return row.max == INT_MAX ? text + " is less than " + std::to_string(row.min)
                                  : text + " is out of range " + std::to_string(row.min) + ".." +
                                        std::to_string(row.max);
      break;
    }
    case kChoice: {
      const auto c = ChoiceOf(row, value);
      if (!c) {
        std::string list;
        for (const std::string& v : ChoiceValues(row))
          list += (list.empty() ? "" : ", ") + (v.empty() ? Quoted("") : v);
        return Quoted(text) + " is not one of " + list;
      }
      RestoreStored(row, *c, o);
      return std::nullopt;
    }
    case kText:
      if (!OneLine(value)) return "the text is more than one line";
      break;
  }
  RestoreStored(row, value, o);
  return std::nullopt;
}

std::optional<std::string> ApplyFlag(const OptionRow& row, const OptionFlag& flag,
                                     const std::optional<std::string>& argument, Options& o) {
  Options changed = o;
  std::optional<std::string> reason;
  if (argument && flag.apply)
    reason = flag.apply(*argument, changed);
  else if (argument)
    reason = SetFromArgument(row, *argument, changed);
  else if (flag.value)
    RestoreStored(row, flag.value, changed);
  if (reason) return reason;
  for (std::string_view rest(flag.also ? flag.also : ""); !rest.empty();) {
    const std::size_t blank = rest.find(' ');
    const std::string_view one = rest.substr(0, blank);
    const std::size_t eq = one.find('=');
    if (const OptionRow* other = FindOption(one.substr(0, eq)))
      RestoreStored(*other, one.substr(eq + 1), changed);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  }
  o = std::move(changed);
  return std::nullopt;
}

}  // namespace brevine
