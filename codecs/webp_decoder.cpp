// WebP: lossy and lossless pictures, and the first frame of an animation, as opaque 8-bit
// blue-green-red. The container is parsed by libwebp's demuxer, which accepts only a
// complete file; the frame's bitstream is then decoded straight into the bitmap's rows.
//
// libwebp reports every failure by its return value: no callback, no longjmp. Its objects
// are held by the small owners below, so each is released on every path.

#include <webp/decode.h>
#include <webp/demux.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "codecs.h"

namespace brevine {
namespace {

// Decompression bombs: a few hundred bytes can announce a canvas of 2^29 pixels (an
// animation's first frame may cover one pixel of it). Above kBombPixels the file must hold
// one byte per kPixelsPerByte pixels before the canvas is allocated; real photos and
// screenshots need far more, and only a flat picture of that size could be refused.
constexpr std::int64_t kBombPixels = std::int64_t{1} << 24;
constexpr std::int64_t kPixelsPerByte = 4096;

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const noexcept { WebPDemuxDelete(demux); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// A frame or chunk iterator and its release, whichever call filled it.
class FrameIterator {
 public:
  FrameIterator() { std::memset(&it_, 0, sizeof it_); }
  ~FrameIterator() { WebPDemuxReleaseIterator(&it_); }
  FrameIterator(const FrameIterator&) = delete;
  FrameIterator& operator=(const FrameIterator&) = delete;
  WebPIterator* operator->() { return &it_; }
  WebPIterator* get() { return &it_; }

 private:
  WebPIterator it_;
};

class ChunkIterator {
 public:
  ChunkIterator() { std::memset(&it_, 0, sizeof it_); }
  ~ChunkIterator() { WebPDemuxReleaseChunkIterator(&it_); }
  ChunkIterator(const ChunkIterator&) = delete;
  ChunkIterator& operator=(const ChunkIterator&) = delete;
  WebPChunkIterator* operator->() { return &it_; }
  WebPChunkIterator* get() { return &it_; }

 private:
  WebPChunkIterator it_;
};

const char* Describe(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "WebP: out of memory";
    case VP8_STATUS_INVALID_PARAM:
      return "WebP: invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
      return "WebP: damaged bitstream";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "WebP: unsupported feature";
    case VP8_STATUS_SUSPENDED:
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "WebP: data cut short";
    default:
      return "WebP: decoding failed";
  }
}

// The chunk's bytes, or nothing when the file has no such chunk.
WebPData FirstChunk(const WebPDemuxer* demux, const char* fourcc) {
  ChunkIterator chunk;
  if (!WebPDemuxGetChunk(demux, fourcc, 1, chunk.get())) return WebPData{nullptr, 0};
  return chunk->chunk;  // points into the file's bytes, which outlive the iterator
}

struct IDecoderDeleter {
  void operator()(WebPIDecoder* decoder) const noexcept { WebPIDelete(decoder); }
};
using IDecoder = std::unique_ptr<WebPIDecoder, IDecoderDeleter>;

// Address space for the whole decoded frame, of which only a band is ever resident: the
// incremental decoder writes each row once, rows are handed on as soon as they are
// complete, and their pages are given back at once.
class RowArena {
 public:
  explicit RowArena(std::size_t bytes) : bytes_(std::max<std::size_t>(bytes, 1)) {
    void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    base_ = static_cast<std::uint8_t*>(p);
  }
  ~RowArena() { ::munmap(base_, bytes_); }
  RowArena(const RowArena&) = delete;
  RowArena& operator=(const RowArena&) = delete;

  std::uint8_t* Data() { return base_; }
  // The whole pages below `end` are no longer needed.
  void Release(std::size_t end) {
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t upTo = end / page * page;
    if (upTo > released_) {
      ::madvise(base_ + released_, upTo - released_, MADV_DONTNEED);
      released_ = upTo;
    }
  }

 private:
  std::size_t bytes_;
  std::uint8_t* base_ = nullptr;
  std::size_t released_ = 0;
};

// Bytes handed to the incremental decoder at a time: rows come out about as fast as
// their data goes in, so this bounds the band that stands in memory.
constexpr std::size_t kFeedBytes = std::size_t{64} << 10;

// A frame that covers the canvas, decoded row band by row band into the sink.
void StreamFrame(const WebPData& fragment, int width, int height, RowSink& sink) {
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  RowArena arena(stride * static_cast<std::size_t>(height));
  WebPDecBuffer output;
  if (!WebPInitDecBuffer(&output)) throw DecodeError("WebP: library version mismatch");
  output.colorspace = MODE_BGR;
  output.is_external_memory = 1;
  output.u.RGBA.rgba = arena.Data();
  output.u.RGBA.stride = static_cast<int>(stride);
  output.u.RGBA.size = stride * static_cast<std::size_t>(height);
  IDecoder decoder(WebPINewDecoder(&output));
  if (!decoder) throw std::bad_alloc();

  const int most = std::max(sink.MaxRows(), 1);
  int done = 0;
  std::size_t fed = 0;
  while (true) {
    fed = std::min(fragment.size, fed + kFeedBytes);
    const VP8StatusCode status = WebPIUpdate(decoder.get(), fragment.bytes, fed);
    if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED)
      throw DecodeError(Describe(status));
    int lastY = 0;
    if (WebPIDecGetRGB(decoder.get(), &lastY, nullptr, nullptr, nullptr) == nullptr) lastY = 0;
    lastY = std::clamp(lastY, done, height);
    while (done < lastY) {
      const int count = std::min(most, lastY - done);
      const RowSink::Block block = sink.Rows(done, count, 1);
      for (int r = 0; r < count; ++r) {
        std::memcpy(block.data + block.stride * static_cast<std::ptrdiff_t>(r),
                    arena.Data() + stride * static_cast<std::size_t>(done + r), stride);
      }
      sink.Put(done, count, 1);
      done += count;
    }
    arena.Release(stride * static_cast<std::size_t>(done));
    if (status == VP8_STATUS_OK) break;
    if (fed == fragment.size) throw DecodeError(Describe(VP8_STATUS_SUSPENDED));
  }
  if (done != height) throw DecodeError("WebP: rows missing");
}

SourceInfo InfoFromChunks(const WebPDemuxer* demux) {
  SourceInfo info;
  const std::uint32_t flags = WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS);
  if (flags & ICCP_FLAG) {
    const WebPData icc = FirstChunk(demux, "ICCP");
    if (IsWellFormedRgbProfile(icc.bytes, icc.size))
      info.icc.assign(icc.bytes, icc.bytes + icc.size);
  }
  if (flags & EXIF_FLAG) {
    WebPData exif = FirstChunk(demux, "EXIF");
    // Some writers keep the JPEG segment's "Exif\0\0" in front of the TIFF header.
    if (exif.size >= 6 && std::memcmp(exif.bytes, "Exif\0\0", 6) == 0) {
      exif.bytes += 6;
      exif.size -= 6;
    }
    if (exif.size >= 8 &&
        (std::memcmp(exif.bytes, "II*\0", 4) == 0 || std::memcmp(exif.bytes, "MM\0*", 4) == 0)) {
      info.exif.assign(exif.bytes, exif.bytes + exif.size);
      info.orientation = ReadTiffOrientation(exif.bytes, exif.size);
    }
  }
  return info;
}

}  // namespace

void DecodeWebpRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info) {
  if (data == nullptr || size == 0) throw DecodeError("WebP: empty file");
  const WebPData file{data, size};
  Demuxer demux(WebPDemux(&file));
  if (!demux) throw DecodeError("not a complete WebP file");

  const std::int64_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const std::int64_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  if (width <= 0 || height <= 0) throw DecodeError("WebP picture of zero size");
  const std::int64_t pixels = width * height;
  if (pixels > WorkBitmap::kMaxPixels)
    throw PictureTooLarge("WebP", width, height, WorkBitmap::kMaxPixels);
  if (pixels > kBombPixels && static_cast<std::int64_t>(size) * kPixelsPerByte < pixels) {
    throw DecodeError("WebP file too small for its announced size");
  }

  FrameIterator frame;
  if (!WebPDemuxGetFrame(demux.get(), 1, frame.get()))
    throw DecodeError("WebP file holds no frame");
  // The demuxer checks that every frame lies inside the canvas; the decode relies on it.
  if (frame->x_offset < 0 || frame->y_offset < 0 || frame->width <= 0 || frame->height <= 0 ||
      std::int64_t{frame->x_offset} + frame->width > width ||
      std::int64_t{frame->y_offset} + frame->height > height) {
    throw DecodeError("WebP frame outside its canvas");
  }

  // Orientation and profile come from the container, before the picture.
  SourceInfo found = InfoFromChunks(demux.get());
  const bool covers = frame->width == width && frame->height == height;
  if (covers && sink.WholePicture() == nullptr) {
    sink.Begin(static_cast<int>(width), static_cast<int>(height), found.orientation);
    StreamFrame(frame->fragment, static_cast<int>(width), static_cast<int>(height), sink);
    if (info != nullptr) *info = std::move(found);
    return;
  }

  WorkBitmap picture(static_cast<int>(width), static_cast<int>(height));
  // A first frame smaller than the canvas lies on the animation's starting canvas,
  // transparent black, which without its alpha is black.
  if (!covers) std::memset(picture.Data(), 0, picture.ByteCount());

  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) throw DecodeError("WebP: library version mismatch");
  config.output.colorspace = MODE_BGR;
  config.output.is_external_memory = 1;
  const std::size_t stride = picture.Stride();
  std::uint8_t* origin = picture.Data() + stride * static_cast<std::size_t>(frame->y_offset) +
                         3 * static_cast<std::size_t>(frame->x_offset);
  config.output.u.RGBA.rgba = origin;
  config.output.u.RGBA.stride = static_cast<int>(stride);
  config.output.u.RGBA.size = stride * static_cast<std::size_t>(frame->height - 1) +
                              3 * static_cast<std::size_t>(frame->width);
  const VP8StatusCode status = WebPDecode(frame->fragment.bytes, frame->fragment.size, &config);
  WebPFreeDecBuffer(&config.output);  // releases nothing of ours: the memory is external
  if (status != VP8_STATUS_OK) throw DecodeError(Describe(status));

  sink.TakePicture(picture, found.orientation);
  if (info != nullptr) *info = std::move(found);
}

void DecodeWebp(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  BitmapSink sink;
  DecodeWebpRows(data, size, sink, info);
  bitmap.Swap(sink.Picture());
}

void LoadWebpRows(const std::string& path, RowSink& sink, SourceInfo& info) {
  const auto bytes = ReadWholeFile(path);
  DecodeWebpRows(bytes.data(), bytes.size(), sink, &info);
}

void LoadWebpRows(const SourceFile& source, RowSink& sink, SourceInfo& info) {
  const auto bytes = ReadWholeFile(source);
  DecodeWebpRows(bytes.data(), bytes.size(), sink, &info);
}

void LoadWebpImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info) {
  const auto bytes = ReadWholeFile(path);
  DecodeWebp(bytes.data(), bytes.size(), bitmap, &info);
}

}  // namespace brevine
