#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <webp/decode.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "codecs.h"
#include "file_system.h"
#include "heif_library.h"
#include "image_file.h"
#include "jxl_library.h"
#include "path_text.h"
#include "probe.h"
#include "raw_library.h"
#include "tiff_library.h"
#include "unique_fd.h"

namespace brevine {

namespace {

using Decoder = void (*)(const SourceFile&, RowSink&, SourceInfo&, const LoadRequest&);

// A decode that ended with an empty picture: a load failure without a reason.
struct EmptyPicture {};

// The decoders that make only whole pictures hand them to the sink.
void GifToSink(const SourceFile& source, RowSink& sink, SourceInfo&, const LoadRequest&) {
  WorkBitmap picture;
  LoadGifImage(source, picture);
  if (picture.Empty()) throw EmptyPicture{};
  sink.TakePicture(picture, 1);
}

void HeifToSink(const SourceFile& source, RowSink& sink, SourceInfo& info,
                const LoadRequest& request) {
  WorkBitmap picture;
  LoadHeifImage(source, picture, info, request);
  if (picture.Empty()) throw EmptyPicture{};
  sink.TakePicture(picture, info.orientation);
}

void BmpToSink(const SourceFile& source, RowSink& sink, SourceInfo&, const LoadRequest&) {
  LoadBmpRows(source, sink);
}

void TiffToSink(const SourceFile& source, RowSink& sink, SourceInfo& info, const LoadRequest&) {
  const ImageFile file(source);
  LoadTiffRows(file.Descriptor(), sink, info);
}

void JxlToSink(const SourceFile& source, RowSink& sink, SourceInfo& info, const LoadRequest&) {
  const ImageFile file(source);
  LoadJxlRows(file.Descriptor(), sink, info);
}

void RawToSink(const SourceFile& source, RowSink& sink, SourceInfo& info,
               const LoadRequest& request) {
  LoadRawRows(source, sink, info, request);
}

// Decoders that start threads of their own when the request allows (the stripes of a JPEG
// with restart markers).
template <void (*Load)(const SourceFile&, RowSink&, SourceInfo&, const LoadRequest&)>
void OnRequestedThreads(const SourceFile& source, RowSink& sink, SourceInfo& info,
                        const LoadRequest& request) {
  Load(source, sink, info, request);
}

// Decoders that start no threads of their own.
template <void (*Load)(const SourceFile&, RowSink&, SourceInfo&)>
void OnCallersThread(const SourceFile& source, RowSink& sink, SourceInfo& info,
                     const LoadRequest&) {
  Load(source, sink, info);
}

struct DispatchEntry {
  const char* extension;
  Decoder decoder;
};

constexpr DispatchEntry kDispatch[] = {
    {".jpg", OnRequestedThreads<LoadJpegRows>},
    {".jpeg", OnRequestedThreads<LoadJpegRows>},
    {".gif", GifToSink},
    {".png", OnCallersThread<LoadPngRows>},
    {".bmp", BmpToSink},
    {".webp", OnCallersThread<LoadWebpRows>},
    {".heic", HeifToSink},
    {".heif", HeifToSink},
    {".hif", HeifToSink},
    {".avif", HeifToSink},
    {".tif", TiffToSink},
    {".tiff", TiffToSink},
    {".jxl", JxlToSink},
    // Camera raws; LibRaw confirms each by its own identification.
    {".dng", RawToSink},
    {".cr2", RawToSink},
    {".cr3", RawToSink},
    {".crw", RawToSink},
    {".nef", RawToSink},
    {".nrw", RawToSink},
    {".arw", RawToSink},
    {".srf", RawToSink},
    {".sr2", RawToSink},
    {".orf", RawToSink},
    {".rw2", RawToSink},
    {".raf", RawToSink},
    {".pef", RawToSink},
    {".srw", RawToSink},
    {".kdc", RawToSink},
    {".dcr", RawToSink},
    {".mrw", RawToSink},
    {".3fr", RawToSink},
    {".iiq", RawToSink},
    {".erf", RawToSink},
    {".mef", RawToSink},
    {".mos", RawToSink},
    {".x3f", RawToSink},
    {".rwl", RawToSink},
};

[[noreturn]] void RaiseErrno(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), "cannot read " + path);
}

Decoder DecoderFor(const std::string& path) {
  const std::string extension = platform::LowerExtension(path);
  for (const DispatchEntry& entry : kDispatch) {
    if (extension == entry.extension) return entry.decoder;
  }
  return nullptr;
}

}  // namespace

bool HasDecoderFor(const std::string& path) { return DecoderFor(path) != nullptr; }

