#include "output_stage.h"

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
// change the link's path, so they are percent-encoded; '"', "<", ">" and "&" would end the
// attribute or start markup in the page, so they become character references. A name
// without them stays as it is.
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
      default:
        out += c;
    }
  }
  return out;
}

std::string IndexLine(const std::string& link, const std::string& picture) {
  return "<a href=\"" + LinkAttribute(link) + "\"><img src=\"" + LinkAttribute(picture) +
         "\" border=\"0\"></a>";
}

// Whether the sub-folder name leads back to the source's own folder (".", "./", "../" with
// that folder's name, a link to it): the results would land beside their sources and
// replace a different photo of the same base name there.
bool IsOwnFolder(const std::string& folder, const std::string& sub) {
  using platform::AbsolutePath;
  using platform::WithoutTrailingSlashes;
  const std::string own = WithoutTrailingSlashes(AbsolutePath(folder));
  const std::string target = folder + sub;
  if (WithoutTrailingSlashes(AbsolutePath(target)) == own) return true;
  return platform::FolderExists(target) && platform::SameFile(target, own);
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

// Why the result may not take the place of what stands at `path`: a source of this run
// (by identity, also through a link there) or anything but a regular file or a link (which
// the rename replaces, never writes through). Nothing when the name is free.
std::optional<std::string> ReplacesWhatItMayNot(const std::string& path,
                                                const std::string& sourcePath,
                                                const SourceSet* sources) {
  struct stat own;
  if (::lstat(path.c_str(), &own) != 0) return std::nullopt;
  const auto isSource = [&](const struct stat& st) {
    const platform::FileIdentity id{static_cast<std::uint64_t>(st.st_dev),
                                    static_cast<std::uint64_t>(st.st_ino)};
    if (sources && sources->Contains(id)) return true;
    struct stat source;
    return ::stat(sourcePath.c_str(), &source) == 0 && source.st_dev == st.st_dev &&
           source.st_ino == st.st_ino;
  };
  struct stat named;
  const bool linked = S_ISLNK(own.st_mode) && ::stat(path.c_str(), &named) == 0;
  if (isSource(own) || (linked && isSource(named)))
    return "it would replace " + platform::NamePart(path) + ", a source of this run";
  if (!S_ISREG(own.st_mode) && !S_ISLNK(own.st_mode))
    return platform::NamePart(path) + " is not a regular file";
  return std::nullopt;
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
    return format == OutputFormat::kWebp ? EncodeWebp(picture, q, gray, metadata)
                                         : EncodeAvif(picture, q, gray, metadata);
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
  if (const std::string dir = settings.OutputDir(); !dir.empty()) {
    // One folder for every result, named as in a sub-folder; the HTML line reaches the
    // source from there.
    const std::string out = platform::WithoutTrailingSlashes(dir);
    t.subFolder = true;
    t.subFolderPath = out;
    t.jpegPath = out + "/" + result;
    const std::string source = (std::filesystem::path(platform::AbsolutePath(folder)) / name)
                                   .lexically_relative(std::filesystem::path(out))
                                   .generic_string();
    t.htmlLine = IndexLine(source.empty() ? name : source, result);
    t.indexPath = out + "/" + DateName(clock) + ".html";
  } else if (!settings.SubFolderMode()) {
    if (settings.AddedText().empty() || LeadsOutside(settings.AddedText()))
      settings.SetAddedText("s-");
    const std::string text = settings.AddedText();
    const int position = settings.TextPosition();
    if (position == 0) {
      t.jpegPath = folder + text + result;
      t.htmlLine = IndexLine(name, text + result);
    } else if (position == 1) {
      t.jpegPath = folder + base + text + extension;
      t.htmlLine = IndexLine(name, base + text + extension);
    } else {
      return t;
    }
    t.indexPath = folder + DateName(clock) + ".html";
  } else {
    const std::string sub = OutputSubFolder(folder, settings.FolderName());
    if (sub != settings.FolderName()) settings.SetFolderName(sub);
    t.subFolder = true;
    t.subFolderPath = folder + sub;
    t.jpegPath = folder + sub + "/" + result;
    t.htmlLine = IndexLine("../" + name, result);
    t.indexPath = folder + sub + "/" + DateName(clock) + ".html";
  }
  t.valid = true;
  return t;
}

FileResult StoreResult(ProcessSettings& settings, const platform::Clock& clock, PreparedFile& file,
                       const SourceSet* sources) {
  try {
    const OutputTarget t = ChooseOutput(settings, clock, file.destinationBase);
    if (!t.valid) {
      file.detail = "no place for the added text is chosen";
      return FileResult::kCannotWrite;
    }
    // A failure shows when the file is written. A sub-folder is one level; the output
    // folder is made with its parents.
    if (t.subFolder && !platform::FolderExists(t.subFolderPath)) {
      if (settings.OutputDir().empty())
        platform::CreateFolder(t.subFolderPath);
      else
        CreateFolders(t.subFolderPath);
    }
    if (auto refused = ReplacesWhatItMayNot(t.jpegPath, file.sourcePath, sources)) {
      file.detail = *refused;
      return FileResult::kCannotWrite;
    }
    platform::WriteFileAtomic(t.jpegPath, file.jpeg.data(), file.jpeg.size());
    file.writtenPath = t.jpegPath;
    if (settings.KeepDate()) {
      // As a copy that keeps the date does; a file system that refuses it costs nothing more.
      std::error_code ignored;
      const auto time = std::filesystem::last_write_time(file.sourcePath, ignored);
      if (!ignored) std::filesystem::last_write_time(t.jpegPath, time, ignored);
    }
    if (settings.Html()) {
      try {
        AppendLine(t.indexPath, t.htmlLine);
      } catch (...) {
        // The picture is written; only its index line is missing.
      }
    }
    return FileResult::kWritten;
  } catch (const std::system_error& e) {
    file.detail = e.code().message();
    return FileResult::kCannotWrite;
  } catch (...) {
    return FileResult::kCannotWrite;
  }
}

}  // namespace brevine
