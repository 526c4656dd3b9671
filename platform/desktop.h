#pragma once
// The desktop folder and the launcher file ("/sc"): a freedesktop desktop entry that starts
// the program with the files dropped on it as arguments.

#include <string>

namespace brevine::platform {

// The user's desktop folder with a trailing "/": XDG_DESKTOP_DIR from user-dirs.dirs in
// $XDG_CONFIG_HOME (default ~/.config), else ~/Desktop. Raises std::runtime_error when
// there is no home folder to start from.
std::string DesktopFolder();

// One argument of an Exec line: quoted when it holds a reserved character, with the
// quoting rules' escapes inside the quotes and "%" doubled.
std::string QuoteExecArgument(const std::string& argument);
// A string value of a desktop entry: backslash, newline, tab and carriage return escaped.
std::string EscapeDesktopValue(const std::string& value);

// The image types the loader reads, as a MimeType value (ends in ";").
extern const char kImageMimeTypes[];

// The launcher's text for the program at `programPath` (absolute).
std::string FormatLauncher(const std::string& title, const std::string& programPath,
                           const std::string& icon);

// Writes DesktopFolder() + title + ".desktop" for the program (mode 0755, replacing an
// existing one atomically) and marks it trusted where `gio` exists. The icon is
// "brevine.png" beside the program when there is one, else the themed name "brevine".
// Returns the launcher's path; raises std::runtime_error naming what failed.
std::string CreateDesktopShortcut(const std::string& title, const std::string& programPath);

}  // namespace brevine::platform