unsigned DecoderLibrariesFor(const std::string& name) {
  const Decoder decoder = DecoderFor(name);
  if (decoder == HeifToSink) return kHeifLibrary;
  if (decoder == RawToSink) return kRawLibrary;
  if (decoder == JxlToSink) return kJxlLibrary;
  if (decoder == TiffToSink) return kTiffLibrary;
  return 0;
}

void PreloadDecoderLibraries(unsigned libraries) {
  // libheif and the codecs it brings are mapped and initialised here; a missing library
  // stays a per-file failure with its reason, as on first use.
  if (libraries & kHeifLibrary) {
    const HeifLibrary& heif = HeifLibrary::Default();
    if (heif.Functions() != nullptr) heif.Initialize();
  }
  // The others need no set-up beyond their mapping (libhwy's constructors run with
  // libjxl's).
  if (libraries & kRawLibrary) RawLibrary::Default();
  if (libraries & kJxlLibrary) ProcessLibrary<JxlFunctions>();
  if (libraries & kTiffLibrary) ProcessLibrary<TiffFunctions>();
}

std::vector<std::string> DecoderExtensions() {
  std::vector<std::string> extensions;
  for (const DispatchEntry& entry : kDispatch) extensions.emplace_back(entry.extension);
  return extensions;
}

namespace {

// The size of an open file, which must be a regular one.
std::uint64_t RegularFileSize(int fd, int* error) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    *error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    *error = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    *error = EINVAL;
  }
  return *error == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

}  // namespace

ImageFile::ImageFile(const std::string& path) : path_(path) {
  // O_NONBLOCK: opening a FIFO that carries an image name must not wait for a writer.
  // Only regular files are read; the flag changes nothing for them.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) RaiseErrno(errno, path);
  int error = 0;
  size_ = RegularFileSize(fd_, &error);
  if (error != 0) {
    ::close(fd_);
    RaiseErrno(error, path);
  }
}

ImageFile::ImageFile(const SourceFile& source) : path_(source.name), fd_(source.fd), owned_(false) {
  int error = source.fd < 0 ? EBADF : 0;
  if (error == 0) size_ = RegularFileSize(fd_, &error);
  if (error != 0) RaiseErrno(error, path_);
}

ImageFile::~ImageFile() {
  if (owned_) ::close(fd_);
}

int ImageFile::Release() {
  owned_ = false;
  return fd_;
}

SourceFile ImageFile::Source() const { return SourceFile{fd_, path_}; }

void ImageFile::ReadAt(std::uint64_t offset, std::size_t n, std::uint8_t* out) const {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseErrno(errno, path_);
    }
    if (got == 0) RaiseErrno(EIO, path_);
    done += static_cast<std::size_t>(got);
  }
}

namespace {

std::vector<std::uint8_t> ReadAll(const ImageFile& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  file.ReadAt(0, bytes.size(), bytes.data());
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  return ReadAll(ImageFile(path));
}

std::vector<std::uint8_t> ReadWholeFile(const SourceFile& source) {
  return ReadAll(ImageFile(source));
}

void BitmapSink::Begin(int width, int height, int) { picture_.SetSize(width, height); }

int BitmapSink::MaxRows() const { return std::numeric_limits<int>::max(); }

RowSink::Block BitmapSink::Rows(int first, int, int step) {
  const auto stride = static_cast<std::ptrdiff_t>(picture_.Stride());
  return {picture_.Row(first), step < 0 ? -stride : stride};
}

void BitmapSink::TakePicture(WorkBitmap& picture, int) { picture_.Swap(picture); }

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The first bytes of a file, as many as it has up to `n`.
std::vector<std::uint8_t> Head(const SourceFile& source, std::size_t n) {
  const ImageFile file(source);
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), n)));
  file.ReadAt(0, head.size(), head.data());
  return head;
}

std::optional<PictureProbe> ProbePng(const SourceFile& path) {
  const std::vector<std::uint8_t> head = Head(path, 256);
  std::size_t at = head.size() > 128 && head[0] == 0 && head[74] == 0 ? 128 : 0;
  static constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (head.size() < at + 8 + 8 + 13 || std::memcmp(head.data() + at, kSignature, 8) != 0)
    return std::nullopt;
  at += 8;
  if (std::memcmp(head.data() + at + 4, "IHDR", 4) != 0) return std::nullopt;
  const std::uint8_t* ihdr = head.data() + at + 8;
  const std::uint32_t width = Be32(ihdr), height = Be32(ihdr + 4);
  if (width == 0 || height == 0 || std::uint64_t{width} * height > WorkBitmap::kMaxPixels)
    return std::nullopt;
  PictureProbe probe;
  probe.width = static_cast<int>(width);
  probe.height = static_cast<int>(height);
  probe.streams = ihdr[12] == 0;  // Adam7 passes make the picture whole
  return probe;
}

