#pragma once
// A folder named among the paths of a batch stands for the image files of its tree.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "process_settings.h"

namespace brevine {

// One path of a batch and the name its messages show.
struct BatchPath {
  std::string path;   // absolute
  std::string shown;  // as named: an argument, or the argument joined with the found file's
                      // path below it
  bool unreadableFolder = false;  // a folder of the tree that could not be listed
};

// Sub-folders entered below a named folder, at most.
inline constexpr int kFolderDepth = 16;

// Watches a walk that may be long (a photo library of many thousand folders): `found`
// hears the count of files found so far each time it grows, and once `stop` is set the
// walk ends early with what it has found.
struct WalkControl {
  std::function<void(std::size_t found)> found;
  const std::atomic<bool>* stop = nullptr;
};

// With settings.Folders(), every path that names a folder (a link to one included: it was
// named) is replaced, in its place, by the image files (by HasImageExtension) of the folder
// and its sub-folders to kFolderDepth levels: a folder's entries in byte order of their
// names, each sub-folder walked at its place in that order. Never entered: links to
// folders, a folder already walked, and the folder outputs go to in sub-folder mode
// (`folder` inside each folder). Links to files count as files. In add-text mode a file
// that another image of its folder is written as in any output format ("s-x.jpg",
// "s-x.webp" or "s-x.avif" beside "x.jpg") is a result, of this run or an earlier one, and
// is left out. A folder that cannot be listed comes back as one
// entry marked unreadableFolder. Without the option the paths come back as they are.
std::vector<BatchPath> ExpandFolders(const std::vector<BatchPath>& paths,
                                     const ProcessSettings& settings,
                                     const WalkControl& control = {});

// Where a walk's paths go, one at a time, in order.
using PathSink = std::function<void(BatchPath&& path)>;
// ExpandFolders for one named path, its paths given to `out` as they are found.
void ExpandFolder(const BatchPath& path, const ProcessSettings& settings, const PathSink& out,
                  const WalkControl& control = {});

// The same for a drop, which reports nothing: the absolute paths to run, folders that
// cannot be listed left out. Reads only the folder and naming options, so a worker thread
// can run it on a snapshot of the window's settings.
std::vector<std::string> ExpandFolderPaths(const std::vector<std::string>& paths,
                                           const ProcessSettings& settings,
                                           const WalkControl& control = {});

}  // namespace brevine
