#include "desktop.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "path_text.h"
#include "shell_open.h"
#include "unique_fd.h"

namespace brevine::platform {

const char kImageMimeTypes[] =
    "image/jpeg;image/pjpeg;image/gif;image/png;image/bmp;image/x-bmp;image/x-ms-bmp;"
    "image/webp;image/heif;image/heic;image/avif;"
    "image/tiff;image/jxl;image/x-adobe-dng;image/x-canon-cr2;image/x-canon-cr3;"
    "image/x-canon-crw;image/x-nikon-nef;image/x-nikon-nrw;image/x-sony-arw;image/x-sony-srf;"
    "image/x-sony-sr2;image/x-olympus-orf;image/x-panasonic-rw2;image/x-fuji-raf;"
    "image/x-pentax-pef;image/x-samsung-srw;image/x-kodak-kdc;image/x-kodak-dcr;"
    "image/x-minolta-mrw;image/x-hasselblad-3fr;image/x-phaseone-iiq;image/x-epson-erf;"
    "image/x-mamiya-mef;image/x-leaf-mos;image/x-sigma-x3f;image/x-leica-rwl;";

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  // getpwuid_r rather than getpwuid: two threads may ask at once.
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/')
    return found->pw_dir;
  throw std::runtime_error("no home folder");
}

// XDG_DESKTOP_DIR="$HOME/Desktop" or an absolute path in quotes; anything else is ignored,
// as the user-dirs format allows nothing else.
std::string DesktopFromUserDirs(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line, found;
  while (std::getline(in, line)) {
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    const std::string_view entry = Trim(line);
    if (!entry.starts_with(kKey)) continue;
    std::string value(entry.substr(kKey.size()));
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    std::string path;
    for (std::size_t k = 0; k < value.size(); ++k) {
      if (value[k] == '\\' && k + 1 < value.size()) {
        path += value[++k];
      } else {
        path += value[k];
      }
    }
    if (path.compare(0, 5, "$HOME") == 0 && (path.size() == 5 || path[5] == '/')) {
      found = home + path.substr(5);
    } else if (!path.empty() && path[0] == '/') {
      found = path;
    }
  }
  return found;
}

std::string ErrorText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// The launcher is filled under a temporary name and renamed over the old one, so a file
// manager never sees a half-written or non-executable launcher.
void WriteExecutableAtomic(const std::string& path, const std::string& text) {
  const std::string folder = ParentFolder(path);
  std::string pattern = folder + "/.Brevine-launcher-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  UniqueFd fd(mkstemp(name.data()));
  if (fd.get() < 0) throw std::runtime_error(ErrorText("cannot create a file in", folder));
  const std::string temporary(name.data());
  try {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw std::runtime_error(ErrorText("cannot write", temporary));
      done += static_cast<std::size_t>(n);
    }
    if (fchmod(fd.get(), 0755) != 0) throw std::runtime_error(ErrorText("cannot chmod", temporary));
    if (fsync(fd.get()) != 0) throw std::runtime_error(ErrorText("cannot write", temporary));
    if (!fd.Close()) throw std::runtime_error(ErrorText("cannot write", temporary));
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
      throw std::runtime_error(ErrorText("cannot replace", path));
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
}

}  // namespace

std::string DesktopFolder() {
  const std::string home = WithoutTrailingSlashes(HomeFolder());
  std::string config;
  const char* xdgConfig = std::getenv("XDG_CONFIG_HOME");
  if (xdgConfig != nullptr && xdgConfig[0] == '/') {
    config = xdgConfig;
  } else {
    config = home + "/.config";
  }
  std::string desktop = DesktopFromUserDirs(config + "/user-dirs.dirs", home);
  if (desktop.empty()) desktop = home + "/Desktop";
  desktop = WithoutTrailingSlashes(desktop);
  return desktop == "/" ? desktop : desktop + "/";
}

std::string QuoteExecArgument(const std::string& argument) {
  static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
  std::string doubled;
  for (char c : argument) {
    doubled += c;
    if (c == '%') doubled += '%';
  }
  if (!argument.empty() && argument.find_first_of(kReserved) == std::string::npos) return doubled;
  std::string quoted = "\"";
  for (char c : doubled) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string EscapeDesktopValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FormatLauncher(const std::string& title, const std::string& programPath,
                           const std::string& icon) {
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Version=1.5\n";
  text += "Name=" + EscapeDesktopValue(title) + "\n";
  text += "Comment=" + EscapeDesktopValue(title) + "\n";
  text += "Exec=" + EscapeDesktopValue(QuoteExecArgument(programPath)) + " %F\n";
  text += "Path=" + EscapeDesktopValue(ParentFolder(programPath)) + "\n";
  text += "Icon=" + EscapeDesktopValue(icon) + "\n";
  text += "Terminal=false\n";
  text += "Categories=Graphics;Photography;\n";
  text += std::string("MimeType=") + kImageMimeTypes + "\n";
  return text;
}

std::string CreateDesktopShortcut(const std::string& title, const std::string& programPath) {
  if (programPath.empty() || programPath[0] != '/')
    throw std::runtime_error("program path is not absolute: " + programPath);
  const std::string folder = DesktopFolder();
  // A fresh account may have no desktop folder yet; make the one level, as the desktop
  // would on its first start.
  if (::mkdir(WithoutTrailingSlashes(folder).c_str(), 0755) != 0 && errno != EEXIST)
    throw std::runtime_error(ErrorText("cannot create", folder));
  const std::string path = folder + title + ".desktop";

  std::string icon = "brevine";
  const std::string besideProgram = ParentFolder(programPath) + "/brevine.png";
  if (::access(besideProgram.c_str(), R_OK) == 0) icon = besideProgram;

  WriteExecutableAtomic(path, FormatLauncher(title, programPath, icon));
  // GNOME starts a desktop launcher only when it is marked trusted; without gio (or a
  // session) the launcher still works from menus and file managers that do not ask.
  if (ProgramInPath("gio")) RunAndWait({"gio", "set", path, "metadata::trusted", "true"});
  return path;
}

}  // namespace brevine::platform