std::optional<PictureProbe> ProbeWebp(const SourceFile& path) {
  const std::vector<std::uint8_t> head = Head(path, 4096);
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(head.data(), head.size(), &features) != VP8_STATUS_OK) return std::nullopt;
  if (features.width <= 0 || features.height <= 0) return std::nullopt;
  PictureProbe probe;
  probe.width = features.width;
  probe.height = features.height;
  // An animation's first frame may cover only part of its canvas.
  probe.streams = !features.has_animation;
  return probe;
}

std::optional<PictureProbe> ProbeGif(const SourceFile& path) {
  const std::vector<std::uint8_t> head = Head(path, 16);
  if (head.size() < 10 || std::memcmp(head.data(), "GIF", 3) != 0) return std::nullopt;
  PictureProbe probe;
  probe.width = head[6] | head[7] << 8;
  probe.height = head[8] | head[9] << 8;
  if (probe.width == 0 || probe.height == 0) return std::nullopt;
  return probe;
}

}  // namespace

std::optional<PictureProbe> ProbeImage(const SourceFile& source) {
  const std::string extension = platform::LowerExtension(source.name);
  try {
    if (extension == ".jpg" || extension == ".jpeg") return probe_detail::ProbeJpeg(source);
    if (extension == ".bmp") return probe_detail::ProbeBmp(source);
    if (extension == ".png") return ProbePng(source);
    if (extension == ".webp") return ProbeWebp(source);
    if (extension == ".gif") return ProbeGif(source);
    if (extension == ".tif" || extension == ".tiff") {
      const ImageFile file(source);
      return probe_detail::ProbeTiff(file.Descriptor());
    }
  } catch (...) {
  }
  return std::nullopt;
}

std::optional<PictureProbe> ProbeImage(const std::string& path) {
  if (!HasDecoderFor(path)) return std::nullopt;
  try {
    const ImageFile file(path);
    return ProbeImage(file.Source());
  } catch (...) {
  }
  return std::nullopt;
}

LoadStatus LoadImage(const std::string& path, WorkBitmap& bitmap, SourceInfo* info,
                     const LoadRequest& request) {
  BitmapSink sink;
  const LoadStatus status = LoadImage(path, sink, info, request);
  if (status == LoadStatus::kOk) bitmap.Swap(sink.Picture());
  return status;
}

LoadStatus LoadImage(const std::string& path, RowSink& sink, SourceInfo* info,
                     const LoadRequest& request) {
  if (info != nullptr) *info = SourceInfo{};
  // The extension decides before the file system is touched: an unknown type is never
  // opened, whatever it holds.
  if (DecoderFor(path) == nullptr) return LoadStatus::kNotAnImage;
  int fd = -1;
  const LoadStatus opened = OpenImageSource(path, fd);
  if (opened != LoadStatus::kOk) return opened;
  const platform::UniqueFd owned(fd);
  return LoadImage(SourceFile{fd, path}, sink, info, request);
}

LoadStatus OpenImageSource(const std::string& path, int& fd) {
  fd = -1;
  if (!platform::FileExists(path)) return LoadStatus::kNotFound;
  try {
    ImageFile file(path);
    fd = file.Release();
  } catch (const std::system_error& e) {
    return e.code() == std::errc::no_such_file_or_directory ? LoadStatus::kNotFound
                                                            : LoadStatus::kReadError;
  }
  return LoadStatus::kOk;
}

LoadStatus LoadImage(const SourceFile& source, RowSink& sink, SourceInfo* info,
                     const LoadRequest& request) {
  SourceInfo scratch;
  SourceInfo& details = info ? *info : scratch;
  details = SourceInfo{};
  const Decoder decoder = DecoderFor(source.name);
  if (decoder == nullptr) return LoadStatus::kNotAnImage;

  LoadStatus status = LoadStatus::kOk;
  try {
    decoder(source, sink, details, request);
  } catch (const std::system_error& e) {
    status = e.code() == std::errc::no_such_file_or_directory ? LoadStatus::kNotFound
                                                              : LoadStatus::kReadError;
    details = SourceInfo{};
  } catch (const EmptyPicture&) {
    status = LoadStatus::kDecodeError;
  } catch (const PictureTooLarge& e) {
    status = LoadStatus::kTooLarge;
    details = SourceInfo{};
    details.reason = e.what();
  } catch (const EJPEG& e) {
    status = LoadStatus::kDecodeError;
    details = SourceInfo{};
    details.reason = e.Reason();
  } catch (const DecodeError& e) {
    status = LoadStatus::kDecodeError;
    details = SourceInfo{};
    details.reason = e.what();
  } catch (...) {
    // Sizes beyond memory and anything else alike: the loader never lets a failure reach
    // its caller.
    status = LoadStatus::kDecodeError;
    details = SourceInfo{};
  }
  return status;
}

}  // namespace brevine
