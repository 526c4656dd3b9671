#pragma once
// The settings file: where it lives, how it is read into Options and written back, and the
// normalising rules of the edit fields, shared by the restore and the window's handlers.

#include <optional>
#include <string>
#include <vector>

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
Options ReadSettingsFile(const std::string& path, std::vector<std::string>* warnings = nullptr);
Options ParseSettings(const std::string& iniText, std::vector<std::string>* warnings = nullptr);
// Store: sections and keys in their fixed order. WriteSettingsFile reports nothing.
std::string FormatSettings(const Options& options);
void WriteSettingsFile(const std::string& path, const Options& options);

}  // namespace brevine
