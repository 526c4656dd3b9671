// AVIF results through libheif and its AV1 encoder (libaom).
//
// The bytes are those heif-enc -A -q Q writes for a PNG of the picture: heif-enc loads an
// opaque 8-bit PNG as interleaved RGB (a gray one as a monochrome image), asks for the
// first AV1 encoder with its default parameters and the quality, and encodes with an nclx
// profile of BT.709 primaries, sRGB transfer, BT.601 matrix and full range. The same steps
// are taken here, from memory to memory.
//
// The encoder's thread count stays at its default: libaom's output depends on it.
// libheif reports every failure as a status; the one callback, the writer, catches
// everything before it returns into the library. Each object has one owner.

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "codecs.h"
#include "heif_library.h"

namespace brevine {
namespace {

// libaom's limit on a frame's sides.
constexpr int kLargestSide = 65536;

using Context = std::unique_ptr<heif_context, HeifRelease<&HeifFunctions::heif_context_free>>;
using Encoder = std::unique_ptr<heif_encoder, HeifRelease<&HeifFunctions::heif_encoder_release>>;
using Image = std::unique_ptr<heif_image, HeifRelease<&HeifFunctions::heif_image_release>>;
using Handle =
    std::unique_ptr<heif_image_handle, HeifRelease<&HeifFunctions::heif_image_handle_release>>;
using EncodingOptions =
    std::unique_ptr<heif_encoding_options, HeifRelease<&HeifFunctions::heif_encoding_options_free>>;
using Nclx = std::unique_ptr<heif_color_profile_nclx,
                             HeifRelease<&HeifFunctions::heif_nclx_color_profile_free>>;

// The message lives in the context, so it is copied before the context goes.
void Check(const heif_error& error, const char* what) {
  if (error.code == heif_error_Ok) return;
  std::string reason = std::string("AVIF: ") + what;
  if (error.message != nullptr && *error.message) reason += std::string(": ") + error.message;
  throw EncodeError(reason);
}

struct WriteTarget {
  std::vector<std::uint8_t>* out;
  bool failed;
};

extern "C" heif_error AppendBytes(heif_context*, const void* data, size_t size,
                                  void* userdata) noexcept {
  auto* target = static_cast<WriteTarget*>(userdata);
  try {
    const auto* p = static_cast<const std::uint8_t*>(data);
    target->out->insert(target->out->end(), p, p + size);
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
  } catch (...) {
    target->failed = true;
    return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "out of memory"};
  }
}

// The picture as heif-enc loads a PNG of it: interleaved RGB, or the gray values alone.
Image MakeImage(const HeifFunctions& heif, const WorkBitmap& bitmap, bool gray) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  heif_image* raw = nullptr;
  const heif_channel channel = gray ? heif_channel_Y : heif_channel_interleaved;
  Check(heif.heif_image_create(w, h, gray ? heif_colorspace_monochrome : heif_colorspace_RGB,
                               gray ? heif_chroma_monochrome : heif_chroma_interleaved_RGB, &raw),
        "cannot create the image");
  Image image(raw, {&heif});
  Check(heif.heif_image_add_plane(image.get(), channel, w, h, 8), "cannot allocate the image");
  int stride = 0;
  std::uint8_t* plane = heif.heif_image_get_plane(image.get(), channel, &stride);
  if (plane == nullptr) throw EncodeError("AVIF: cannot allocate the image");
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* in = bitmap.Row(y);
    std::uint8_t* out = plane + static_cast<std::size_t>(stride) * y;
    if (gray) {
      for (int x = 0; x < w; ++x, in += 3) out[x] = JpegGrayValue(in[2], in[1], in[0]);
    } else {
      for (int x = 0; x < w; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
  }
  return image;
}

}  // namespace

std::vector<std::uint8_t> EncodeAvif(const HeifLibrary& library, const WorkBitmap& bitmap,
                                     int quality, bool gray, const ResultMetadata& metadata) {
  if (bitmap.Empty()) throw EncodeError("AVIF: empty picture");
  if (bitmap.Width() > kLargestSide || bitmap.Height() > kLargestSide) {
    throw EncodeError("AVIF: picture too large for AVIF");
  }
  const HeifFunctions* functions = library.Functions();
  if (functions == nullptr) throw EncodeError("AVIF: " + library.Failure());
  const HeifFunctions& heif = *functions;
  const Context context(heif.heif_context_alloc(), {&heif});
  if (!context) throw std::bad_alloc();

  heif_encoder* rawEncoder = nullptr;
  Check(heif.heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &rawEncoder),
        "no AV1 encoder");
  const Encoder encoder(rawEncoder, {&heif});
  Check(heif.heif_encoder_set_lossy_quality(encoder.get(), quality), "quality out of range");
  Check(heif.heif_encoder_set_logging_level(encoder.get(), 0), "cannot set the logging level");

  const Image image = MakeImage(heif, bitmap, gray);
  if (!metadata.icc.empty()) {
    Check(heif.heif_image_set_raw_color_profile(image.get(), "prof", metadata.icc.data(),
                                                metadata.icc.size()),
          "cannot keep the colour profile");
  }

  const Nclx nclx(heif.heif_nclx_color_profile_alloc(), {&heif});
  const EncodingOptions options(heif.heif_encoding_options_alloc(), {&heif});
  if (!nclx || !options) throw std::bad_alloc();
  nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
  nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
  nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
  nclx->full_range_flag = 1;
  options->save_alpha_channel = 1;
  options->output_nclx_profile = nclx.get();

  heif_image_handle* rawHandle = nullptr;
  Check(heif.heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                       &rawHandle),
        "encoding failed");
  const Handle handle(rawHandle, {&heif});
  Check(heif.heif_context_set_primary_image(context.get(), handle.get()), "no primary image");
  if (!metadata.exif.empty()) {
    if (metadata.exif.size() > static_cast<std::size_t>(INT32_MAX)) {
      throw EncodeError("AVIF: EXIF block too long");
    }
    Check(heif.heif_context_add_exif_metadata(context.get(), handle.get(), metadata.exif.data(),
                                              static_cast<int>(metadata.exif.size())),
          "cannot keep the EXIF block");
  }

  std::vector<std::uint8_t> out;
  WriteTarget target{&out, false};
  heif_writer writer{};
  writer.writer_api_version = 1;
  writer.write = AppendBytes;
  const heif_error written = heif.heif_context_write(context.get(), &writer, &target);
  if (target.failed) throw std::bad_alloc();
  Check(written, "cannot write the file");
  return out;
}

std::vector<std::uint8_t> EncodeAvif(const WorkBitmap& bitmap, int quality, bool gray,
                                     const ResultMetadata& metadata) {
  return EncodeAvif(HeifLibrary::Default(), bitmap, quality, gray, metadata);
}

}  // namespace brevine
