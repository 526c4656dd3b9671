// TIFF: the first image of the file, as libtiff's RGBA interface renders it (the decode of
// tiff2rgba), alpha dropped as PNG's is. Every photometric, depth, compression and planar
// layout that interface reads is read; anything else is refused with libtiff's reason.
//
// The file is read through client procedures over an open descriptor (or bytes in
// memory), never by path. Rows are rendered a band of whole strips or tiles at a time and
// handed to the sink, so a large scan never needs its whole picture in memory. Before any
// band is read, every strip or tile the file declares must lie within the file and the
// data must be long enough for the picture, so a few bytes cannot announce a picture
// libtiff would allocate and fill.
//
// libtiff reports errors through a handler that only records the first message; no C++
// exception ever passes through a libtiff frame, and the handles are released on every
// path.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "codecs.h"
#include "exif_metadata.h"
#include "image_file.h"
#include "probe.h"
#include "tiff_library.h"

namespace brevine {

namespace {

// The most pixels a byte of compressed strip data may stand for: a blank fax page in
// CCITT group 4 codes a row of white in a bit or two, so 2^18 pixels a byte lets every
// real file through; a picture of 2^29 pixels then needs 2 KiB of data.
constexpr std::uint64_t kMostPixelsPerByte = std::uint64_t{1} << 18;
// Rows a band takes at least, in whole strips: small strips are read several at a time.
constexpr std::uint32_t kBandRows = 16;
// libtiff may allocate at most this much for one buffer (a strip, a tile, a tag's values).
constexpr tmsize_t kMostSingleAllocation = tmsize_t{256} << 20;

// Where the bytes come from: a descriptor read with pread, or memory.
struct Source {
  int fd = -1;
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  std::string error;  // libtiff's first error message
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
  auto* source = static_cast<Source*>(handle);
  if (count < 0) return -1;
  const std::uint64_t left = source->position < source->size ? source->size - source->position : 0;
  auto want =
      static_cast<std::size_t>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(count)));
  if (source->data != nullptr) {
    std::memcpy(buffer, source->data + source->position, want);
    source->position += want;
    return static_cast<tmsize_t>(want);
  }
  std::size_t done = 0;
  while (done < want) {
    const ssize_t got = ::pread(source->fd, static_cast<std::uint8_t*>(buffer) + done, want - done,
                                static_cast<off_t>(source->position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  source->position += done;
  return static_cast<tmsize_t>(done);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<Source*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = source->position;
  if (whence == SEEK_END) base = source->size;
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  source->position = base + offset;
  return source->position;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<Source*>(handle)->size; }
// Bytes in memory are read in place, as libtiff reads a mapped file. A descriptor is read
// through the procedures above, never mapped: a file cut short under a mapping would end
// the process.
int MapProc(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<Source*>(handle);
  if (source->data == nullptr) return 0;
  *base = const_cast<std::uint8_t*>(source->data);
  *size = source->size;
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* source = static_cast<Source*>(user);
  if (source->error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    source->error = text;
  }
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

using TiffClose = LibraryRelease<&TiffFunctions::TIFFClose>;
using OptionsFree = LibraryRelease<&TiffFunctions::TIFFOpenOptionsFree>;
using RgbaEnd = LibraryRelease<&TiffFunctions::TIFFRGBAImageEnd>;

[[noreturn]] void Refuse(const Source& source, const char* fallback) {
  throw DecodeError("TIFF: " + (source.error.empty() ? std::string(fallback) : source.error));
}

// The library's functions, or the decode refused with why there are none.
const TiffFunctions& Functions(const TiffLibrary& library) {
  const TiffFunctions* functions = library.Functions();
  if (functions == nullptr) throw DecodeError("TIFF: " + library.Failure());
  return *functions;
}

std::unique_ptr<TIFF, TiffClose> Open(const TiffFunctions& tiff, Source& source) {
  const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(tiff.TIFFOpenOptionsAlloc(),
                                                              OptionsFree{&tiff});
  if (!options) throw std::bad_alloc();
  tiff.TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMostSingleAllocation);
  tiff.TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &source);
  tiff.TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &source);
  // Strips of uncompressed single-strip files are chopped into small ones (libtiff's
  // default); "m": a descriptor is not mapped.
  std::unique_ptr<TIFF, TiffClose> tif(
      tiff.TIFFClientOpenExt("image", source.data ? "r" : "rm", &source, ReadProc, WriteProc,
                             SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options.get()),
      TiffClose{&tiff});
  if (!tif) Refuse(source, "not a TIFF file");
  return tif;
}

// Every strip or tile lies within the file, and the data can hold the picture.
void CheckDeclaredSizes(const TiffFunctions& tiff, TIFF* tif, const Source& source,
                        std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0) throw DecodeError("TIFF: image of zero size");
  if (std::uint64_t{width} * height > static_cast<std::uint64_t>(WorkBitmap::kMaxPixels)) {
    throw DecodeError("TIFF: image of " + std::to_string(width) + "x" + std::to_string(height) +
                      " is too large");
  }
  const std::uint32_t chunks = tiff.TIFFNumberOfStrips(tif) > 0 && !tiff.TIFFIsTiled(tif)
                                   ? tiff.TIFFNumberOfStrips(tif)
                                   : tiff.TIFFNumberOfTiles(tif);
  if (chunks == 0) throw DecodeError("TIFF: no strips or tiles");
  std::uint64_t bytes = 0;
  for (std::uint32_t i = 0; i < chunks; ++i) {
    const std::uint64_t offset = tiff.TIFFGetStrileOffset(tif, i);
    const std::uint64_t count = tiff.TIFFGetStrileByteCount(tif, i);
    if (offset > source.size || count > source.size - offset) {
      throw DecodeError("TIFF: strip or tile " + std::to_string(i) + " lies outside the file");
    }
    bytes += count;
  }
  std::uint16_t compression = COMPRESSION_NONE;
  tiff.TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const std::uint64_t pixels = std::uint64_t{width} * height;
  if (compression == COMPRESSION_NONE) {
    // Uncompressed rows are what they are: the data holds every byte of them.
    const std::uint64_t needed =
        tiff.TIFFIsTiled(tif) ? 0
                              : static_cast<std::uint64_t>(tiff.TIFFScanlineSize64(tif)) * height;
    if (bytes < needed) throw DecodeError("TIFF: data too short for the announced size");
  } else if (bytes < pixels / kMostPixelsPerByte) {
    throw DecodeError("TIFF: data too short for the announced size (" + std::to_string(pixels) +
                      " pixels in " + std::to_string(bytes) + " bytes)");
  }
}

