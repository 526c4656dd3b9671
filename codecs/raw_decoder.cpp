// Camera raws through LibRaw: the embedded JPEG preview when it covers the box, turned by
// the raw's orientation, else the raw developed as dcraw_emu -w -o 1 -q 3 develops it
// (camera white balance, sRGB, AHD, 8 bits, upright), at half size when that still covers
// the box.
//
// LibRaw is opened on the first raw (raw_library.cpp). It reads the file from memory (the
// open file mapped); the sizes the file declares are held against the bounds and the
// file's length before anything is unpacked, and LibRaw's own allocation limit is set from
// them. LibRaw reports failures as return codes; its objects have one owner each, released
// on every path.

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "codecs.h"
#include "exif_metadata.h"
#include "image_file.h"
#include "raw_library.h"

namespace brevine {

namespace {

// The unpacked raw takes up to four 16-bit samples a photosite, the developed picture four
// 16-bit samples a pixel, the result three bytes; the rest of LibRaw's buffers come on top.
constexpr std::uint64_t kBytesPerSite = 8;
constexpr std::uint64_t kBytesPerPixel = 8 + 3;
constexpr std::uint64_t kSlackBytes = std::uint64_t{64} << 20;
// The largest picture LibRaw may develop here: a 2^29-pixel bitmap's worth.
constexpr std::uint64_t kMostSites = static_cast<std::uint64_t>(WorkBitmap::kMaxPixels);
// Above 2^24 photosites the file must hold a byte for every 64 of them: lossless raw
// compression comes nowhere near that.
constexpr std::uint64_t kProportionCheckSites = std::uint64_t{1} << 24;
constexpr std::uint64_t kMostSitesPerByte = 64;

[[noreturn]] void Refuse(const std::string& why) { throw DecodeError("RAW: " + why); }

struct Size {
  std::int64_t width = 0, height = 0;
};

// The size a width x height picture is reduced to in the box, never enlarged (the box's
// own rule: divide first, multiply second, truncate last).
Size Fitted(Size picture, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return picture;
  if (picture.width <= boxWidth && picture.height <= boxHeight) return picture;
  Size out{boxWidth, static_cast<std::int64_t>(static_cast<long double>(boxWidth) / picture.width *
                                               picture.height)};
  if (out.height > boxHeight) {
    out = {static_cast<std::int64_t>(static_cast<long double>(boxHeight) / picture.height *
                                     picture.width),
           boxHeight};
  }
  return out;
}

bool Covers(Size candidate, Size target) {
  return candidate.width >= target.width && candidate.height >= target.height;
}

// dcraw's flip bits (1 mirror across, 2 mirror down, 4 transpose) as an EXIF orientation.
int OrientationOfFlip(int flip) {
  static constexpr int kExif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
  return flip >= 0 && flip < 8 ? kExif[flip] : 1;
}

// The size in a JPEG's first frame header; {0, 0} when there is none.
Size JpegSize(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 2;
  while (at + 9 < size) {
    if (data[at] != 0xFF) return {};
    const int marker = data[at + 1];
    const std::size_t length = (std::size_t{data[at + 2]} << 8) | data[at + 3];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      return {(data[at + 7] << 8) | data[at + 8], (data[at + 5] << 8) | data[at + 6]};
    }
    at += 2 + length;
  }
  return {};
}

// Hands the JPEG's rows over as they are, with the raw's orientation instead of the
// JPEG's own.
class TurningSink final : public RowSink {
 public:
  TurningSink(RowSink& sink, int orientation) : sink_(sink), orientation_(orientation) {}
  void Begin(int width, int height, int) override { sink_.Begin(width, height, orientation_); }
  int MaxRows() const override { return sink_.MaxRows(); }
  Block Rows(int first, int count, int step) override { return sink_.Rows(first, count, step); }
  void Put(int first, int count, int step) override { sink_.Put(first, count, step); }
  void TakePicture(WorkBitmap& picture, int) override { sink_.TakePicture(picture, orientation_); }

