#include "settings_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "file_system.h"
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

  std::string String(const char* section, const char* key, const std::string& fallback) const {
    const std::string* v = Find(section, key);
    return v ? *v : fallback;
  }

  int Integer(const char* section, const char* key, int fallback) const {
    const std::string* v = Find(section, key);
    if (!v) return fallback;
    return ParseInteger(*v).value_or(fallback);
  }

  bool Boolean(const char* section, const char* key, bool fallback) const {
    return Integer(section, key, fallback ? 1 : 0) != 0;
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// A line break inside a value would end the line and could inject keys on the next read.
std::string OneLine(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

// Creates every missing folder above `path` (the user's config folder may not exist yet).
void CreateParents(const std::string& path) {
  const std::string folder = ParentFolder(path);
  if (folder.empty() || folder == "." || folder == "/" || platform::FolderExists(folder)) return;
  CreateParents(folder);
  platform::CreateFolder(folder);
}

}  // namespace

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

std::string NormaliseQualityText(const std::string& text) {
  const int v = ParseInteger(text).value_or(90);
  return std::to_string(std::clamp(v, 1, 100));
}

std::string NormaliseTargetSizeText(const std::string& text) {
  const int v = ParseInteger(text).value_or(50);
  return std::to_string(std::max(v, 1));
}

std::string NormaliseBoxText(const std::string& text) {
  return std::to_string(ParseInteger(text).value_or(300));
}

int ClampBoxPreset(int index) { return std::clamp(index, -1, 7); }
int ClampSharpenStrength(int value) { return std::clamp(value, 0, 150); }
int CheckTextPosition(int index) { return index == 0 || index == 1 ? index : -1; }

std::string StrengthToolTip(int position) { return "百分比为:" + std::to_string(position) + "%"; }

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

Options ParseSettings(const std::string& iniText) {
  const IniValues ini(iniText);
  const Options d;
  Options o;
  for (const OptionKey& k : OptionKeys()) {
    std::visit(
        [&](const auto& option) {
          using Kind = std::decay_t<decltype(option)>;
          const auto& fallback = d.*option.field;
          if constexpr (std::is_same_v<Kind, FlagOption>) {
            o.*option.field = ini.Boolean(k.section, k.key, fallback);
          } else if constexpr (std::is_same_v<Kind, NumberOption>) {
            const int v = ini.Integer(k.section, k.key, fallback);
            o.*option.field = option.restore ? option.restore(v) : v;
          } else {
            std::string v = ini.String(k.section, k.key, fallback);
            o.*option.field = option.restore ? option.restore(v) : std::move(v);
          }
        },
        k.kind);
  }
  return o;
}

Options ReadSettingsFile(const std::string& path) {
  // An unreadable file reads as an empty one: every key takes its default.
  return ParseSettings(platform::ReadTextFile(path));
}

std::string FormatSettings(const Options& o) {
  std::ostringstream s;
  std::string_view section;
  for (const OptionKey& k : OptionKeys()) {
    if (section != k.section) {
      if (!section.empty()) s << "\n";
      section = k.section;
      s << "[" << section << "]\n";
    }
    s << k.key << "=";
    std::visit(
        [&](const auto& option) {
          using Kind = std::decay_t<decltype(option)>;
          if constexpr (std::is_same_v<Kind, FlagOption>) {
            s << (o.*option.field ? "1" : "0");
          } else if constexpr (std::is_same_v<Kind, NumberOption>) {
            s << o.*option.field;
          } else {
            s << OneLine(o.*option.field);
          }
        },
        k.kind);
    s << "\n";
  }
  return s.str();
}

void WriteSettingsFile(const std::string& path, const Options& options) {
  try {
    const std::string text = FormatSettings(options);
    CreateParents(path);
    platform::WriteFileAtomic(path, reinterpret_cast<const std::uint8_t*>(text.data()),
                              text.size());
  } catch (...) {
    // Losing the options of one session is not worth an error at close.
  }
}

}  // namespace brevine
