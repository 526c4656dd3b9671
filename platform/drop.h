#pragma once
// Dropped files arrive as a text/uri-list; this turns one into local paths.

#include <string>
#include <vector>

namespace brevine::platform {

// The local paths of a text/uri-list, in the order the drop source lists them. Comment
// lines and blank lines are skipped; "file:" URLs with an empty host or "localhost" are
// percent-decoded into paths; every other URL (another host, another scheme, a malformed
// escape, an embedded NUL) is passed over.
std::vector<std::string> LocalPathsFromUriList(const std::string& uriList);

// The path of one file URL, or empty when it does not name a local file.
std::string LocalPathFromFileUrl(const std::string& url);

}  // namespace brevine::platform
