#pragma once
// Image files in; JPEG, WebP or AVIF bytes out. Library headers (jpeglib.h, png.h,
// gif_lib.h, webp/*.h, heif.h, tiffio.h, jxl/*.h) stay private to the .cpp files; nothing
// here needs them.
//
// Every decoder follows one contract: it reads and decodes a whole file (or buffer) in one
// call and either fills the bitmap (24 bits, blue-green-red, rows from the top) or raises
// (EJPEG for libjpeg errors, DecodeError for everything else it rejects, std::system_error
// when the file cannot be read, std::bad_alloc / std::length_error for sizes). No C++
// exception ever crosses a library frame.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "work_bitmap.h"

namespace brevine {

// A file the decoder rejects.
class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every libjpeg error, message "JPEG错误#%d" with the library's message code.
// A picture whose declared size is more than the program takes: "JPEG: 70000x40000
// pixels, more than the limit of 536870912".
class PictureTooLarge : public std::length_error {
 public:
  PictureTooLarge(const char* format, std::int64_t width, std::int64_t height, std::int64_t limit);
};

class EJPEG : public DecodeError {
 public:
  explicit EJPEG(int code, std::string english = {});
  int Code() const { return code_; }
  // The library's own English text with its code, "Bogus marker length (JPEG error 54)":
  // what the command line tells.
  std::string Reason() const;

 private:
  int code_;
  std::string english_;
};

// ---- Loader -------------------------------------------------------------------------

enum class LoadStatus {
  kOk,
  kNotAnImage,   // extension not in the dispatch table
  kNotFound,     // no file under the path (a folder does not count)
  kReadError,    // the file exists but cannot be read
  kDecodeError,  // the data was rejected, or the picture came out empty
  kTooLarge,     // the picture is larger than the program takes (SourceInfo::reason: how much)
};

// Whether the extension of the path's last component (in lower case) has a decoder.
bool HasDecoderFor(const std::string& path);
// The extensions HasDecoderFor accepts, in lower case with their dot (".jpg").
std::vector<std::string> DecoderExtensions();

// What a load learns about a picture beyond its pixels. Decoders fill what their format
// carries; the loader starts from a cleared value.
struct SourceInfo {
  int orientation = 1;             // EXIF orientation still to apply (1: none, or applied)
  std::vector<std::uint8_t> icc;   // a well-formed RGB colour profile, or empty
  std::vector<std::uint8_t> exif;  // the EXIF block, TIFF header first, or empty
  std::string reason;              // after a failed load: why, in a few words
  // Notes on a picture that loaded all the same ("ends early: the last 8 rows are grey").
  std::vector<std::string> warnings;
};

// Where a decoder puts its picture. Decoders that produce rows (JPEG, non-interlaced PNG,
// WebP, uncompressed BMP) call Begin once, then Rows and Put for each block of rows, in
// their own order; the others (GIF, HEIF, interlaced PNG, run-length BMP) hand over the
// whole picture with TakePicture. No call ever comes from inside a library's frame, so a
// sink may raise; the decode then stops with that exception.
class RowSink {
 public:
  struct Block {
    std::uint8_t* data;     // row r of the block at data + r * stride
    std::ptrdiff_t stride;  // may be negative
  };

  virtual ~RowSink() = default;
  // Once the header is accepted, before any row: the picture's size (both above 0) and
  // the EXIF orientation its file declares (1 when none).
  virtual void Begin(int width, int height, int orientation) = 0;
  // The most rows one Rows call may ask for.
  virtual int MaxRows() const = 0;
  // Room for `count` rows of width x 3 bytes, blue-green-red: picture rows first,
  // first + step, ... (step +1 or -1).
  virtual Block Rows(int first, int count, int step) = 0;
  // Those rows are written (possibly fewer than asked for, always from the first on).
  virtual void Put(int first, int count, int step) = 0;
  // The whole picture (not empty) at once, instead of Begin and rows; the sink may take
  // its pixels.
  virtual void TakePicture(WorkBitmap& picture, int orientation) = 0;
  // A sink that only collects the whole picture names its bitmap here, so that a decoder
  // can write into it directly; nullptr for sinks that want rows.
  virtual WorkBitmap* WholePicture() { return nullptr; }
};

// The picture whole, in a bitmap of its own (the plain decode).
class BitmapSink final : public RowSink {
 public:
  void Begin(int width, int height, int orientation) override;
  int MaxRows() const override;
  Block Rows(int first, int count, int step) override;
  void Put(int, int, int) override {}
  void TakePicture(WorkBitmap& picture, int orientation) override;
  WorkBitmap* WholePicture() override { return &picture_; }
  WorkBitmap& Picture() { return picture_; }

