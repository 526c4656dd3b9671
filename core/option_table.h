#pragma once
// Every option, declared once. A row of the table gives the key as the settings file stores
// it, the kind of value with its range or choices, the default, the command-line flags with
// their help, the label and explanation the dialog of further options shows, and whether a
// control of the window's own design carries it. The settings file, the command line and its
// --help, the manual page, the dialog and FixedSettings are all driven by the table.
//
// Every value is parsed once, here, into its typed field of Options: numbers as integers,
// flags as booleans, choices in the table's own spelling. The pipeline, the presets, the
// command line and the window all read those fields; the stored texts and the legacy key
// names live only where the settings file and the window's edit fields meet the table.
//
// A new option is one row here, its field in Options, and a getter in ProcessSettings where
// the pipeline reads it.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Marks a text that the window shows translated (in `context`), for Qt's translation
// tools; the core sees the text as it is written.
#define BREVINE_TR_NOOP(context, text) text

namespace brevine {

// A box photos are fitted into, in pixels.
struct Box {
  int width = 0, height = 0;
  bool operator==(const Box&) const = default;
};

// Every option as typed values. A default-constructed Options holds every row's default,
// which is what a first start shows and what a missing key reads as.
struct Options {
  Options();

  // The box photos are fitted into: the preset's square, the custom box, or none (the
  // photo keeps its size).
  std::optional<Box> FitBox() const;
  // The fixed quality of the chosen format: JPEG's `quality`, or WebP's, AVIF's or JPEG XL's
  // own.
  int FormatQuality() const { return this->*QualityField(format); }
  // The field holding the fixed quality of a `format` value (JPEG's for any other value).
  static int Options::*QualityField(std::string_view format);

  int boxPreset;  // -1 none, 0..6 the squares of 1280 down to 160 pixels, 7 the custom box
  int boxWidth;   // the custom box's sides; any integer, as the window's fields take them
  int boxHeight;
  bool sharpen;
  int sharpenStrength;
  bool saturation;
  bool grayscale;
  bool progressive;
  bool html;
  bool fixedQuality;  // else the target size
  int quality;        // 1..100
  int targetSize;     // kilobytes, at least 1
  bool autoRotate;
  bool keepIcc;
  bool folders;
  bool keepInfo;
  std::string format;
  int webpQuality;  // 1..100: the fixed quality of WebP results (quality is JPEG's)
  int avifQuality;  // 1..100: the fixed quality of AVIF results
  int jxlQuality;   // 1..100: the fixed quality of JPEG XL results
  std::string raw;  // camera raws: "preview" (the embedded preview when it covers the box)
                    // or "develop"
  bool keepDate;
  std::string lang;     // the window's language; empty: the desktop's
  bool skipExisting;    // a source whose result is there and not older is skipped
  bool onlySmaller;     // a result not smaller than its source is the source's own bytes
  std::string sandbox;  // where sources are decoded: auto, require or off
  bool subFolder;
  int textPosition;
  std::string addedText;
  std::string folderName;
  std::string outputDir;

