#pragma once
// WebP files made in code with libwebp's own encoder and muxer. Link PkgConfig::WEBP and
// PkgConfig::WEBPMUX.

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "work_bitmap.h"

namespace brevine::test {

using WebpBytes = std::vector<std::uint8_t>;

inline WebpBytes TakeWebp(std::uint8_t* out, std::size_t size) {
  if (out == nullptr || size == 0) throw std::runtime_error("WebP encoding failed");
  WebpBytes bytes(out, out + size);
  WebPFree(out);
  return bytes;
}

// Blue, green, red and alpha of each pixel; `alpha` gives the alpha of (x, y).
inline std::vector<std::uint8_t> Bgra(const WorkBitmap& bitmap, std::uint8_t (*alpha)(int, int)) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      out.insert(out.end(), {p[0], p[1], p[2], alpha(x, y)});
    }
  }
  return out;
}

// Lossy at `quality`, or lossless; with an alpha channel when `alpha` is given.
inline WebpBytes EncodeWebp(const WorkBitmap& bitmap, bool lossless, float quality = 90,
                            std::uint8_t (*alpha)(int, int) = nullptr) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  std::uint8_t* out = nullptr;
  std::size_t size = 0;
  if (alpha != nullptr) {
    const std::vector<std::uint8_t> bgra = Bgra(bitmap, alpha);
    size = lossless ? WebPEncodeLosslessBGRA(bgra.data(), w, h, w * 4, &out)
                    : WebPEncodeBGRA(bgra.data(), w, h, w * 4, quality, &out);
  } else {
    const int stride = static_cast<int>(bitmap.Stride());
    size = lossless ? WebPEncodeLosslessBGR(bitmap.Data(), w, h, stride, &out)
                    : WebPEncodeBGR(bitmap.Data(), w, h, stride, quality, &out);
  }
  return TakeWebp(out, size);
}

struct MuxDeleter {
  void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The still file with ICCP and EXIF chunks added (an empty vector adds none).
inline WebpBytes WithWebpChunks(const WebpBytes& still, const std::vector<std::uint8_t>& icc,
                                const std::vector<std::uint8_t>& exif) {
  const WebPData in{still.data(), still.size()};
  std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxCreate(&in, 1));
  if (!mux) throw std::runtime_error("WebPMuxCreate failed");
  if (!icc.empty()) {
    const WebPData d{icc.data(), icc.size()};
    if (WebPMuxSetChunk(mux.get(), "ICCP", &d, 1) != WEBP_MUX_OK) throw std::runtime_error("ICCP");
  }
  if (!exif.empty()) {
    const WebPData d{exif.data(), exif.size()};
    if (WebPMuxSetChunk(mux.get(), "EXIF", &d, 1) != WEBP_MUX_OK) throw std::runtime_error("EXIF");
  }
  WebPData out{};
  if (WebPMuxAssemble(mux.get(), &out) != WEBP_MUX_OK) throw std::runtime_error("assemble");
  WebpBytes bytes(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  return bytes;
}

struct WebpFrame {
  WebpBytes still;  // a single-image file
  int x = 0;        // even offsets only: the format stores half the offset
  int y = 0;
};

// An animation of the frames on a canvas, assembled by the muxer as given (no re-encoding).
inline WebpBytes WebpAnimation(int canvasWidth, int canvasHeight,
                               const std::vector<WebpFrame>& frames) {
  std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxNew());
  for (const WebpFrame& f : frames) {
    WebPMuxFrameInfo info{};
    info.bitstream = WebPData{f.still.data(), f.still.size()};
    info.x_offset = f.x;
    info.y_offset = f.y;
    info.duration = 100;
    info.id = WEBP_CHUNK_ANMF;
    info.dispose_method = WEBP_MUX_DISPOSE_NONE;
    info.blend_method = WEBP_MUX_NO_BLEND;
    if (WebPMuxPushFrame(mux.get(), &info, 1) != WEBP_MUX_OK) throw std::runtime_error("frame");
  }
  WebPMuxAnimParams params{};
  params.bgcolor = 0xFFFFFFFF;
  params.loop_count = 0;
  if (WebPMuxSetAnimationParams(mux.get(), &params) != WEBP_MUX_OK)
    throw std::runtime_error("anim");
  if (WebPMuxSetCanvasSize(mux.get(), canvasWidth, canvasHeight) != WEBP_MUX_OK) {
    throw std::runtime_error("canvas");
  }
  WebPData out{};
  if (WebPMuxAssemble(mux.get(), &out) != WEBP_MUX_OK) throw std::runtime_error("assemble");
  WebpBytes bytes(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  return bytes;
}

struct AnimEncoderDeleter {
  void operator()(WebPAnimEncoder* e) const { WebPAnimEncoderDelete(e); }
};

// Opaque frames of one size through libwebp's animation encoder, losslessly, so that each
// frame's pixels are known exactly.
inline WebpBytes EncodeWebpAnimation(const std::vector<WorkBitmap>& frames) {
  const int w = frames.at(0).Width();
  const int h = frames.at(0).Height();
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) throw std::runtime_error("options");
  std::unique_ptr<WebPAnimEncoder, AnimEncoderDeleter> enc(WebPAnimEncoderNew(w, h, &options));
  WebPConfig config;
  if (!enc || !WebPConfigInit(&config)) throw std::runtime_error("encoder");
  config.lossless = 1;
  int timestamp = 0;
  for (const WorkBitmap& f : frames) {
    WebPPicture pic;
    if (!WebPPictureInit(&pic)) throw std::runtime_error("picture");
    pic.use_argb = 1;
    pic.width = w;
    pic.height = h;
    const bool ok = WebPPictureImportBGR(&pic, f.Data(), static_cast<int>(f.Stride())) &&
                    WebPAnimEncoderAdd(enc.get(), &pic, timestamp, &config);
    WebPPictureFree(&pic);
    if (!ok) throw std::runtime_error("frame");
    timestamp += 100;
  }
  WebPData out{};
  if (!WebPAnimEncoderAdd(enc.get(), nullptr, timestamp, nullptr) ||
      !WebPAnimEncoderAssemble(enc.get(), &out)) {
    throw std::runtime_error("assemble");
  }
  WebpBytes bytes(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  return bytes;
}

// libwebp's own decode of a still file to blue-green-red.
inline WorkBitmap LibwebpDecode(const WebpBytes& file) {
  int w = 0, h = 0;
  std::uint8_t* bgr = WebPDecodeBGR(file.data(), file.size(), &w, &h);
  if (bgr == nullptr) throw std::runtime_error("WebPDecodeBGR failed");
  WorkBitmap out(w, h);
  std::copy(bgr, bgr + out.ByteCount(), out.Data());
  WebPFree(bgr);
  return out;
}

}  // namespace brevine::test