 private:
  WorkBitmap picture_;
};

// How one load may run.
struct LoadRequest {
  // Threads a decoder may start of its own for one picture (the tiles of a HEIF grid); 0 or
  // 1: it decodes on the caller's thread. A batch with as many workers as cores gives 0.
  int decoderThreads = 0;
  // The box the picture will be fitted into (0: none), and whether a camera raw is always
  // developed (else its embedded preview serves when it covers the box).
  int boxWidth = 0;
  int boxHeight = 0;
  bool rawDevelop = false;
};

// A source already opened for reading by the caller. The decoders read only through the
// descriptor (pread, fstat, mmap of it) and never open a path; the name serves the
// extension test and messages. The caller keeps the descriptor open and closes it.
struct SourceFile {
  int fd = -1;
  std::string name;
};

// Picks the decoder by the lower-cased extension of the source's name and reads the open
// descriptor: kNotAnImage without touching it, kReadError when it is no regular file or
// cannot be read.
LoadStatus LoadImage(const SourceFile& source, RowSink& sink, SourceInfo* info = nullptr,
                     const LoadRequest& request = {});
// Opens a path for LoadImage(SourceFile) as the path overload does: kOk with `fd` set to a
// descriptor the caller closes, kNotFound (also for a folder) or kReadError.
LoadStatus OpenImageSource(const std::string& path, int& fd);
// Libraries a decoder opens on first use rather than with the program.
enum DecoderLibrary : unsigned {
  kHeifLibrary = 1u << 0,  // libheif and its plug-ins
  kRawLibrary = 1u << 1,   // LibRaw
  kJxlLibrary = 1u << 2,   // libjxl (and libhwy)
  kTiffLibrary = 1u << 3,  // libtiff and its codecs
};
inline constexpr unsigned kEveryDecoderLibrary =
    kHeifLibrary | kRawLibrary | kJxlLibrary | kTiffLibrary;
// The libraries the decoder of `name` (picked by its extension, as LoadImage picks it) opens
// on first use; 0 for one that needs none, or for no decoder.
unsigned DecoderLibrariesFor(const std::string& name);
// Opens `libraries` (DecoderLibrary bits), so that no later decode needs the file system
// for them.
void PreloadDecoderLibraries(unsigned libraries = kEveryDecoderLibrary);

// Picks the decoder by the lower-cased extension and opens the path as received.
LoadStatus LoadImage(const std::string& path, WorkBitmap& bitmap, SourceInfo* info = nullptr,
                     const LoadRequest& request = {});
// The same, the picture going to `sink`: rows as they are decoded where the format allows.
LoadStatus LoadImage(const std::string& path, RowSink& sink, SourceInfo* info = nullptr,
                     const LoadRequest& request = {});
inline bool LoadImageFile(const std::string& path, WorkBitmap& bitmap) {
  return LoadImage(path, bitmap) == LoadStatus::kOk;
}

// File decoders (raise on failure).
void LoadBmpImage(const std::string& path, WorkBitmap& bitmap);
void LoadJpegImage(const std::string& path, WorkBitmap& bitmap);
void LoadGifImage(const std::string& path, WorkBitmap& bitmap);
void LoadPngImage(const std::string& path, WorkBitmap& bitmap);
// The same, also filling what the format carries beside the pixels (orientation, colour
// profile, EXIF block). `info` is only written once the picture has decoded.
void LoadJpegImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info);
void LoadPngImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info);
// WebP, lossy or lossless; an animation gives its first frame on the canvas, alpha dropped.
void LoadWebpImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info);
// HEIF and AVIF: the primary image with its rotation, mirroring and crop applied, 8 bits,
// alpha dropped. Fills the profile (stored, or built from nclx primaries) and the EXIF
// block; the orientation stays 1, as the picture is upright already. libheif is opened on
// the first call; where it cannot be, the load fails with the reason (DecodeError), as
// does an AVIF result (EncodeError).
void LoadHeifImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info);
void LoadHeifImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info,
                   const LoadRequest& request);

