#include "output_stage.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "codecs.h"
#include "exif_metadata.h"
#include "file_system.h"
#include "file_utils.h"
#include "path_text.h"
#include "settings_file.h"

namespace brevine {
namespace {

// A file name as a link in an attribute of the index line. "%", "#" and "?" would end or
// change the link's path, so they are percent-encoded, as are line ends, tabs and
// backslashes; '"', "<", ">" and "&" would end the attribute or start markup in the page,
// so they become character references. A name without them stays as it is.
std::string LinkAttribute(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '#':
        out += "%23";
        break;
      case '?':
        out += "%3F";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      // Line ends would break the one-line-per-picture index; a tab and a backslash are
      // read as other characters by some browsers.
      case '\n':
        out += "%0A";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\t':
        out += "%09";
        break;
      case '\\':
        out += "%5C";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A name with a ":" before any "/" would be read as a URL's scheme ("javascript:..."):
// "./" in front keeps it a file of the index's folder.
std::string FileReference(const std::string& name) {
  const std::size_t colon = name.find(':');
  return colon != std::string::npos && colon < name.find('/') ? "./" + name : name;
}

std::string IndexLine(const std::string& link, const std::string& picture) {
  return "<a href=\"" + LinkAttribute(FileReference(link)) + "\"><img src=\"" +
         LinkAttribute(FileReference(picture)) + "\" border=\"0\"></a>";
}

// The folders a relative folder path steps through, "." and empty steps left out.
std::vector<std::string> FolderSteps(const std::string& path) {
  std::vector<std::string> steps;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string step = path.substr(start, end - start);
    if (!step.empty() && step != ".") steps.push_back(std::move(step));
    start = end + 1;
  }
  return steps;
}

// Whether a sub-folder name that stays below the source's folder leads back to that folder
// itself ("." and empty steps only, or a link to it): the results would land beside their
// sources and replace a different photo of the same base name there.
bool IsOwnFolder(const std::string& folder, const std::string& sub) {
  if (FolderSteps(sub).empty()) return true;
  const std::string target = folder + sub;
  return platform::FolderExists(target) &&
         platform::SameFile(target, folder.empty() ? std::string(".") : folder);
}

// The source's path as the index in the output folder `out` links it: relative to that
// folder, worked out from the two paths as given, or from the current folder where one is
// relative and the other not; the bare name where neither tells.
std::string LinkFromOutput(const std::string& folder, const std::string& name,
                           const std::string& out) {
  namespace fs = std::filesystem;
  fs::path from(out);
  fs::path source = fs::path(folder.empty() ? "." : folder) / name;
  if (from.is_absolute() != source.is_absolute()) {
    const std::string cwd = platform::CurrentFolder();
    if (cwd.empty()) return name;
    from = fs::path(platform::AbsolutePath(out, cwd));
    source = fs::path(platform::AbsolutePath(source.string(), cwd));
  }
  const std::string link =
      fs::path(platform::NormalPath(source.string())).lexically_relative(from).generic_string();
  return link.empty() ? name : link;
}

// The APP1 payload of the shared EXIF block ("Exif\0\0" and the TIFF block), or nothing.
std::vector<std::uint8_t> KeptExifSegment(const ProcessSettings& settings,
                                          const SourceInfo& source) {
  if (!settings.KeepInfo() || source.exif.empty()) return {};
  try {
    return SharedExifSegment(source.exif.data(), source.exif.size());
  } catch (...) {
    // Without its date the photo is still worth writing.
    return {};
  }
}

// A gray picture has no use for an RGB profile; without one the bytes are as before.
bool KeepsProfile(const ProcessSettings& settings, const SourceInfo& source) {
  return settings.KeepIcc() && !settings.Grayscale() && !source.icc.empty();
}

// Why the result may not take the place of the entry `name` of `folder`: a source of this
// run (by identity, also through a link there) or anything but a regular file or a link
// (which the rename replaces, never writes through). Nothing when the name is free.
std::optional<std::string> ReplacesWhatItMayNot(int folder, const std::string& name,
                                                const std::string& sourcePath, RunPlaces* sources) {
  struct stat own;
  if (::fstatat(folder, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  struct stat source;
  const bool hasSource = ::stat(sourcePath.c_str(), &source) == 0;
  const auto isSource = [&](const struct stat& st) {
    if (hasSource && source.st_dev == st.st_dev && source.st_ino == st.st_ino) return true;
    return sources && sources->Contains({static_cast<std::uint64_t>(st.st_dev),
                                         static_cast<std::uint64_t>(st.st_ino)});
  };
  struct stat named;
  const bool linked = S_ISLNK(own.st_mode) && ::fstatat(folder, name.c_str(), &named, 0) == 0;
  if (isSource(own) || (linked && isSource(named)))
    return "it would replace " + name + ", a source of this run";
  if (!S_ISREG(own.st_mode) && !S_ISLNK(own.st_mode)) return name + " is not a regular file";
  return std::nullopt;
}

// The source's modification time onto the result, as a copy that keeps the date does; a
// file system that refuses it costs nothing more.
void KeepSourceDate(const std::string& sourcePath, int folder, const std::string& name) {
  struct stat source;
  if (::stat(sourcePath.c_str(), &source) != 0) return;
  const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
  ::utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The folder and every missing folder above it (the output folder of -d may be deep).
void CreateFolders(const std::string& path) {
  const std::string parent = platform::ParentFolder(path);
  if (!parent.empty() && parent != path && !platform::FolderExists(parent)) CreateFolders(parent);
  platform::CreateFolder(path);
}

}  // namespace

std::vector<JpegMarker> OutputMarkers(const ProcessSettings& settings, const SourceInfo& source) {
  std::vector<JpegMarker> markers;
  std::vector<std::uint8_t> exif = KeptExifSegment(settings, source);
  if (!exif.empty()) markers.push_back(JpegMarker{0xE1, std::move(exif)});
  if (KeepsProfile(settings, source)) {
    for (JpegMarker& m : IccProfileMarkers(source.icc)) markers.push_back(std::move(m));
  }
  return markers;
}

const char* ResultExtension(OutputFormat format) {
  switch (format) {
    case OutputFormat::kWebp:
      return ".webp";
    case OutputFormat::kAvif:
      return ".avif";
    case OutputFormat::kJxl:
      return ".jxl";
    case OutputFormat::kJpeg:
      break;
  }
  return ".jpg";
}

ResultMetadata OutputMetadata(const ProcessSettings& settings, const SourceInfo& source) {
  ResultMetadata metadata;
  constexpr std::size_t kExifHeader = 6;  // "Exif\0\0": a JPEG segment's own prefix
  const std::vector<std::uint8_t> exif = KeptExifSegment(settings, source);
  if (exif.size() > kExifHeader) metadata.exif.assign(exif.begin() + kExifHeader, exif.end());
  if (KeepsProfile(settings, source)) metadata.icc = source.icc;
  return metadata;
}

std::vector<std::uint8_t> EncodeResult(const ProcessSettings& settings, const WorkBitmap& picture,
                                       const SourceInfo& source, int* quality,
                                       TargetSizeStats* stats) {
  if (stats != nullptr) *stats = {};
  const OutputFormat format = settings.Format();
  if (format == OutputFormat::kJpeg) {
    return EncodeResult(settings, picture, OutputMarkers(settings, source), quality);
  }
  const ResultMetadata metadata = OutputMetadata(settings, source);
  const bool gray = settings.Grayscale();
  const EncodeAtQuality encode = [&](int q) {
    switch (format) {
      case OutputFormat::kWebp:
        return EncodeWebp(picture, q, gray, metadata);
      case OutputFormat::kJxl:
        return EncodeJxl(picture, q, gray, metadata);
      default:
        return EncodeAvif(picture, q, gray, metadata);
    }
  };
  QualityResult result;
  if (settings.FixedQuality()) {
    result.quality = std::clamp(settings.Quality(), 1, 100);
    result.bytes = encode(result.quality);
  } else {
    const std::int64_t maxBytes = std::int64_t{settings.TargetSize()} * 1024;
    result = BisectTargetSize(encode, maxBytes, stats);
  }
  if (quality) *quality = result.quality;
  return std::move(result.bytes);
}

std::vector<std::uint8_t> EncodeResult(const ProcessSettings& settings, const WorkBitmap& picture,
                                       std::vector<JpegMarker> markers, int* quality) {
  TJPEGImage jpeg;
  jpeg.SetMarkers(std::move(markers));
  jpeg.SetGrayOutput(settings.Grayscale());
  jpeg.SetProgressive(settings.Progressive());
  if (settings.FixedQuality()) {
    jpeg.SetQuality(settings.Quality());
    jpeg.EncodeBitmap(picture);
  } else {
    // 64 bits: a target of two million kilobytes and more must not wrap.
    const std::int64_t maxBytes = std::int64_t{settings.TargetSize()} * 1024;
    EncodeToTargetSize(jpeg, picture, maxBytes);
  }
  if (quality) *quality = jpeg.Quality();
  return jpeg.TakeBytes();
}

std::optional<std::string> LeadsOutside(const std::string& text) {
  bool outside = !text.empty() && text[0] == '/';
  for (std::size_t start = 0; !outside && start <= text.size();) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    outside = text.compare(start, end - start, "..") == 0;
    start = end + 1;
  }
  if (!outside) return std::nullopt;
  return "'" + text + "' leads out of the source's folder";
}

std::string OutputSubFolder(const std::string& folder, const std::string& folderName) {
  // An empty name, or one that means the source's own folder, would put the result
  // beside its source: over it for a ".jpg" source, over another photo for the others.
  // One that leads elsewhere could put it over anything.
  if (folderName.empty() || LeadsOutside(folderName) || IsOwnFolder(folder, folderName))
    return "Resized";
  return folderName;
}

OutputTarget ChooseOutput(ProcessSettings& settings, const platform::Clock& clock,
                          const std::string& destinationBase) {
  const std::string folder = platform::FolderPart(destinationBase);
  const std::string name = platform::NamePart(destinationBase);
  const std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
  const std::string extension = ResultExtension(settings.Format());
  // The written file's own name: Name itself for a JPEG.
  const std::string result = base + extension;

  OutputTarget t;
  t.startFolder = folder;
  t.indexName = DateName(clock) + ".html";
  if (const std::string dir = settings.OutputDir(); !dir.empty()) {
    // One folder for every result, named as in a sub-folder; the HTML line reaches the
    // source from there.
    const std::string out = platform::WithoutTrailingSlashes(dir);
    t.subFolder = true;
    t.subFolderPath = out;
    t.startFolder = out;
    t.outputDir = true;
    t.resultName = result;
    t.indexBesideResult = true;
    t.jpegPath = out + "/" + result;
    t.htmlLine = IndexLine(LinkFromOutput(folder, name, out), result);
    t.indexPath = out + "/" + DateName(clock) + ".html";
  } else if (!settings.SubFolderMode()) {
    if (settings.AddedText().empty() || LeadsOutside(settings.AddedText()))
      settings.SetAddedText("s-");
    const std::string text = settings.AddedText();
    const int position = settings.TextPosition();
    std::string below;  // the result's path from the source's folder
    if (position == 0) {
      below = text + result;
    } else if (position == 1) {
      below = base + text + extension;
    } else {
      return t;
    }
    t.jpegPath = folder + below;
    t.htmlLine = IndexLine(name, below);
    t.resultFolders = FolderSteps(platform::FolderPart(below));
    t.resultName = platform::NamePart(below);
    t.indexPath = folder + DateName(clock) + ".html";
  } else {
    const std::string sub = OutputSubFolder(folder, settings.FolderName());
    if (sub != settings.FolderName()) settings.SetFolderName(sub);
    t.subFolder = true;
    t.subFolderPath = folder + sub;
    t.resultFolders = FolderSteps(sub);
    t.resultName = result;
    t.indexBesideResult = true;
    t.jpegPath = folder + sub + "/" + result;
    t.htmlLine = IndexLine("../" + name, result);
    t.indexPath = folder + sub + "/" + DateName(clock) + ".html";
  }
  t.valid = true;
  return t;
}

FileResult StoreResult(ProcessSettings& settings, const platform::Clock& clock, PreparedFile& file,
                       RunPlaces* sources) {
  try {
    const OutputTarget t = ChooseOutput(settings, clock, file.destinationBase);
    if (!t.valid) {
      file.detail = "no place for the added text is chosen";
      return FileResult::kCannotWrite;
    }
    // The folder the naming starts from is entered as named (the source's own, or the
    // output folder someone gave); every folder below it is entered without following a
    // link, so a link planted there cannot send the result elsewhere.
    if (t.outputDir && !platform::FolderExists(t.startFolder)) CreateFolders(t.startFolder);
    const platform::UniqueFd start = platform::OpenFolder(t.startFolder);
    std::vector<platform::UniqueFd> chain;
    int folder = start.get();
    for (std::size_t i = 0; i < t.resultFolders.size(); ++i) {
      // A sub-folder is made one level only, as the naming names it.
      const bool create = t.subFolder && i + 1 == t.resultFolders.size();
      chain.push_back(platform::OpenFolderIn(folder, t.resultFolders[i], create));
      folder = chain.back().get();
    }
    // A run that was killed may have left its temporaries here; the first write of this
    // batch into the folder takes away those no writer holds any more.
    if (struct stat st; sources && ::fstat(folder, &st) == 0 &&
                        sources->FirstWriteIn({static_cast<std::uint64_t>(st.st_dev),
                                               static_cast<std::uint64_t>(st.st_ino)}))
      platform::RemoveStaleTemporaries(folder);
    if (auto refused = ReplacesWhatItMayNot(folder, t.resultName, file.sourcePath, sources)) {
      file.detail = *refused;
      return FileResult::kCannotWrite;
    }
    platform::WriteFileAtomicAt(folder, t.resultName, file.jpeg.data(), file.jpeg.size());
    file.writtenPath = t.jpegPath;
    if (settings.KeepDate()) KeepSourceDate(file.sourcePath, folder, t.resultName);
    if (settings.Html()) {
      // The picture stays written; a line that is missing is told all the same.
      try {
        AppendLineAt(t.indexBesideResult ? folder : start.get(), t.indexName, t.htmlLine);
      } catch (const std::system_error& e) {
        file.detail = t.indexName + ": " + e.code().message();
        return FileResult::kIndexNotWritten;
      } catch (const std::exception& e) {
        file.detail = e.what();
        return FileResult::kIndexNotWritten;
      }
    }
    return FileResult::kWritten;
  } catch (const std::system_error& e) {
    file.detail = e.code().message();
    return FileResult::kCannotWrite;
  } catch (const std::exception& e) {
    file.detail = e.what();
    return FileResult::kCannotWrite;
  } catch (...) {
    return FileResult::kCannotWrite;
  }
}

}  // namespace brevine