// The orientation still to apply after libtiff's RGBA reader: asked for rows from the top
// left, it mirrors the quarter-turned orientations as their unturned kin (5 as 1, 6 as 2,
// 7 as 3, 8 as 4) and leaves the transposition to its caller.
int RemainingOrientation(int declared) {
  switch (declared) {
    case ORIENTATION_LEFTTOP:
    case ORIENTATION_RIGHTBOT:
      return 5;
    case ORIENTATION_RIGHTTOP:
    case ORIENTATION_LEFTBOT:
      return 7;
    default:
      return 1;
  }
}

std::string AsciiField(const TiffFunctions& tiff, TIFF* tif, ttag_t tag) {
  const char* text = nullptr;
  if (tiff.TIFFGetField(tif, tag, &text) == 1 && text != nullptr)
    return std::string(text, strnlen(text, 256));
  return {};
}

// The date, camera and lens tags of the image and its Exif directory, as an EXIF block;
// empty without any.
std::vector<std::uint8_t> CameraExif(const TiffFunctions& tiff, TIFF* tif) {
  CameraTags tags;
  tags.make = AsciiField(tiff, tif, TIFFTAG_MAKE);
  tags.model = AsciiField(tiff, tif, TIFFTAG_MODEL);
  tags.dateTime = AsciiField(tiff, tif, TIFFTAG_DATETIME);
  toff_t exifOffset = 0;
  if (tiff.TIFFGetField(tif, TIFFTAG_EXIFIFD, &exifOffset) == 1 && exifOffset != 0 &&
      tiff.TIFFReadEXIFDirectory(tif, exifOffset) == 1) {
    tags.dateTimeOriginal = AsciiField(tiff, tif, EXIFTAG_DATETIMEORIGINAL);
    tags.dateTimeDigitized = AsciiField(tiff, tif, EXIFTAG_DATETIMEDIGITIZED);
    float value = 0;
    if (tiff.TIFFGetField(tif, EXIFTAG_EXPOSURETIME, &value) == 1) tags.exposureTime = value;
    if (tiff.TIFFGetField(tif, EXIFTAG_FNUMBER, &value) == 1) tags.fNumber = value;
    if (tiff.TIFFGetField(tif, EXIFTAG_FOCALLENGTH, &value) == 1) tags.focalLength = value;
    std::uint16_t count = 0;
    std::uint16_t* iso = nullptr;
    if (tiff.TIFFGetField(tif, EXIFTAG_ISOSPEEDRATINGS, &count, &iso) == 1 && count > 0 && iso)
      tags.iso = iso[0];
  }
  return ExifBlockFromTags(tags);
}

