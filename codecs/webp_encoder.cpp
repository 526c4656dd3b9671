// WebP results: lossy, with libwebp's default configuration at the chosen quality.
//
// The bytes are those cwebp writes for a PNG of the picture: cwebp reads an opaque PNG into
// a picture in YUV form (no ARGB copy for lossy output) through WebPPictureImportRGB, and
// encodes it with WebPConfigInit's settings and -q as the quality. The import below does the
// same with the bitmap's blue-green-red rows, which libwebp's BGR import converts with the
// same arithmetic as RGB rows. Metadata goes in through libwebp's muxer.
//
// libwebp reports every failure by its return value and calls back only into its own memory
// writer; each of its objects has one owner that releases it on every path.

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <string>

#include "codecs.h"

namespace brevine {
namespace {

class Picture {
 public:
  Picture() {
    if (!WebPPictureInit(&picture_)) throw EncodeError("WebP: library version mismatch");
  }
  ~Picture() { WebPPictureFree(&picture_); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  WebPPicture* get() { return &picture_; }

 private:
  WebPPicture picture_;
};

class MemoryWriter {
 public:
  MemoryWriter() { WebPMemoryWriterInit(&writer_); }
  ~MemoryWriter() { WebPMemoryWriterClear(&writer_); }
  MemoryWriter(const MemoryWriter&) = delete;
  MemoryWriter& operator=(const MemoryWriter&) = delete;
  WebPMemoryWriter* get() { return &writer_; }
  std::vector<std::uint8_t> Bytes() const { return {writer_.mem, writer_.mem + writer_.size}; }

 private:
  WebPMemoryWriter writer_;
};

struct MuxDelete {
  void operator()(WebPMux* mux) const noexcept { WebPMuxDelete(mux); }
};
using Mux = std::unique_ptr<WebPMux, MuxDelete>;

class MuxOutput {
 public:
  MuxOutput() { WebPDataInit(&data_); }
  ~MuxOutput() { WebPDataClear(&data_); }
  MuxOutput(const MuxOutput&) = delete;
  MuxOutput& operator=(const MuxOutput&) = delete;
  WebPData* get() { return &data_; }
  std::vector<std::uint8_t> Bytes() const { return {data_.bytes, data_.bytes + data_.size}; }

 private:
  WebPData data_;
};

const char* Describe(WebPEncodingError error) {
  switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
      return "picture too large for WebP";
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
    case VP8_ENC_ERROR_FILE_TOO_BIG:
      return "picture too large for WebP";
    default:
      return "encoding failed";
  }
}

// Each pixel's gray value in all three channels.
WorkBitmap GrayCopy(const WorkBitmap& bitmap) {
  WorkBitmap gray(bitmap.Width(), bitmap.Height());
  const std::size_t bytes = bitmap.ByteCount();
  const std::uint8_t* in = bitmap.Data();
  std::uint8_t* out = gray.Data();
  for (std::size_t i = 0; i < bytes; i += 3) {
    const std::uint8_t v = JpegGrayValue(in[i + 2], in[i + 1], in[i]);
    out[i] = out[i + 1] = out[i + 2] = v;
  }
  return gray;
}

std::vector<std::uint8_t> Bitstream(const WorkBitmap& bitmap, int quality) {
  WebPConfig config;
  if (!WebPConfigInit(&config)) throw EncodeError("WebP: library version mismatch");
  config.quality = static_cast<float>(quality);
  if (!WebPValidateConfig(&config)) throw EncodeError("WebP: quality out of range");

  Picture picture;
  WebPPicture* pic = picture.get();
  pic->use_argb = 0;
  pic->width = bitmap.Width();
  pic->height = bitmap.Height();
  if (!WebPPictureImportBGR(pic, bitmap.Data(), static_cast<int>(bitmap.Stride()))) {
    throw EncodeError(std::string("WebP: ") + Describe(pic->error_code));
  }
  MemoryWriter writer;
  pic->writer = WebPMemoryWrite;
  pic->custom_ptr = writer.get();
  if (!WebPEncode(&config, pic))
    throw EncodeError(std::string("WebP: ") + Describe(pic->error_code));
  return writer.Bytes();
}

void SetChunk(WebPMux* mux, const char* fourcc, const std::vector<std::uint8_t>& data) {
  if (data.empty()) return;
  const WebPData chunk{data.data(), data.size()};
  if (WebPMuxSetChunk(mux, fourcc, &chunk, 1) != WEBP_MUX_OK) {
    throw EncodeError(std::string("WebP: cannot add the ") + fourcc + " chunk");
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeWebp(const WorkBitmap& bitmap, int quality, bool gray,
                                     const ResultMetadata& metadata) {
  if (bitmap.Empty()) throw EncodeError("WebP: empty picture");
  if (bitmap.Width() > WEBP_MAX_DIMENSION || bitmap.Height() > WEBP_MAX_DIMENSION) {
    throw EncodeError("WebP: picture too large for WebP");
  }
  std::vector<std::uint8_t> still =
      gray ? Bitstream(GrayCopy(bitmap), quality) : Bitstream(bitmap, quality);
  if (metadata.icc.empty() && metadata.exif.empty()) return still;

  // The muxer turns the simple file into the extended one: a VP8X header with the ICC and
  // EXIF flags, ICCP in front of the picture, EXIF behind it.
  const WebPData in{still.data(), still.size()};
  Mux mux(WebPMuxCreate(&in, 0));
  if (!mux) throw EncodeError("WebP: cannot read back the encoded picture");
  SetChunk(mux.get(), "ICCP", metadata.icc);
  SetChunk(mux.get(), "EXIF", metadata.exif);
  MuxOutput out;
  if (WebPMuxAssemble(mux.get(), out.get()) != WEBP_MUX_OK) {
    throw EncodeError("WebP: cannot assemble the file");
  }
  return out.Bytes();
}

}  // namespace brevine
