#include "output_stage.h"

#include <stdexcept>

#include "codecs.h"
#include "exif_metadata.h"
#include "file_system.h"
#include "file_utils.h"
#include "settings_file.h"

namespace brevine {
namespace {

int IntegerOf(const std::string& text, const char* what) {
  const auto v = ParseInteger(text);
  if (!v) throw std::invalid_argument(std::string(what) + " is not an integer: " + text);
  return *v;
}

}  // namespace

std::vector<JpegMarker> OutputMarkers(const ProcessSettings& settings, const SourceInfo& source) {
  std::vector<JpegMarker> markers;
  if (settings.KeepInfo() && !source.exif.empty()) {
    try {
      std::vector<std::uint8_t> exif = SharedExifSegment(source.exif.data(), source.exif.size());
      if (!exif.empty()) markers.push_back(JpegMarker{0xE1, std::move(exif)});
    } catch (...) {
      // Without its date the photo is still worth writing.
    }
  }
  // A gray picture has no use for an RGB profile; without one the bytes are as before.
  if (settings.KeepIcc() && !settings.Grayscale() && !source.icc.empty()) {
    for (JpegMarker& m : IccProfileMarkers(source.icc)) markers.push_back(std::move(m));
  }
  return markers;
}

std::vector<std::uint8_t> EncodeResult(const ProcessSettings& settings, const WorkBitmap& picture,
                                       std::vector<JpegMarker> markers) {
  TJPEGImage jpeg;
  jpeg.SetMarkers(std::move(markers));
  jpeg.SetGrayOutput(settings.Grayscale());
  jpeg.SetProgressive(settings.Progressive());
  if (settings.FixedQuality()) {
    jpeg.TakeBitmap(picture);
    jpeg.SetQuality(IntegerOf(settings.QualityText(), "quality"));
    jpeg.EncodeJpeg();
  } else {
    // 64 bits: a target of two million kilobytes and more must not wrap.
    const std::int64_t maxBytes =
        std::int64_t{IntegerOf(settings.TargetSizeText(), "target size")} * 1024;
    EncodeToTargetSize(jpeg, picture, maxBytes);
  }
  return jpeg.Data().bytes;
}

OutputTarget ChooseOutput(ProcessSettings& settings, const platform::Clock& clock,
                          const std::string& destinationBase) {
  const auto slash = destinationBase.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : destinationBase.substr(0, slash + 1);
  const std::string name = destinationBase.substr(folder.size());
  const std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;

  OutputTarget t;
  if (!settings.SubFolderMode()) {
    if (settings.AddedText().empty()) settings.SetAddedText("s-");
    const std::string text = settings.AddedText();
    const int position = settings.TextPosition();
    if (position == 0) {
      t.jpegPath = folder + text + name;
      t.htmlLine = "<a href=\"" + name + "\"><img src=\"" + text + name + "\" border=\"0\"></a>";
    } else if (position == 1) {
      t.jpegPath = folder + base + text + ".jpg";
      t.htmlLine =
          "<a href=\"" + name + "\"><img src=\"" + base + text + ".jpg\" border=\"0\"></a>";
    } else {
      return t;
    }
    t.indexPath = folder + DateName(clock) + ".html";
  } else {
    // An empty name would put the result beside its source, over it for a ".jpg" source.
    if (settings.FolderName().empty()) settings.SetFolderName("Resized");
    const std::string sub = settings.FolderName();
    t.subFolder = true;
    t.subFolderPath = folder + sub;
    t.jpegPath = folder + sub + "/" + name;
    t.htmlLine = "<a href=\"../" + name + "\"><img src=\"" + name + "\" border=\"0\"></a>";
    t.indexPath = folder + sub + "/" + DateName(clock) + ".html";
  }
  t.valid = true;
  return t;
}

FileResult StoreResult(ProcessSettings& settings, const platform::Clock& clock,
                       const std::string& destinationBase, const std::string& sourcePath,
                       const std::vector<std::uint8_t>& jpeg) {
  try {
    const OutputTarget t = ChooseOutput(settings, clock, destinationBase);
    if (!t.valid) return FileResult::kCannotWrite;
    if (t.subFolder && !platform::FolderExists(t.subFolderPath))
      platform::CreateFolder(t.subFolderPath);  // a failure shows when the file is written
    // The source always exists, so an existing destination that is the same file is the
    // only way to overwrite it (folder ".", a link, an added text that names it back).
    if (platform::FileExists(t.jpegPath) && platform::SameFile(t.jpegPath, sourcePath))
      return FileResult::kCannotWrite;
    platform::WriteFileAtomic(t.jpegPath, jpeg.data(), jpeg.size());
    if (settings.Html()) {
      try {
        AppendLine(t.indexPath, t.htmlLine);
      } catch (...) {
        // The picture is written; only its index line is missing.
      }
    }
    return FileResult::kWritten;
  } catch (...) {
    return FileResult::kCannotWrite;
  }
}

FileResult WriteResult(ProcessSettings& settings, const platform::Clock& clock,
                       const WorkBitmap& picture, const std::string& destinationBase,
                       const std::string& sourcePath) {
  const std::vector<std::uint8_t> jpeg = EncodeResult(settings, picture);
  return StoreResult(settings, clock, destinationBase, sourcePath, jpeg);
}

}  // namespace brevine