// TIFF: the first image as libtiff's RGBA interface renders it, rows from the top as the
// Orientation tag leaves them once that interface has mirrored them (the transposition it
// leaves is the orientation handed to the sink and kept in `info`); alpha dropped. Fills
// the colour profile (tag 34675) and an EXIF block of the date and camera tags. Reads
// only through the open descriptor; bands of whole strips or tiles go to the sink.
void LoadTiffRows(int fd, RowSink& sink, SourceInfo& info);
void DecodeTiffRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info);
void DecodeTiff(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info);

// JPEG XL: a recompressed JPEG is rebuilt and decoded as that JPEG (its profile, EXIF
// block and orientation with it); any other file gives libjxl's 8-bit picture in its own
// colour space, upright, the first frame of an animation, alpha dropped, with the profile
// of that colour space and the Exif box's block. Rows go to the sink as they are whole.
void LoadJxlRows(int fd, RowSink& sink, SourceInfo& info);
void DecodeJxlRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info);
void DecodeJxl(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info);

// Camera raws through LibRaw (opened on the first raw): the embedded JPEG preview, turned
// by the raw's orientation, when it covers the request's box and the request does not ask
// for a develop; else the develop of dcraw_emu -w -o 1 -q 3 (half size when that still
// covers the box), 8 bits, upright. The EXIF block holds LibRaw's date, camera, lens and
// exposure, never a position. DecodeRaw fits a 1280 box (tests and fuzzing).
void LoadRawRows(const SourceFile& source, RowSink& sink, SourceInfo& info,
                 const LoadRequest& request);
void DecodeRawRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo& info,
                   const LoadRequest& request);
void DecodeRaw(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info);

// The decoders that can produce rows, into a sink (TakePicture where a file's variant
// cannot: interlaced PNG, run-length BMP, a WebP frame smaller than its canvas).
void LoadJpegRows(const std::string& path, RowSink& sink, SourceInfo& info);
void LoadPngRows(const std::string& path, RowSink& sink, SourceInfo& info);
void LoadWebpRows(const std::string& path, RowSink& sink, SourceInfo& info);
void LoadBmpRows(const std::string& path, RowSink& sink);
// The same on an open source.
// A baseline JPEG whose restart markers allow it is decoded in stripes on
// `request.decoderThreads` threads (when above 1); the rows are the same.
void LoadJpegRows(const SourceFile& source, RowSink& sink, SourceInfo& info,
                  const LoadRequest& request = {});
void LoadPngRows(const SourceFile& source, RowSink& sink, SourceInfo& info);
void LoadWebpRows(const SourceFile& source, RowSink& sink, SourceInfo& info);
void LoadBmpRows(const SourceFile& source, RowSink& sink);
void LoadGifImage(const SourceFile& source, WorkBitmap& bitmap);
void LoadHeifImage(const SourceFile& source, WorkBitmap& bitmap, SourceInfo& info,
                   const LoadRequest& request);
void DecodeJpegRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info,
                    const LoadRequest& request = {});
void DecodePngRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info);
void DecodeWebpRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info);
void DecodeBmpRows(const std::uint8_t* data, std::size_t size, RowSink& sink);

// The same decoders on bytes already in memory (tests and fuzzing use these).
void DecodeBmp(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap);
void DecodeJpeg(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap);
void DecodeGif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap);
void DecodePng(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap);
void DecodeJpeg(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info);
void DecodePng(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info);
void DecodeWebp(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap,
                SourceInfo* info = nullptr);
// Every size a HEIF file declares is checked before libheif decodes it: a file that
// announces more than it can hold, or sizes that disagree, is refused with its reason.
void DecodeHeif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo& info);
void DecodeHeif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo& info,
                const LoadRequest& request);

// What a file's header says, read without decoding the picture: enough to tell how much
// memory its load will take.
struct PictureProbe {
  int width = 0;
  int height = 0;
  bool streams = false;       // its decoder hands over rows (see RowSink)
  bool coefficients = false;  // a progressive JPEG: the decoder keeps every coefficient
  int orientation = 1;        // the EXIF orientation the file declares (JPEG)
  // A baseline JPEG with restart markers, which a load on several threads decodes in
  // stripes: the bytes of each stripe's buffer (0 for any other file).
  std::uint64_t stripeBytes = 0;
};
// What a load on `threads` threads takes beyond the reduction's working bytes: the buffers
// of the stripes, where the file is decoded in stripes.
std::uint64_t DecoderThreadBytes(const PictureProbe& probe, int threads);
// nullopt when the file cannot be read or its header is not understood, and for HEIF and
// AVIF, whose sizes take a walk through the whole box structure.
std::optional<PictureProbe> ProbeImage(const std::string& path);
std::optional<PictureProbe> ProbeImage(const SourceFile& source);

