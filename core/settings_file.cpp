#include "settings_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "file_system.h"
#include "output_stage.h"
#include "path_text.h"

namespace brevine {
namespace {

using platform::AsciiLower;
using platform::ParentFolder;
using platform::Trim;

// Section and key look-up ignores ASCII case, as the INI files this format comes from did.
// The first occurrence of a key wins. Lines are read whole, of any length, and a value is
// everything after the first "=" (trimmed): a folder name with a ";" or with many
// multi-byte characters comes back as it was stored, which fixed-buffer INI parsers with
// inline comments do not guarantee.
class IniValues {
 public:
  explicit IniValues(const std::string& text) {
    std::string section;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line(Trim(std::string_view(text).substr(start, end - start)));
      start = end + 1;
      if (line.empty() || line[0] == ';' || line[0] == '#') continue;
      if (line[0] == '[') {
        const auto close = line.find(']');
        if (close != std::string::npos)
          section = AsciiLower(std::string(Trim(std::string_view(line).substr(1, close - 1))));
        continue;
      }
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string_view whole(line);
      values_.try_emplace({section, AsciiLower(std::string(Trim(whole.substr(0, eq))))},
                          std::string(Trim(whole.substr(eq + 1))));
    }
  }

  const std::string* Find(const char* section, const char* key) const {
    const auto it = values_.find({AsciiLower(section), AsciiLower(key)});
    return it == values_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// An integer row's restore rule applied to a value.
int RestoredInteger(int Options::*field, int value) {
  Options o;
  RestoreStored(*OptionOf(field), std::to_string(value), o);
  return o.*field;
}

// The name in a "[preset NAME]" line ("preset" in any letter case), or none for any other
// line; an empty name for a preset header whose name cannot be a preset's.
std::optional<std::string> PresetHeader(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line[0] != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  const std::string_view inside = Trim(line.substr(1, close - 1));
  constexpr std::string_view kWord = "preset";
  // "[presets]" alone says that the user has none (so the shipped ones stay away).
  if (AsciiLower(std::string(inside)) == "presets") return std::string();
  if (inside.size() <= kWord.size() ||
      AsciiLower(std::string(inside.substr(0, kWord.size()))) != kWord ||
      (inside[kWord.size()] != ' ' && inside[kWord.size()] != '\t'))
    return std::nullopt;
  const std::string name(Trim(inside.substr(kWord.size())));
  return PresetNameProblem(name) ? std::string() : name;
}

// Calls `line` for each line of `text` without its line end.
template <typename F>
void ForEachLine(std::string_view text, F line) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    line(text.substr(0, end), end != std::string_view::npos);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
}

// Creates every missing folder above `path` (the user's config folder may not exist yet).
void CreateParents(const std::string& path) {
  const std::string folder = ParentFolder(path);
  if (folder.empty() || folder == "." || folder == "/" || platform::FolderExists(folder)) return;
  CreateParents(folder);
  platform::CreateFolder(folder);
}

}  // namespace

std::string NormaliseQualityText(const std::string& text) {
  return SettleNumberText(*OptionOf(&Options::quality), text);
}
std::string NormaliseTargetSizeText(const std::string& text) {
  return SettleNumberText(*OptionOf(&Options::targetSize), text);
}
std::string NormaliseBoxText(const std::string& text) {
  return SettleNumberText(*OptionOf(&Options::boxWidth), text);
}

int ClampBoxPreset(int index) { return RestoredInteger(&Options::boxPreset, index); }
int ClampSharpenStrength(int value) { return RestoredInteger(&Options::sharpenStrength, value); }
int CheckTextPosition(int index) { return RestoredInteger(&Options::textPosition, index); }

int FieldNumber(int Options::*field, const std::string& text) {
  if (const auto v = ParseInteger(text)) return *v;
  if (field == &Options::boxWidth || field == &Options::boxHeight) return 200;
  return StoredInteger(*OptionOf(field), text);
}

bool IsInstalledProgram(const std::string& programPath) {
  return platform::FolderExists(ParentFolder(programPath) + "/../share/brevine/help");
}

std::string SettingsFilePath(const std::string& programPath) {
  const std::string beside = programPath + ".ini";
  // An installed program's folder belongs to the system: read-only for users, and root
  // must not leave a file in it that no package owns. Other copies keep their options
  // beside them while they can.
  const bool installed = IsInstalledProgram(programPath);
  if (!installed &&
      (platform::FileExists(beside) || ::access(ParentFolder(beside).c_str(), W_OK) == 0))
    return beside;
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0]) {
    config = std::string(home) + "/.config";
  } else {
    return installed ? std::string() : beside;
  }
  return config + "/brevine/brevine.ini";
}

Options ParseSettings(const std::string& iniText, std::vector<std::string>* warnings) {
  const IniValues ini(iniText);
  Options o;
  for (const OptionRow& row : OptionTable())
    if (const std::string* v = ini.Find(row.section, row.key)) RestoreStored(row, *v, o);
  // Results stay in or below the source's folder whatever a file says.
  for (std::string Options::*field : {&Options::addedText, &Options::folderName}) {
    const auto reason = LeadsOutside(o.*field);
    if (!reason) continue;
    const OptionRow& row = *OptionOf(field);
    o.*field = row.defaultValue;
    if (warnings)
      warnings->push_back(std::string(row.key) + ": " + *reason + "; " + row.defaultValue +
                          " is used");
  }
  return o;
}

