#include "presets.h"

#include <algorithm>

#include "path_text.h"

namespace brevine {
namespace {

// The shipped presets as the settings file stores them. Each sets the box, the format and
// a fixed quality, so that one applied after another changes all three.
struct Shipped {
  const char* name;
  const char* lines;
};
constexpr Shipped kShipped[] = {
    // Mail: a size every mail program shows whole, as JPEG, with the photo's date and camera.
    {"Mail", "Index=0\njpeg=1\nparcent=85\nkeepinfo=1\nformat=jpeg\n"},
    // Web: a large custom box, sharpened, as WebP.
    {"Web", "Index=7\nx=1920\ny=1920\nlap=1\njpeg=1\nformat=webp\nwebpquality=80\n"},
    // Small: a small picture in the fewest bytes, as AVIF.
    {"Small", "Index=2\njpeg=1\nformat=avif\navifquality=60\n"},
};

std::size_t TableIndex(const OptionRow* row) {
  return static_cast<std::size_t>(row - OptionTable().data());
}

}  // namespace

bool Preset::Sets(const OptionRow& row) const {
  return std::find(keys.begin(), keys.end(), &row) != keys.end();
}

void Preset::Set(const OptionRow& row, const Options& from) {
  CopyOption(row, from, values);
  if (Sets(row)) return;
  const auto at = std::find_if(keys.begin(), keys.end(), [&](const OptionRow* k) {
    return TableIndex(k) > TableIndex(&row);
  });
  keys.insert(at, &row);
}

void Preset::SetStored(const OptionRow& row, std::string_view stored) {
  Options read = values;
  RestoreStored(row, stored, read);
  Set(row, read);
}

std::string Preset::Lines() const {
  std::string s;
  for (const OptionRow* row : keys)
    s += std::string(row->key) + "=" + StoredText(*row, values) + "\n";
  return s;
}

bool Preset::operator==(const Preset& other) const {
  return name == other.name && keys == other.keys && Lines() == other.Lines();
}

Options ApplyPreset(const Preset& preset, Options options) {
  for (const OptionRow* row : preset.keys) CopyOption(*row, preset.values, options);
  return options;
}

Preset PresetOf(std::string name, const Options& options) {
  Preset p;
  p.name = std::move(name);
  for (const OptionRow& row : OptionTable())
    if ((row.onWindow || row.label) && !row.aboutProgram) p.Set(row, options);
  return p;
}

std::vector<Preset> ShippedPresets() {
  std::vector<Preset> out;
  for (const Shipped& s : kShipped) {
    Preset p;
    p.name = s.name;
    for (std::string_view rest(s.lines); !rest.empty();) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      const std::size_t eq = line.find('=');
      // A key the table no longer has is left out, as the settings file leaves it.
      if (const OptionRow* row = FindOption(line.substr(0, eq)))
        p.SetStored(*row, line.substr(eq + 1));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    out.push_back(std::move(p));
  }
  return out;
}

std::optional<std::string> PresetNameProblem(std::string_view name) {
  if (name.empty()) return "a preset needs a name";
  if (name.size() > 64) return "a preset's name is at most 64 bytes";
  if (platform::Trim(name).size() != name.size() || name.front() == ' ' || name.back() == ' ')
    return "a preset's name has no blanks around it";
  for (const char c : name) {
    if (c == '[' || c == ']') return "a preset's name has no brackets";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      return "a preset's name is one line of text";
  }
  return std::nullopt;
}

bool SamePresetName(std::string_view a, std::string_view b) {
  return platform::AsciiLower(std::string(a)) == platform::AsciiLower(std::string(b));
}

const Preset* FindPreset(std::span<const Preset> presets, std::string_view name) {
  for (const Preset& p : presets)
    if (SamePresetName(p.name, name)) return &p;
  return nullptr;
}

}  // namespace brevine
