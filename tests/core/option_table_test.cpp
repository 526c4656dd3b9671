// The option table: every default as the settings file states it, the rules each kind of
// value passes through, and the table's own consistency.

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>

#include "option_table.h"
#include "pipeline.h"
#include "process_settings.h"
#include "settings_file.h"

namespace brevine {
namespace {

// Each key's first-start value as stored; one line per default, so a changed default shows.
TEST(OptionDefaults, EveryKeyHasItsFirstStartValue) {
  const std::map<std::string, std::string> expected = {
      {"Index", "0"},      {"x", "150"},          {"y", "150"},      {"lap", "1"},
      {"lapnum", "80"},    {"chroma", "0"},       {"mono", "0"},     {"progressive", "0"},
      {"html", "0"},       {"jpeg", "1"},         {"parcent", "92"}, {"FileSize", "50"},
      {"autorotate", "1"}, {"keepicc", "1"},      {"folders", "0"},  {"keepinfo", "0"},
      {"format", "jpeg"},  {"keepdate", "0"},     {"save", "1"},     {"AfterBefore", "0"},
      {"AddName", "s-"},   {"folder", "Resized"}, {"outdir", ""},
  };
  const Options defaults;
  for (const OptionRow& row : OptionTable()) {
    const auto it = expected.find(row.key);
    // Keys added later state their default in their own tests.
    if (it == expected.end()) continue;
    EXPECT_EQ(StoredText(row, defaults), it->second) << row.key;
    EXPECT_EQ(row.defaultValue, it->second) << row.key;
  }
  // The file that holds nothing, and the settings of a run without one, are the defaults.
  EXPECT_EQ(ParseSettings(""), defaults);
  EXPECT_EQ(Snapshot(FixedSettings()), defaults);
}

// What the edit fields fall back to when their text is no integer differs from what a
// first start shows: the box is 150 at first but 300 after nonsense; quality 92 and 90.
TEST(OptionDefaults, NumberFieldsFallBackToTheirControlsRule) {
  const Options o = ParseSettings("[pixel]\nx=abc\ny=\n[option]\nparcent=x\nFileSize=-\n");
  EXPECT_EQ(o.boxWidth, 300);
  EXPECT_EQ(o.boxHeight, 300);
  EXPECT_EQ(o.quality, 90);
  EXPECT_EQ(o.targetSize, 50);
  // A stored integer key that is no integer reads as its default, not as a fall-back.
  const Options n =
      ParseSettings("[pixel]\nIndex=x\n[option]\nlapnum=\n[changed]\nAfterBefore=?\n");
  EXPECT_EQ(n.boxPreset, 0);
  EXPECT_EQ(n.sharpenStrength, 80);
  EXPECT_EQ(n.textPosition, 0);
  // What the window hands over from a field takes the integer as it stands; text that is no
  // integer gives the field's own rule, but the box its own fall-back, 200.
  EXPECT_EQ(FieldNumber(&Options::boxWidth, "wide"), 200);
  EXPECT_EQ(FieldNumber(&Options::boxHeight, "-7"), -7);
  EXPECT_EQ(FieldNumber(&Options::quality, "x"), 90);
  EXPECT_EQ(FieldNumber(&Options::quality, "250"), 250);
  EXPECT_EQ(FieldNumber(&Options::targetSize, ""), 50);
}

TEST(OptionTable, RowsAreConsistent) {
  std::set<std::string> keys, flags;
  std::set<char> shorts;
  for (const OptionRow& row : OptionTable()) {
    EXPECT_TRUE(keys.insert(row.key).second) << row.key;
    ASSERT_NE(row.help, nullptr) << row.key;
    // Each kind of row holds its value in a field of its own type.
    EXPECT_EQ(row.field.index(), row.type == OptionType::kFlag      ? 0u
                                 : row.type == OptionType::kInteger ? 1u
                                                                    : 2u)
        << row.key;
    // A default passes its own rules unchanged.
    Options o;
    RestoreStored(row, row.defaultValue, o);
    EXPECT_EQ(StoredText(row, o), row.defaultValue) << row.key;
    // The dialog shows what no control of the window carries, and only that.
    EXPECT_FALSE(row.onWindow && row.label) << row.key;
    EXPECT_EQ(row.label != nullptr, row.explanation != nullptr) << row.key;
    if (row.type == OptionType::kChoice) {
      EXPECT_NE(row.choices, nullptr) << row.key;
    }
    for (const OptionFlag& flag : row.flags) {
      if (!flag.longName) continue;
      EXPECT_TRUE(flags.insert(flag.longName).second) << flag.longName;
      if (flag.shortName) {
        EXPECT_TRUE(shorts.insert(flag.shortName).second) << flag.longName;
      }
      EXPECT_NE(flag.help, nullptr) << flag.longName;
      EXPECT_TRUE(flag.argument || flag.value) << flag.longName;
    }
  }
  // The fields are distinct: changing one row's field changes that row's text only.
  for (const OptionRow& row : OptionTable()) {
    Options changed;
    const std::string before = StoredText(row, changed);
    std::string value = row.type == OptionType::kFlag ? (before == "1" ? "0" : "1") : "1";
    if (row.type == OptionType::kChoice) value = ChoiceValues(row).back();  // not the default
    RestoreStored(row, value, changed);
    if (StoredText(row, changed) == before) RestoreStored(row, "7", changed);
    if (StoredText(row, changed) == before && row.type == OptionType::kChoice)
      RestoreStored(row, ChoiceValues(row).back(), changed);
    EXPECT_NE(StoredText(row, changed), before) << row.key;
    for (const OptionRow& other : OptionTable())
      if (&other != &row) {
        EXPECT_EQ(StoredText(other, changed), StoredText(other, Options{})) << other.key;
      }
  }
  // Every "also" names a key of the table.
  for (const OptionRow& row : OptionTable())
    for (const OptionFlag& flag : row.flags)
      if (flag.also)
        for (std::string_view rest(flag.also); !rest.empty();) {
          const std::size_t blank = rest.find(' ');
          const std::string_view one = rest.substr(0, blank);
          EXPECT_NE(FindOption(one.substr(0, one.find('='))), nullptr) << flag.also;
          rest = blank == std::string_view::npos ? "" : rest.substr(blank + 1);
        }
}

// A choice row, as the rows that offer a list of values declare one.
const OptionRow kChoiceRow{.section = "changed",
                           .key = "folder",
                           .type = OptionType::kChoice,
                           .field = &Options::folderName,
                           .defaultValue = "webp",
                           .choices = "jpeg|webp|avif",
                           .choiceLabels = "JPEG|WebP|AVIF"};
const OptionRow kOpenChoiceRow{.section = "changed",
                               .key = "AddName",
                               .type = OptionType::kChoice,
                               .field = &Options::addedText,
                               .defaultValue = "",
                               .choices = "|zh_CN|en"};

TEST(OptionChoice, StoredValuesRestoreFormatAndCheck) {
  EXPECT_EQ(ChoiceValues(kChoiceRow), (std::vector<std::string>{"jpeg", "webp", "avif"}));
  EXPECT_EQ(ChoiceLabels(kChoiceRow), (std::vector<std::string>{"JPEG", "WebP", "AVIF"}));
  EXPECT_EQ(ChoiceValues(kOpenChoiceRow), (std::vector<std::string>{"", "zh_CN", "en"}));
  EXPECT_EQ(ChoiceLabels(kOpenChoiceRow), ChoiceValues(kOpenChoiceRow));

  Options o;
  RestoreStored(kChoiceRow, "avif", o);
  EXPECT_EQ(o.folderName, "avif");
  EXPECT_EQ(StoredText(kChoiceRow, o), "avif");
  RestoreStored(kChoiceRow, "AVIF", o);  // letter case aside, in the table's spelling
  EXPECT_EQ(o.folderName, "avif");
  for (const char* unknown : {"png", "", " jpeg", "jpeg|webp"}) {
    RestoreStored(kChoiceRow, unknown, o);
    EXPECT_EQ(o.folderName, "webp") << unknown;
  }
  RestoreStored(kOpenChoiceRow, "en", o);
  EXPECT_EQ(o.addedText, "en");
  RestoreStored(kOpenChoiceRow, "", o);
  EXPECT_EQ(o.addedText, "");
  RestoreStored(kOpenChoiceRow, "fr", o);
  EXPECT_EQ(o.addedText, "");

  EXPECT_EQ(SetFromArgument(kChoiceRow, "Jpeg", o), std::nullopt);
  EXPECT_EQ(o.folderName, "jpeg");
  EXPECT_EQ(SetFromArgument(kChoiceRow, "gif", o), "'gif' is not one of jpeg, webp, avif");
  EXPECT_EQ(o.folderName, "jpeg");
  EXPECT_EQ(SetFromArgument(kOpenChoiceRow, "x", o), "'x' is not one of '', zh_CN, en");
}

TEST(OptionArguments, HeldStrictlyToTheRowsType) {
  const OptionRow& quality = *FindOption("parcent");
  const OptionRow& target = *FindOption("FileSize");
  const OptionRow& strength = *FindOption("lapnum");
  Options o;
  EXPECT_EQ(SetFromArgument(quality, "75", o), std::nullopt);
  EXPECT_EQ(o.quality, 75);
  EXPECT_EQ(SetFromArgument(quality, "0", o), "0 is out of range 1..100");
  EXPECT_EQ(SetFromArgument(quality, "101", o), "101 is out of range 1..100");
  for (const char* bad : {"", "abc", " 5", "+5", "5 ", "7.5"})
    EXPECT_EQ(SetFromArgument(quality, bad, o), "'" + std::string(bad) + "' is not an integer");
  EXPECT_EQ(o.quality, 75);
  EXPECT_EQ(SetFromArgument(target, "-3", o), "-3 is less than 1");
  EXPECT_EQ(SetFromArgument(target, "2147483647", o), std::nullopt);
  EXPECT_EQ(o.targetSize, 2147483647);
  EXPECT_EQ(SetFromArgument(strength, "151", o), "151 is out of range 0..150");
  EXPECT_EQ(SetFromArgument(strength, "0", o), std::nullopt);
  EXPECT_EQ(o.sharpenStrength, 0);
  EXPECT_EQ(SetFromArgument(*FindOption("keepdate"), "1", o), std::nullopt);
  EXPECT_TRUE(o.keepDate);
  EXPECT_EQ(SetFromArgument(*FindOption("keepdate"), "yes", o), "'yes' is not 0 or 1");
  EXPECT_EQ(SetFromArgument(*FindOption("AddName"), "a\nb", o), "the text is more than one line");
  EXPECT_EQ(SetFromArgument(*FindOption("AddName"), "_klein", o), std::nullopt);
  EXPECT_EQ(o.addedText, "_klein");
}

TEST(OptionArguments, SizeFlagSetsTheCustomBox) {
  const OptionFlag& size = FindOption("Index")->flags[0];
  ASSERT_EQ(size.shortName, 's');
  Options o;
  EXPECT_EQ(size.apply("640x480", o), std::nullopt);
  EXPECT_EQ(o.boxPreset, 7);
  EXPECT_EQ(o.boxWidth, 640);
  EXPECT_EQ(o.boxHeight, 480);
  EXPECT_EQ(size.apply("800", o), std::nullopt);
  EXPECT_EQ(o.boxWidth, 800);
  EXPECT_EQ(o.boxHeight, 800);
  EXPECT_EQ(size.apply("none", o), std::nullopt);
  EXPECT_EQ(o.boxPreset, -1);
  for (const char* bad : {"0", "0x5", "5x0", "-5", "5x-5"})
    EXPECT_EQ(size.apply(bad, o), "a size of " + std::string(bad) + " is out of range") << bad;
  for (const char* bad : {"", "x", "5x", "abc", "5 x 5", "5x5x5", "None"})
    EXPECT_EQ(size.apply(bad, o), "'" + std::string(bad) + "' is not WxH, N or none") << bad;
  EXPECT_EQ(o.boxPreset, -1);
}

}  // namespace
}  // namespace brevine
