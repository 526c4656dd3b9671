#pragma once
// The output stage: encoding in the chosen format (JPEG, WebP or AVIF) by fixed quality or
// target size, the destination name in either naming mode, the atomic write and the HTML
// index line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "codecs.h"
#include "pipeline.h"
#include "process_settings.h"
#include "run_places.h"
#include "work_bitmap.h"

namespace brevine {

// The segments written in front of the picture data, in their order: the APP1 EXIF
// segment of the source's date and camera when `keepinfo` is on and the source has any
// of it, then the source's colour profile as APP2 segments when `keepicc` is on and the
// output is in colour. What cannot be kept is left out; this never fails the file.
std::vector<JpegMarker> OutputMarkers(const ProcessSettings& settings, const SourceInfo& source);

// The file name extension of results in the format: ".jpg", ".webp" or ".avif".
const char* ResultExtension(OutputFormat format);

// What a WebP or AVIF result keeps of its source, under the same conditions as the JPEG
// segments above: the shared EXIF block (from its TIFF header) and the colour profile.
ResultMetadata OutputMetadata(const ProcessSettings& settings, const SourceInfo& source);

// The bytes of the picture in the chosen format by the chosen quality strategy, with what
// it keeps of the source. JPEG as below. WebP and AVIF take the quality (held to 1..100)
// and the grayscale choice, not the progressive one; their target-size search is
// BisectTargetSize, in memory, the metadata counted. `quality`, when given, receives the
// quality the bytes were written at; `stats` counts the encodes of a WebP or AVIF
// target-size search. Raises as below, and EncodeError.
std::vector<std::uint8_t> EncodeResult(const ProcessSettings& settings, const WorkBitmap& picture,
                                       const SourceInfo& source, int* quality = nullptr,
                                       TargetSizeStats* stats = nullptr);

// The JPEG bytes of the picture by the chosen quality strategy, with `markers` in front of
// the picture data. The target-size search measures each attempt in memory (the markers
// included); the chosen quality is the highest whose file is at most target x 1024 bytes,
// else 1. Raises when the encoder fails.
// `quality`, when given, receives the quality the bytes were written at.
std::vector<std::uint8_t> EncodeResult(const ProcessSettings& settings, const WorkBitmap& picture,
                                       std::vector<JpegMarker> markers = {},
                                       int* quality = nullptr);

// Where the result and its HTML line go, from the destination base (folder + base name +
// ".jpg"): the naming rules with the format's extension in the written name. The HTML line
// links that file to Name, the base name with ".jpg", whatever the format. Reading the
// naming options may change them: an empty added text becomes "s-", an empty folder name,
// or one that leads back to the source's own folder, "Resized". The HTML line carries the
// names with the characters that would break it escaped.
struct OutputTarget {
  bool valid = false;  // false: no text position chosen, nothing is written
  bool subFolder = false;
  std::string subFolderPath;  // sub-folder mode: the folder to create when missing
  std::string jpegPath;       // the result's path, with the format's extension
  std::string indexPath;      // folder + yyyymmdd + ".html"
  std::string htmlLine;       // without the line end
  // The same places for writing through descriptors: the folder the naming starts from
  // (the source's, or the output folder, either entered as named), the folders below it
  // that lead to the result (each entered without following a link; in sub-folder mode the
  // last one is made when missing), the result's name there, and the index's name, which
  // lies beside the result in sub-folder mode and in the start folder otherwise.
  std::string startFolder;
  bool outputDir = false;  // the start folder is the output folder, made with its parents
  std::vector<std::string> resultFolders;
  std::string resultName;
  std::string indexName;
  bool indexBesideResult = false;
};
OutputTarget ChooseOutput(ProcessSettings& settings, const platform::Clock& clock,
                          const std::string& destinationBase);

// Why a folder name or added text would put results outside the source's folder (a ".."
// component, or an absolute path); nothing when it keeps them there. Such a text takes its
// default ("Resized", "s-") wherever the naming meets it.
std::optional<std::string> LeadsOutside(const std::string& text);

// The sub-folder that results of sources in `folder` (ending in "/") go to in sub-folder
// mode: `folderName`, or "Resized" when it is empty, leads back to `folder` itself or
// leads out of it.
// ChooseOutput names the folder by it, and the folder walk leaves that folder out.
std::string OutputSubFolder(const std::string& folder, const std::string& folderName);

// Names and writes the file's encoded bytes, then appends the HTML line when asked. Never
// raises: kWritten once the result is on disk (its `writtenPath` set), kIndexNotWritten when
// the HTML line then failed (the index is left as it was), else kCannotWrite; the reason
// in the file's `detail`. A result never
// takes the place of its own source, of a file in `sources`, or of anything but a regular
// file or a link.
FileResult StoreResult(ProcessSettings& settings, const platform::Clock& clock, PreparedFile& file,
                       RunPlaces* sources = nullptr);

}  // namespace brevine