  bool operator==(const Options&) const = default;
};

enum class OptionType {
  kFlag,     // on or off, stored as 1 or 0
  kInteger,  // a decimal integer within [min, max]
  kText,     // any one line of text
  kChoice,   // one of `choices`, stored as the value itself
};

// What reading a stored integer does with a value outside [min, max] (the rule of the
// control that shows it).
enum class OutOfRange {
  kClamp,   // the nearest end of the range
  kNoItem,  // -1: a list with no item selected
  kKeep,    // taken as it is; only the command line holds to the range
};

// One command-line flag of a row. A flag without an argument sets the row to `value`; one
// with an argument sets the row to the argument, checked as the row's type says (an
// optional argument that is left out leaves the row as it is). `also` names further
// settings the flag makes, as stored text: "jpeg=1", "save=0 AfterBefore=1". `apply`, where
// given, replaces the row's own parsing: it reads the argument into the options, or returns
// the reason it cannot.
struct OptionFlag {
  char shortName = 0;
  const char* longName = nullptr;
  const char* argument = nullptr;  // the argument's name in --help; null: takes none
  bool optionalArgument = false;
  const char* value = nullptr;  // the stored text a flag without argument sets
  const char* also = nullptr;
  const char* help = nullptr;  // one line of English
  std::optional<std::string> (*apply)(std::string_view argument, Options& options) = nullptr;
};

struct OptionRow {
  const char* section = nullptr;
  const char* key = nullptr;
  OptionType type = OptionType::kFlag;
  // The field that holds the value: bool for a flag, int for an integer, text for text and
  // choices.
  std::variant<bool Options::*, int Options::*, std::string Options::*> field;
  const char* defaultValue = "";  // as stored
  // kInteger: the range, the rule for stored values outside it, and the value that stored
  // text which is no integer reads as (the rule of the window's edit field that shows the
  // number; without one, the default).
  int min = 0;
  int max = 0;
  OutOfRange outOfRange = OutOfRange::kClamp;
  const char* fallback = nullptr;
  // kChoice: the values, separated by "|" (an empty value is allowed), and the dialog's
  // names for them in the same order (the values themselves when null).
  const char* choices = nullptr;
  const char* choiceLabels = nullptr;
  OptionFlag flags[2] = {};
  const char* help = nullptr;  // one line of English: what the key means
  // The dialog of further options shows the rows that have a label; its explanation is the
  // line beneath. Rows that a control of the window's design carries have neither.
  const char* label = nullptr;
  const char* explanation = nullptr;
  bool onWindow = false;
  // A choice about the program rather than its results (the window's language): a preset
  // saved from the window leaves it out.
  bool aboutProgram = false;
  // Stored only while it differs from its default, so that a settings file of a version
  // without the key reads and writes back byte for byte.
  bool omitDefault = false;
};

// The rows in the order the settings file stores them.
std::span<const OptionRow> OptionTable();
const OptionRow* FindOption(std::string_view key);
// The row whose field is `field`, or null.
template <typename T>
const OptionRow* OptionOf(T Options::*field) {
  for (const OptionRow& row : OptionTable())
    if (const auto* f = std::get_if<T Options::*>(&row.field); f && *f == field) return &row;
  return nullptr;
}

// A choice row's values, and the dialog's names for them.
std::vector<std::string> ChoiceValues(const OptionRow& row);
std::vector<std::string> ChoiceLabels(const OptionRow& row);

// Integer value of a text: optional leading blanks, an optional sign, decimal digits,
// nothing else; empty when the text is not an integer (or does not fit 32 bits).
std::optional<int> ParseInteger(const std::string& text);

// A row's value as the settings file stores it.
std::string StoredText(const OptionRow& row, const Options& options);
// Reads stored text into the row's field through the row's rules, as restoring a control
// does: a flag is any integer but 0; text that is no integer gives a number its fall-back,
// else its default; a number out of range follows `outOfRange`; a value that is not one
// of the choices gives the default. Never fails.
void RestoreStored(const OptionRow& row, std::string_view stored, Options& options);
// The integer a row reads stored text as (RestoreStored's rule for a number).
int StoredInteger(const OptionRow& row, const std::string& text);
// The text an integer row's edit field settles on: StoredInteger in decimal.
std::string SettleNumberText(const OptionRow& row, const std::string& text);
// Copies the row's field from one set of options to another.
void CopyOption(const OptionRow& row, const Options& from, Options& to);
// Sets the row from a value given on the command line, held strictly to the row's type:
// returns the reason when the value is no integer, out of range, not a choice, or more
// than one line.
std::optional<std::string> SetFromArgument(const OptionRow& row, std::string_view value,
                                           Options& options);
// Applies one use of a row's flag (with its argument when one was given) and what the flag
// sets besides; returns the reason when the argument is refused, leaving `options` as it was.
std::optional<std::string> ApplyFlag(const OptionRow& row, const OptionFlag& flag,
                                     const std::optional<std::string>& argument, Options& options);

}  // namespace brevine
