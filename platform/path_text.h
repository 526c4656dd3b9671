#pragma once
// Path pieces and text rules shared by every layer. Paths are byte strings split at "/";
// letter case and blanks are ASCII only, so the answers never depend on the process's
// locale (which Qt sets) or on the bytes of multi-byte characters.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevine::platform {

// Everything up to and including the last "/"; empty when there is none. A name appended
// to it lands in the same folder.
std::string FolderPart(std::string_view path);
// The last component: everything after the last "/".
std::string NamePart(std::string_view path);
// The folder holding `path` as a path of its own: no trailing "/" except for the root
// ("/x" gives "/"), and "." for a bare name.
std::string ParentFolder(std::string_view path);

// The path with "." and ".." resolved by the text alone, as a person reads it: absolute stays
// absolute (".." at the root stays there), relative stays relative (leading ".." kept; "."
// when nothing is left). Empty steps go; a trailing "/" is kept, as it marks a folder.
std::string NormalPath(std::string_view path);

// The path without trailing "/", except a lone "/".
std::string WithoutTrailingSlashes(std::string path);

// Where the extension of the last component starts (its dot), or npos when it has none.
std::size_t ExtensionStart(std::string_view path);
// The extension of the last component, dot included, ASCII letters lowered; empty if none.
std::string LowerExtension(std::string_view path);

std::string AsciiLower(std::string text);
// Without leading and trailing blanks (space, tab, carriage return, line feed).
std::string_view Trim(std::string_view text);
// Decimal digits only, the whole text, within 64 bits; nullopt otherwise.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);

}  // namespace brevine::platform