void DecodeTiff(const TiffFunctions& tiff, Source& source, RowSink& sink, SourceInfo* info) {
  const auto tif = Open(tiff, source);
  std::uint32_t width = 0, height = 0;
  tiff.TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  tiff.TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  CheckDeclaredSizes(tiff, tif.get(), source, width, height);

  // libtiff 4.5 misreads tiles of separate planes unless it reads them in place: such a
  // file (checked above to be no larger than its data) is read into memory first.
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  tiff.TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
  if (source.data == nullptr && tiff.TIFFIsTiled(tif.get()) && planar == PLANARCONFIG_SEPARATE) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.size));
    source.position = 0;
    if (ReadProc(&source, bytes.data(), static_cast<tmsize_t>(bytes.size())) !=
        static_cast<tmsize_t>(bytes.size())) {
      throw std::system_error(EIO, std::generic_category(), "cannot read TIFF file");
    }
    Source memory;
    memory.data = bytes.data();
    memory.size = bytes.size();
    DecodeTiff(tiff, memory, sink, info);
    return;
  }

  char why[1024] = {};
  if (!tiff.TIFFRGBAImageOK(tif.get(), why)) {
    throw DecodeError(std::string("TIFF: ") + (why[0] ? why : "cannot be read"));
  }
  TIFFRGBAImage image{};
  if (!tiff.TIFFRGBAImageBegin(&image, tif.get(), 0, why)) {
    throw DecodeError(std::string("TIFF: ") + (why[0] ? why : "cannot be read"));
  }
  const std::unique_ptr<TIFFRGBAImage, RgbaEnd> imageOwner(&image, RgbaEnd{&tiff});
  image.req_orientation = ORIENTATION_TOPLEFT;
  const int remaining = RemainingOrientation(image.orientation);

  // A band is whole strips (at least kBandRows rows), or one row of tiles.
  std::uint32_t chunkRows = height;
  if (tiff.TIFFIsTiled(tif.get())) {
    tiff.TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &chunkRows);
  } else {
    tiff.TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &chunkRows);
  }
  chunkRows = std::clamp<std::uint32_t>(chunkRows, 1, height);
  std::uint32_t bandRows = chunkRows * ((kBandRows + chunkRows - 1) / chunkRows);
  bandRows = std::min(bandRows, height);
  const bool flipped =
      (image.orientation == ORIENTATION_BOTLEFT || image.orientation == ORIENTATION_BOTRIGHT ||
       image.orientation == ORIENTATION_LEFTBOT || image.orientation == ORIENTATION_RIGHTBOT);

  // The sink sees the header before the band is allocated, so a sink that refuses the
  // picture does so before anything of its size is.
  sink.Begin(static_cast<int>(width), static_cast<int>(height), remaining);
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * bandRows);
  const int most = std::max(1, sink.MaxRows());
  for (std::uint32_t first = 0; first < height; first += bandRows) {
    const std::uint32_t rows = std::min(bandRows, height - first);
    // Rows from the top of the upright picture come from the bottom of a file stored
    // bottom up; libtiff turns them over within the band.
    image.row_offset = static_cast<int>(flipped ? height - first - rows : first);
    image.col_offset = 0;
    source.error.clear();
    if (!tiff.TIFFRGBAImageGet(&image, raster.data(), width, rows))
      Refuse(source, "cannot be read");
    for (std::uint32_t done = 0; done < rows;) {
      const int count =
          static_cast<int>(std::min<std::uint32_t>(rows - done, static_cast<std::uint32_t>(most)));
      const RowSink::Block block = sink.Rows(static_cast<int>(first + done), count, 1);
      for (int r = 0; r < count; ++r) {
        const std::uint32_t* in = raster.data() + static_cast<std::size_t>(done + r) * width;
        std::uint8_t* out = block.data + block.stride * r;
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
          out[0] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
          out[1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
          out[2] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
        }
      }
      sink.Put(static_cast<int>(first + done), count, 1);
      done += static_cast<std::uint32_t>(count);
    }
  }

  if (info == nullptr) return;
  *info = SourceInfo{};
  info->orientation = remaining;
  std::uint32_t iccSize = 0;
  void* icc = nullptr;
  if (tiff.TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) == 1 && icc != nullptr &&
      IsWellFormedRgbProfile(static_cast<const std::uint8_t*>(icc), iccSize)) {
    const auto* p = static_cast<const std::uint8_t*>(icc);
    info->icc.assign(p, p + iccSize);
  }
  info->exif = CameraExif(tiff, tif.get());
}

}  // namespace