// Reads a whole file; raises std::system_error when it cannot be opened or read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
std::vector<std::uint8_t> ReadWholeFile(const SourceFile& source);

// ---- JPEG object --------------------------------------------------------------------

// One marker segment written right after the encoder's own header segments (APP1 EXIF,
// APP2 ICC_PROFILE, ...): the marker code (0xE0..0xEF, 0xFE) and at most 65,533 bytes.
struct JpegMarker {
  int code = 0;
  std::vector<std::uint8_t> data;
};
// Bytes the segments add to a file: marker, length and data of each.
std::size_t MarkerBytes(const std::vector<JpegMarker>& markers);

struct TJPEGData {
  std::vector<std::uint8_t> bytes;  // the complete JPEG file, possibly empty
  int width = 0;
  int height = 0;
  bool gray = false;
};

class TJPEGImage {
 public:
  TJPEGImage();
  ~TJPEGImage();
  TJPEGImage(const TJPEGImage&) = delete;
  TJPEGImage& operator=(const TJPEGImage&) = delete;

  // Encoder settings; they act at the next EncodeJpeg.
  void SetGrayOutput(bool on) { grayOutput_ = on; }
  void SetProgressive(bool on) { progressive_ = on; }
  void SetQuality(int q) { quality_ = static_cast<std::uint8_t>(q); }  // low 8 bits kept
  // Segments every encode writes in front of the picture data; none by default.
  void SetMarkers(std::vector<JpegMarker> markers) { markers_ = std::move(markers); }
  const std::vector<JpegMarker>& Markers() const { return markers_; }
  int Quality() const { return quality_; }
  bool GrayOutput() const { return grayOutput_; }
  bool Progressive() const { return progressive_; }

  // Copies the bitmap and discards the stored data.
  void TakeBitmap(const WorkBitmap& bitmap);
  // Encodes the copy into new stored data; raises EJPEG. A missing or empty copy gives
  // zero bytes.
  void EncodeJpeg();
  // TakeBitmap and EncodeJpeg in one, reading the bitmap where it is instead of copying
  // it; no copy is kept afterwards.
  void EncodeBitmap(const WorkBitmap& bitmap);
  // Writes the stored data (encoding first when there is none) completely or not at all:
  // through a temporary file in the destination's folder renamed over the path.
  void WriteJpegFile(const std::string& path);

  bool HasData() const { return hasData_; }
  const TJPEGData& Data() const { return data_; }
  // Moves the stored bytes out; the image holds no data afterwards.
  std::vector<std::uint8_t> TakeBytes();

  // Decoding side.
  void ReadJpegFile(const std::string& path);  // stored data = the file, header checked
  void ReadJpegBytes(std::vector<std::uint8_t> bytes);
  void DecodeJpeg();  // stored data -> Picture()
  const WorkBitmap& Picture() const { return picture_; }
  WorkBitmap& Picture() { return picture_; }

 private:
  void EncodeFrom(const WorkBitmap* source);

  std::uint8_t quality_ = 90;
  bool grayOutput_ = false;
  bool progressive_ = false;
  std::vector<JpegMarker> markers_;
  bool hasSource_ = false;
  WorkBitmap source_;
  bool hasData_ = false;
  TJPEGData data_;
  WorkBitmap picture_;
};

// ---- Colour profiles ------------------------------------------------------------------

// A profile worth keeping: the size in its header equals its length, the signature at byte
// 36 is "acsp", its data colour space is "RGB " and every tag of its tag table lies behind
// the table and within the profile. Anything else is dropped by the callers.
bool IsWellFormedRgbProfile(const std::uint8_t* data, std::size_t size);
// The profile as APP2 "ICC_PROFILE" segments: 65,519 bytes of profile each, numbered from 1.
// Empty for an empty profile, or one too long to number (over 255 segments).
std::vector<JpegMarker> IccProfileMarkers(const std::vector<std::uint8_t>& profile);

// The profile carried by a JPEG's APP2 segments (each given from its first byte after the
// length field; segments of other kinds are passed over): the "ICC_PROFILE" segments
// joined in sequence order, when they are numbered 1..N with one N, none missing or
// repeated, and the result is a well-formed RGB profile. Empty otherwise.
std::vector<std::uint8_t> IccProfileFromSegments(
    const std::vector<std::pair<const std::uint8_t*, std::size_t>>& segments);

