#include "folder_walk.h"

#include <algorithm>
#include <set>

#include "file_system.h"
#include "folder_list.h"
#include "output_stage.h"
#include "pipeline.h"

namespace brevine {
namespace {

using platform::EntryKind;
using platform::FileIdentity;

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

class Walker {
 public:
  Walker(const ProcessSettings& settings, const PathSink& out, const WalkControl& control)
      : out_(out), control_(control), subFolder_(settings.SubFolderMode()) {
    // The same substitutions as the output stage makes when it names a file.
    folderName_ = settings.FolderName();
    addedText_ = settings.AddedText().empty() ? "s-" : settings.AddedText();
    position_ = settings.TextPosition();
    // With an output folder every result goes there: that folder is left out wherever the
    // walk meets it, and a sub-folder of the naming mode is no output folder.
    if (const std::string dir = settings.OutputDir(); !dir.empty()) {
      outputDir_ = true;
      if (auto output = platform::FolderIdentity(dir)) outputFolders_.insert(*output);
    }
  }

  void Walk(const std::string& path, const std::string& shown, int depth) {
    if (Stopped()) return;
    FileIdentity self;
    auto entries = platform::ListFolder(path, depth == 0, &self);
    if (!entries) {
      out_({path, shown, true});
      return;
    }
    // A bind mount can show a folder inside itself; walking it again would repeat files.
    if (!walked_.insert(self).second) return;
    if (subFolder_ && !outputDir_) {
      // Where this folder's results go, decided as the output stage decides it; compared
      // as a folder, not as a name, so that every spelling of it is found.
      const std::string folder = Join(path, "");
      if (auto output = platform::FolderIdentity(folder + OutputSubFolder(folder, folderName_)))
        outputFolders_.insert(*output);
    }
    // std::string compares as unsigned bytes: "B" < "a" < "á" whatever the locale.
    std::sort(entries->begin(), entries->end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    const std::set<std::string> ownOutputs = OwnOutputs(*entries);
    for (const platform::FolderEntry& e : *entries) {
      if (Stopped()) return;
      const std::string child = Join(path, e.name);
      const std::string childShown = Join(shown, e.name);
      switch (e.kind) {
        case EntryKind::kFolder:
          if (depth < kFolderDepth && !outputFolders_.count(e.identity))
            Walk(child, childShown, depth + 1);
          break;
        case EntryKind::kFile:
        case EntryKind::kLinkToFile:
          if (HasImageExtension(e.name) && !ownOutputs.count(e.name)) {
            out_({child, childShown, false});
            ++found_;
            if (control_.found) control_.found(found_);
          }
          break;
        case EntryKind::kLinkToFolder:
        case EntryKind::kOther:
          break;
      }
    }
  }

 private:
  bool Stopped() const { return control_.stop && control_.stop->load(std::memory_order_relaxed); }

  // In add-text mode the names this run, or one in another format, writes into the folder,
  // other than the sources' own names (writing over a source is refused anyway).
  std::set<std::string> OwnOutputs(const std::vector<platform::FolderEntry>& entries) const {
    std::set<std::string> names;
    if (subFolder_ || outputDir_ || (position_ != 0 && position_ != 1)) return names;
    for (const platform::FolderEntry& e : entries) {
      if (e.kind != EntryKind::kFile && e.kind != EntryKind::kLinkToFile) continue;
      if (!HasImageExtension(e.name)) continue;
      const std::string jpg = DestinationBase(e.name);
      const std::string base = jpg.substr(0, jpg.size() - 4);
      for (OutputFormat format :
           {OutputFormat::kJpeg, OutputFormat::kWebp, OutputFormat::kAvif, OutputFormat::kJxl}) {
        const std::string extension = ResultExtension(format);
        const std::string output =
            position_ == 0 ? addedText_ + base + extension : base + addedText_ + extension;
        if (output != e.name) names.insert(output);
      }
    }
    return names;
  }

  const PathSink& out_;
  const WalkControl& control_;
  std::size_t found_ = 0;
  bool subFolder_;
  std::string folderName_;
  std::string addedText_;
  int position_;
  bool outputDir_ = false;
  std::set<FileIdentity> walked_;
  std::set<FileIdentity> outputFolders_;
};

}  // namespace

void ExpandFolder(const BatchPath& path, const ProcessSettings& settings, const PathSink& out,
                  const WalkControl& control) {
  if (settings.Folders() && platform::FolderExists(path.path)) {
    // Each named folder on its own: named twice, its files come twice, as files do.
    Walker(settings, out, control).Walk(path.path, path.shown, 0);
  } else {
    out(BatchPath(path));
  }
}

std::vector<BatchPath> ExpandFolders(const std::vector<BatchPath>& paths,
                                     const ProcessSettings& settings, const WalkControl& control) {
  if (!settings.Folders()) return paths;
  std::vector<BatchPath> out;
  // The count the control hears runs on over every named folder.
  WalkControl counted;
  counted.stop = control.stop;
  if (control.found) counted.found = [&](std::size_t) { control.found(out.size()); };
  const PathSink sink = [&](BatchPath&& p) { out.push_back(std::move(p)); };
  for (const BatchPath& p : paths) ExpandFolder(p, settings, sink, counted);
  return out;
}

std::vector<std::string> ExpandFolderPaths(const std::vector<std::string>& paths,
                                           const ProcessSettings& settings,
                                           const WalkControl& control) {
  if (!settings.Folders()) return paths;
  std::vector<BatchPath> named;
  named.reserve(paths.size());
  for (const std::string& p : paths) named.push_back({p, p});
  std::vector<std::string> out;
  for (BatchPath& p : ExpandFolders(named, settings, control))
    if (!p.unreadableFolder) out.push_back(std::move(p.path));
  return out;
}

}  // namespace brevine