 private:
  RowSink& sink_;
  int orientation_;
};

std::string Text(const char* field, std::size_t most) {
  return std::string(field, strnlen(field, most));
}

// The date, camera, lens and exposure LibRaw read: never the position.
std::vector<std::uint8_t> CameraExif(const libraw_data_t& raw) {
  CameraTags tags;
  tags.make = Text(raw.idata.make, sizeof raw.idata.make);
  tags.model = Text(raw.idata.model, sizeof raw.idata.model);
  if (raw.other.timestamp > 0) {
    std::tm when{};
    const std::time_t stamp = raw.other.timestamp;
    if (localtime_r(&stamp, &when) != nullptr) {
      char text[32];
      if (std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &when) > 0) {
        tags.dateTime = text;
        tags.dateTimeOriginal = text;
      }
    }
  }
  tags.lensModel = Text(raw.lens.Lens, sizeof raw.lens.Lens);
  if (raw.other.shutter > 0) tags.exposureTime = raw.other.shutter;
  if (raw.other.aperture > 0) tags.fNumber = raw.other.aperture;
  if (raw.other.focal_len > 0) tags.focalLength = raw.other.focal_len;
  if (raw.other.iso_speed >= 1 && raw.other.iso_speed < 65536)
    tags.iso = static_cast<std::uint16_t>(raw.other.iso_speed);
  return ExifBlockFromTags(tags);
}