// ---- Target size ----------------------------------------------------------------------

// How a search went: the full encodes it made, and whether the length model's answer stood
// (otherwise every quality from 100 down was encoded in turn).
struct TargetSizeStats {
  int encodes = 0;
  bool modelAnswer = false;
};

// Encodes the bitmap at the highest quality from 100 down to 1 whose JPEG is at most
// maxBytes long, or at quality 1 when none is; the same quality and bytes as trying each
// quality in turn. The encoder's gray, progressive and marker settings apply (the markers'
// bytes count towards the length); on return it holds the chosen quality and its stored
// data. Returns the quality.
int EncodeToTargetSize(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes,
                       TargetSizeStats* stats = nullptr);

// ---- WebP and AVIF results ---------------------------------------------------------------

// An encoder that refused the picture (empty, or larger than its format allows) or failed
// inside its library.
class EncodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a WebP or AVIF result carries beside the picture; an empty part is left out.
struct ResultMetadata {
  std::vector<std::uint8_t> icc;   // a colour profile, stored as it is
  std::vector<std::uint8_t> exif;  // an EXIF block, TIFF header first
};

// libjpeg's gray value of a pixel, the sample a gray JPEG of it is made from.
constexpr std::uint8_t JpegGrayValue(int r, int g, int b) {
  return static_cast<std::uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
}

// Lossy WebP at quality 1..100: the bytes `cwebp -q quality` writes for a PNG of the picture
// (libwebp's default configuration otherwise). Gray: each pixel's JpegGrayValue in all three
// channels. With metadata, the extended format with an ICCP and an EXIF chunk. Raises
// EncodeError for an empty picture or a side over 16,383 pixels.
std::vector<std::uint8_t> EncodeWebp(const WorkBitmap& bitmap, int quality, bool gray,
                                     const ResultMetadata& metadata = {});

// AVIF at quality 1..100 through libheif's AV1 encoder (libaom): the bytes `heif-enc -A -q
// quality` writes for a PNG of the picture. Gray: a monochrome image of the JpegGrayValues.
// The profile goes into a colr box of type prof, the EXIF block into an Exif item. Raises
// EncodeError.
std::vector<std::uint8_t> EncodeAvif(const WorkBitmap& bitmap, int quality, bool gray,
                                     const ResultMetadata& metadata = {});

// Lossy JPEG XL at quality 1..100 (100: lossless): the bytes `cjxl -q quality` writes for
// a PNG of the picture, libjxl's defaults otherwise. Gray: a grey picture of the
// JpegGrayValues. The profile replaces the sRGB description, the EXIF block goes into an
// Exif box. Raises EncodeError.
std::vector<std::uint8_t> EncodeJxl(const WorkBitmap& bitmap, int quality, bool gray,
                                    const ResultMetadata& metadata = {});
// cjxl's distance for a quality: 0 at 100, 0.1 + (100 - q) * 0.09 from 30, and
// 6.4 + 2.5^((30 - q) / 5) / 6.25 below.
float JxlDistanceForQuality(int quality);

// One encode of the target-size search below, and its result.
using EncodeAtQuality = std::function<std::vector<std::uint8_t>(int quality)>;
struct QualityResult {
  int quality = 1;
  std::vector<std::uint8_t> bytes;
};

// The target size for encoders whose length does not always fall with the quality, so that
// a walk from 100 down would stop at the first accident. Bisection over 1..100: lo = 1,
// hi = 100; while lo < hi, encode mid = (lo + hi + 1) / 2, and lo = mid when its length is
// at most maxBytes, else hi = mid - 1. The result is the encoding at lo: quality 1, longer
// than maxBytes, when nothing fits. At most 7 encodes, and an eighth for lo when its bytes
// are not held already; `stats` counts them.
QualityResult BisectTargetSize(const EncodeAtQuality& encode, std::int64_t maxBytes,
                               TargetSizeStats* stats = nullptr);

// ---- EXIF orientation ------------------------------------------------------------------

// The Orientation tag (1..8) of the first APP1 "Exif" segment of JPEG bytes (a whole file
// or its head), read from IFD0 with every offset and count checked against the segment;
// 1 when the tag is absent or anything about it is malformed.
int ReadExifOrientation(const std::uint8_t* data, std::size_t size);
// The same for an EXIF block that starts at its TIFF header ("II*\0" or "MM\0*").
int ReadTiffOrientation(const std::uint8_t* tiff, std::size_t size);

}  // namespace brevine