void DecodeTiffRows(const TiffLibrary& library, const std::uint8_t* data, std::size_t size,
                    RowSink& sink, SourceInfo* info) {
  Source source;
  source.data = data;
  source.size = size;
  DecodeTiff(Functions(library), source, sink, info);
}

void DecodeTiffRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info) {
  DecodeTiffRows(ProcessLibrary<TiffFunctions>(), data, size, sink, info);
}

void DecodeTiff(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  BitmapSink sink;
  DecodeTiffRows(data, size, sink, info);
  bitmap.Swap(sink.Picture());
}

void LoadTiffRows(int fd, RowSink& sink, SourceInfo& info) {
  Source source;
  source.fd = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot read TIFF file");
  source.size = static_cast<std::uint64_t>(st.st_size);
  DecodeTiff(Functions(ProcessLibrary<TiffFunctions>()), source, sink, &info);
}

std::optional<PictureProbe> probe_detail::ProbeTiff(int fd) {
  Source source;
  source.fd = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0 || st.st_size <= 0) return std::nullopt;
  source.size = static_cast<std::uint64_t>(st.st_size);
  try {
    const TiffFunctions& tiff = Functions(ProcessLibrary<TiffFunctions>());
    const auto tif = Open(tiff, source);
    std::uint32_t width = 0, height = 0;
    tiff.TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    tiff.TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0 ||
        std::uint64_t{width} * height > static_cast<std::uint64_t>(WorkBitmap::kMaxPixels))
      return std::nullopt;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    tiff.TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    PictureProbe probe;
    probe.width = static_cast<int>(width);
    probe.height = static_cast<int>(height);
    probe.streams = true;
    probe.orientation = RemainingOrientation(orientation);
    return probe;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace brevine