Options ReadSettingsFile(const std::string& path, std::vector<std::string>* warnings,
                         std::string* refused) {
  // A file that cannot be read reads as an empty one: every key takes its default.
  const platform::SmallFile file = platform::ReadSmallFile(path, kSettingsFileLimit);
  if (!file.problem.empty() && !file.missing) {
    if (warnings) warnings->push_back(file.problem + ": not read, the defaults are used");
    if (refused) *refused = file.problem;
  }
  return ParseSettings(file.text, warnings);
}

std::string FormatSettings(const Options& o) {
  std::string s;
  std::string_view section;
  for (const OptionRow& row : OptionTable()) {
    if (section != row.section) {
      if (!section.empty()) s += "\n";
      section = row.section;
      s += "[" + std::string(section) + "]\n";
    }
    const std::string value = StoredText(row, o);
    if (row.omitDefault && value == row.defaultValue) continue;
    s += std::string(row.key) + "=" + value + "\n";
  }
  return s;
}

std::vector<Preset> ParsePresets(const std::string& iniText) {
  std::vector<Preset> presets;
  Preset* current = nullptr;
  bool skipping = false;  // in a section that adds nothing
  ForEachLine(iniText, [&](std::string_view raw, bool) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') return;
    if (line[0] == '[') {
      const std::optional<std::string> name = PresetHeader(line);
      current = nullptr;
      skipping = !name || name->empty() || FindPreset(presets, *name);
      if (!skipping) {
        presets.emplace_back().name = *name;
        current = &presets.back();
      }
      return;
    }
    if (skipping || !current) return;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string key = AsciiLower(std::string(Trim(line.substr(0, eq))));
    for (const OptionRow& row : OptionTable()) {
      if (AsciiLower(row.key) != key || current->Sets(row)) continue;
      Preset tried = *current;
      tried.SetStored(row, Trim(line.substr(eq + 1)));
      // Results stay in or below the source's folder whatever a preset says.
      if (LeadsOutside(tried.values.addedText) || LeadsOutside(tried.values.folderName)) continue;
      *current = std::move(tried);
    }
  });
  return presets;
}

bool HoldsPresets(const std::string& iniText) {
  bool found = false;
  ForEachLine(iniText, [&](std::string_view line, bool) { found = found || PresetHeader(line); });
  return found;
}

std::string FormatPresets(std::span<const Preset> presets, bool first) {
  if (presets.empty()) return first ? "[presets]\n" : "\n[presets]\n";
  std::string s;
  for (const Preset& p : presets) {
    if (!first) s += "\n";
    first = false;
    s += "[preset " + p.name + "]\n" + p.Lines();
  }
  return s;
}

std::string ReplacePresets(const std::string& iniText, std::span<const Preset> presets) {
  std::string out;
  bool inPreset = false;
  std::string blanks;  // a preset section's last blank lines: they part it from what follows
  ForEachLine(iniText, [&](std::string_view line, bool ended) {
    const std::string_view trimmed = Trim(line);
    if (PresetHeader(line)) {
      inPreset = true;
      blanks.clear();
      // The blank line that parts the section from the one before goes with it.
      if (out.ends_with("\n\n"))
        out.pop_back();
      else if (out == "\n")
        out.clear();
      return;
    }
    if (inPreset && !trimmed.empty() && trimmed[0] == '[') {
      inPreset = false;
      out += blanks;
    }
    if (inPreset) {
      if (trimmed.empty())
        blanks.append(line).append(ended ? "\n" : "");
      else
        blanks.clear();
      return;
    }
    out.append(line);
    if (ended) out += '\n';
  });
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out + FormatPresets(presets, out.empty());
}

std::vector<Preset> ReadPresets(const std::string& path) {
  const std::string text = platform::ReadTextFile(path);
  return HoldsPresets(text) ? ParsePresets(text) : ShippedPresets();
}

bool WritePresets(const std::string& path, std::span<const Preset> presets) {
  if (path.empty()) return false;
  try {
    const std::string old = platform::ReadTextFile(path);
    // A file that is there but cannot be read would lose its options.
    std::error_code error;
    if (old.empty() && std::filesystem::file_size(path, error) > 0 && !error) return false;
    const std::string text = ReplacePresets(old, presets);
    CreateParents(path);
    platform::WriteFileAtomic(path, reinterpret_cast<const std::uint8_t*>(text.data()),
                              text.size());
    return true;
  } catch (...) {
    return false;
  }
}

void WriteSettingsFile(const std::string& path, const Options& options) {
  try {
    const std::string text = FormatSettings(options) + FormatPresets(ReadPresets(path));
    CreateParents(path);
    platform::WriteFileAtomic(path, reinterpret_cast<const std::uint8_t*>(text.data()),
                              text.size());
  } catch (...) {
    // Losing the options of one session is not worth an error at close.
  }
}

}  // namespace brevine
