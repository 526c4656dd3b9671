#pragma once
// Named presets: a name and the values of the options it sets, applied over the options of
// the moment for one run or one batch. The settings file holds them in sections
// "[preset NAME]" after its own sections, each with only the keys the preset sets.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "option_table.h"

namespace brevine {

struct Preset {
  std::string name;
  // The rows the preset sets, in the table's order, and their values in `values` (the
  // other fields of `values` mean nothing).
  std::vector<const OptionRow*> keys;
  Options values;

  bool Sets(const OptionRow& row) const;
  // Sets the row to its value in `from` (adding it in the table's order).
  void Set(const OptionRow& row, const Options& from);
  // Sets the row from stored text, through the row's rules.
  void SetStored(const OptionRow& row, std::string_view stored);
  // The key=value lines of the preset, as the settings file stores them.
  std::string Lines() const;

  bool operator==(const Preset& other) const;
};

// The preset's values over `options`: what a run with it starts from.
Options ApplyPreset(const Preset& preset, Options options);

// A preset holding every option the window offers for the results, taken from `options`
// (the window's language stays out: it is not a choice about photos).
Preset PresetOf(std::string name, const Options& options);

// The presets a user has before saving one: Mail, Web and Small.
std::vector<Preset> ShippedPresets();

// The reason a name cannot be a preset's, or none. A name is one line of at most 64 bytes,
// without blanks around it, without "[" or "]" and without control characters.
std::optional<std::string> PresetNameProblem(std::string_view name);
// Names are told apart ignoring ASCII letter case, as the file's sections are.
bool SamePresetName(std::string_view a, std::string_view b);
const Preset* FindPreset(std::span<const Preset> presets, std::string_view name);

}  // namespace brevine
