#include "drop.h"

#include <cstddef>
#include <string_view>

#include "path_text.h"

namespace brevine::platform {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Empty on a malformed escape or a decoded NUL: such a path could only ever name
// something other than what the source meant.
std::string PercentDecode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return {};
    const int hi = HexValue(text[i + 1]);
    const int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return {};
    const char c = static_cast<char>(hi * 16 + lo);
    if (c == '\0') return {};
    out += c;
    i += 2;
  }
  return out;
}

}  // namespace

std::string LocalPathFromFileUrl(const std::string& url) {
  if (!StartsWithNoCase(url, "file:")) return {};
  std::string rest = url.substr(5);
  // A query or fragment is not part of a file's name.
  const std::size_t cut = rest.find_first_of("?#");
  if (cut != std::string::npos) rest.resize(cut);

  std::string encodedPath;
  if (rest.compare(0, 2, "//") == 0) {
    const std::size_t slash = rest.find('/', 2);
    const std::string host =
        rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost"))) return {};
    if (slash == std::string::npos) return {};
    encodedPath = rest.substr(slash);
  } else if (!rest.empty() && rest[0] == '/') {
    encodedPath = rest;  // file:/path, as some sources write it
  } else {
    return {};
  }
  return PercentDecode(encodedPath);
}

std::vector<std::string> LocalPathsFromUriList(const std::string& uriList) {
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start <= uriList.size()) {
    std::size_t end = uriList.find('\n', start);
    if (end == std::string::npos) end = uriList.size();
    const std::string line(Trim(std::string_view(uriList).substr(start, end - start)));
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    std::string path = LocalPathFromFileUrl(line);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace brevine::platform
