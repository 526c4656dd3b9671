#pragma once
// The settings file: where it lives, how it is read into Options and written back, and the
// normalising rules of the edit fields, shared by the restore and the window's handlers.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "presets.h"
#include "process_settings.h"

namespace brevine {

// The rules of the number fields the window edits as text, from their rows: each returns
// the text the field settles on.
std::string NormaliseQualityText(const std::string& text);     // the fall-back, then 1..100
std::string NormaliseTargetSizeText(const std::string& text);  // the fall-back, then >= 1
std::string NormaliseBoxText(const std::string& text);         // the fall-back, no bounds
// The value a number field's text gives its option: the integer as it stands. Text that is
// no integer, which a settled field never holds, gives what the field settles on, but 200
// for a side of the custom box, as the box has always taken such a side.
int FieldNumber(int Options::*field, const std::string& text);

// The rules that restoring applies to the integer options, from their rows.
int ClampBoxPreset(int index);        // -1 .. 7
int ClampSharpenStrength(int value);  // 0 .. 150
int CheckTextPosition(int index);     // 0 or 1, anything else -1 (no item)

// An installed program: PREFIX/bin/brevine beside PREFIX/share/brevine/help, the layout
// that `make install` and the package give it.
bool IsInstalledProgram(const std::string& programPath);

// Settings file location: for a program that is not installed, its path + ".ini" when that
// file exists or its folder is writable. Otherwise $XDG_CONFIG_HOME/brevine/brevine.ini
// (default ~/.config); with neither variable set, the path beside a program that is not
// installed, and none (empty: defaults, nothing stored) for an installed one.
std::string SettingsFilePath(const std::string& programPath);

// Restore: every key through its control's rule, the defaults where a key or the file is
// missing. The result is what the controls show after a restore. A folder name or added
// text that would lead out of the source's folder takes its default, and `warnings`, when
// given, receives a line saying so.
// Only a regular file of at most kSettingsFileLimit bytes is read; another one reads as a
// missing file, with a warning, and `refused`, when given, receives why.
inline constexpr std::size_t kSettingsFileLimit = std::size_t{1} << 20;
Options ReadSettingsFile(const std::string& path, std::vector<std::string>* warnings = nullptr,
                         std::string* refused = nullptr);
Options ParseSettings(const std::string& iniText, std::vector<std::string>* warnings = nullptr);
// Store: sections and keys in their fixed order. WriteSettingsFile reports nothing; it
// keeps the file's presets (the shipped ones while it holds none) after the options.
std::string FormatSettings(const Options& options);
void WriteSettingsFile(const std::string& path, const Options& options);

// Presets live in sections "[preset NAME]" after the options' sections, each with only
// the keys the preset sets. The file's presets in its order (the first section of a name
// counts; keys the table does not know, a folder name or added text that would lead out of
// the source's folder, and sections whose name cannot be a preset's are left out), none
// when it holds none.
std::vector<Preset> ParsePresets(const std::string& iniText);
// Whether the file holds presets of its own, or the empty section "[presets]" that stands
// for none at all.
bool HoldsPresets(const std::string& iniText);
// The preset sections as stored, each after a blank line (the first one not, when
// nothing stands before it); for no preset, the section "[presets]".
std::string FormatPresets(std::span<const Preset> presets, bool first = false);
// `iniText` with its preset sections (and the blank line before each) replaced by
// `presets` at its end; every other line kept as it is.
std::string ReplacePresets(const std::string& iniText, std::span<const Preset> presets);
// The presets a user has: the file's, or the shipped ones while it holds none of its own
// and no "[presets]".
std::vector<Preset> ReadPresets(const std::string& path);
// Stores `presets` in the file in place of those it holds, every other line kept; false
// when it cannot be written.
bool WritePresets(const std::string& path, std::span<const Preset> presets);

}  // namespace brevine