// LibRaw 0.20 ends the process on some damaged files while it identifies them (a
// fortified string copy of a camera's name fails), which no return code can report. So
// the identification and the preview's unpacking are tried first in a child process, and
// a file that kills it is refused. Where no child can be made (a confined worker), the
// file is read as it is: there a crash ends only the worker.
bool SurvivesIdentification(const RawFunctions& lr, const std::uint8_t* data, std::size_t size) {
  const pid_t child = ::fork();
  if (child < 0) return true;
  if (child == 0) {
    // The child's end is its exit status; no handler of the parent's reports it.
    for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
      std::signal(signal, SIG_DFL);
    libraw_data_t* raw = lr.libraw_init(0);
    if (raw != nullptr &&
        lr.libraw_open_buffer(raw, const_cast<std::uint8_t*>(data), size) == LIBRAW_SUCCESS) {
      lr.libraw_unpack_thumb(raw);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return true;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void DecodeRaw(const RawLibrary& library, const std::uint8_t* data, std::size_t size, RowSink& sink,
               SourceInfo& info, const LoadRequest& request) {
  if (size == 0) Refuse("file is empty");
  const RawFunctions* functions = library.Functions();
  if (functions == nullptr) Refuse(library.Failure());
  const RawFunctions& lr = *functions;
  if (!SurvivesIdentification(lr, data, size)) Refuse("LibRaw fails on this file");
  const auto close = [&lr](libraw_data_t* p) { lr.libraw_close(p); };
  const std::unique_ptr<libraw_data_t, decltype(close)> owner(lr.libraw_init(0), close);
  if (!owner) throw std::bad_alloc();
  libraw_data_t& raw = *owner;
  const auto check = [&lr](int code) {
    if (code != LIBRAW_SUCCESS) Refuse(lr.libraw_strerror(code));
  };

  // dcraw_emu -w -o 1 -q 3: camera white balance, sRGB, AHD; 8 bits.
  raw.params.use_camera_wb = 1;
  raw.params.output_color = 1;
  raw.params.user_qual = 3;
  raw.params.output_bps = 8;
  check(lr.libraw_open_buffer(&raw, const_cast<std::uint8_t*>(data), size));

  // What the file declares, before anything is unpacked.
  const std::uint64_t sites = std::uint64_t{raw.sizes.raw_width} * raw.sizes.raw_height;
  Size picture{raw.sizes.width, raw.sizes.height};
  if (sites == 0 || picture.width <= 0 || picture.height <= 0) Refuse("picture of zero size");
  const auto pixels = static_cast<std::uint64_t>(picture.width * picture.height);
  if (sites > kMostSites || pixels > kMostSites) {
    Refuse("raw of " + std::to_string(raw.sizes.raw_width) + "x" +
           std::to_string(raw.sizes.raw_height) + " is too large");
  }
  if (sites > kProportionCheckSites && size < sites / kMostSitesPerByte) {
    Refuse("data too short for the announced size (" + std::to_string(sites) + " photosites in " +
           std::to_string(size) + " bytes)");
  }
  const std::uint64_t budget = kBytesPerSite * sites + kBytesPerPixel * pixels + kSlackBytes;
  raw.params.max_raw_memory_mb = static_cast<unsigned>(budget >> 20) + 1;

  const int flip = raw.sizes.flip;
  const bool quarter = (flip & 4) != 0;
  if (quarter) std::swap(picture.width, picture.height);
  const Size target = Fitted(picture, request.boxWidth, request.boxHeight);
  const std::vector<std::uint8_t> exif = CameraExif(raw);

  if (!request.rawDevelop && request.boxWidth > 0 && request.boxHeight > 0 &&
      lr.libraw_unpack_thumb(&raw) == LIBRAW_SUCCESS &&
      raw.thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG && raw.thumbnail.thumb != nullptr &&
      raw.thumbnail.tlength > 0) {
    const auto* jpeg = reinterpret_cast<const std::uint8_t*>(raw.thumbnail.thumb);
    const std::size_t length = raw.thumbnail.tlength;
    Size preview = JpegSize(jpeg, length);
    if (quarter) std::swap(preview.width, preview.height);
    if (preview.width > 0 && Covers(preview, target)) {
      const int orientation = OrientationOfFlip(flip);
      TurningSink turning(sink, orientation);
      SourceInfo preview_info;
      DecodeJpegRows(jpeg, length, turning, &preview_info);
      info = SourceInfo{};
      info.orientation = orientation;
      info.exif = exif;
      return;
    }
  }

  // Half size where the half-size picture still covers the box.
  const Size half{(picture.width + 1) / 2, (picture.height + 1) / 2};
  if (request.boxWidth > 0 && request.boxHeight > 0 && Covers(half, target)) {
    raw.params.half_size = 1;
  }
  check(lr.libraw_unpack(&raw));
  // The develop's threads are the request's, one unless it grants more.
  library.SetThreads(std::max(1, request.decoderThreads));
  check(lr.libraw_dcraw_process(&raw));
  int error = 0;
  const auto release = [&lr](libraw_processed_image_t* p) { lr.libraw_dcraw_clear_mem(p); };
  const std::unique_ptr<libraw_processed_image_t, decltype(release)> image(
      lr.libraw_dcraw_make_mem_image(&raw, &error), release);
  if (!image) Refuse(error != 0 ? lr.libraw_strerror(error) : "no developed picture");
  const int width = image->width, height = image->height, colours = image->colors;
  if (image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8 || (colours != 3 && colours != 1) ||
      width <= 0 || height <= 0 ||
      image->data_size != static_cast<unsigned>(width) * height * colours) {
    Refuse("developed picture of an unexpected form");
  }
  sink.Begin(width, height, 1);
  const int most = std::max(1, sink.MaxRows());
  for (int first = 0; first < height; first += most) {
    const int count = std::min(most, height - first);
    const RowSink::Block block = sink.Rows(first, count, 1);
    for (int r = 0; r < count; ++r) {
      const std::uint8_t* in = image->data + static_cast<std::size_t>(first + r) *
                                                 static_cast<std::size_t>(width) * colours;
      std::uint8_t* out = block.data + block.stride * r;
      for (int x = 0; x < width; ++x, in += colours, out += 3) {
        out[0] = in[colours == 3 ? 2 : 0];
        out[1] = in[colours == 3 ? 1 : 0];
        out[2] = in[0];
      }
    }
    sink.Put(first, count, 1);
  }
  info = SourceInfo{};
  info.orientation = 1;  // developed upright
  info.exif = exif;
}

void DecodeRawRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo& info,
                   const LoadRequest& request) {
  DecodeRaw(RawLibrary::Default(), data, size, sink, info, request);
}

void DecodeRaw(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  BitmapSink sink;
  SourceInfo scratch;
  LoadRequest request;
  request.boxWidth = 1280;
  request.boxHeight = 1280;
  DecodeRawRows(data, size, sink, info ? *info : scratch, request);
  bitmap.Swap(sink.Picture());
}

void LoadRawRows(const SourceFile& source, RowSink& sink, SourceInfo& info,
                 const LoadRequest& request) {
  // The open file, mapped: LibRaw reads the headers and, for a preview, the preview's
  // bytes, and the rest of a raw of tens of megabytes is never read. Private and writable,
  // so that nothing LibRaw might write reaches the file.
  const ImageFile file(source);
  if (file.Size() > 0 && file.Size() <= SIZE_MAX) {
    const auto size = static_cast<std::size_t>(file.Size());
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, file.Descriptor(), 0);
    if (mapped != MAP_FAILED) {
      struct Unmap {
        void* at;
        std::size_t length;
        ~Unmap() { ::munmap(at, length); }
      } unmap{mapped, size};
      DecodeRawRows(static_cast<const std::uint8_t*>(mapped), size, sink, info, request);
      return;
    }
  }
  const std::vector<std::uint8_t> bytes = ReadWholeFile(source);
  DecodeRawRows(bytes.data(), bytes.size(), sink, info, request);
}

}  // namespace brevine
