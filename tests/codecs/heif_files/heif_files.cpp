#include "heif_files.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace brevine::test {

namespace {

struct ContextFree {
  void operator()(heif_context* p) const { heif_context_free(p); }
};
struct EncoderRelease {
  void operator()(heif_encoder* p) const { heif_encoder_release(p); }
};
struct ImageRelease {
  void operator()(heif_image* p) const { heif_image_release(p); }
};
struct OptionsFree {
  void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
};
struct NclxFree {
  void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};

void Check(const heif_error& e) {
  if (e.code != heif_error_Ok) throw std::runtime_error(std::string("libheif: ") + e.message);
}

heif_error Append(heif_context*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<std::vector<std::uint8_t>*>(out);
  const auto* p = static_cast<const std::uint8_t*>(data);
  bytes->insert(bytes->end(), p, p + size);
  return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

}  // namespace

std::vector<std::uint8_t> EncodeHeif(const HeifPicture& picture, const HeifOptions& options) {
  const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  heif_encoder* encoderOut = nullptr;
  Check(heif_context_get_encoder_for_format(
      context.get(), options.av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoderOut));
  const std::unique_ptr<heif_encoder, EncoderRelease> encoder(encoderOut);
  Check(heif_encoder_set_lossy_quality(encoder.get(), options.quality));

  const bool wide = picture.depth > 8;
  const heif_chroma chroma =
      wide ? (picture.alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                            : heif_chroma_interleaved_RRGGBB_LE)
           : (picture.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* imageOut = nullptr;
  Check(heif_image_create(picture.width, picture.height, heif_colorspace_RGB, chroma, &imageOut));
  const std::unique_ptr<heif_image, ImageRelease> image(imageOut);
  Check(heif_image_add_plane(image.get(), heif_channel_interleaved, picture.width, picture.height,
                             picture.depth));
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const int channels = picture.alpha ? 4 : 3;
  const std::size_t perRow = static_cast<std::size_t>(picture.width) * channels;
  if (picture.samples.size() != perRow * picture.height) {
    throw std::invalid_argument("sample count does not match the size");
  }
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = plane + static_cast<std::size_t>(stride) * y;
    for (std::size_t i = 0; i < perRow; ++i) {
      const std::uint16_t v = picture.samples[perRow * y + i];
      if (wide) {
        row[2 * i] = static_cast<std::uint8_t>(v);
        row[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
      } else {
        row[i] = static_cast<std::uint8_t>(v);
      }
    }
  }
  if (!options.icc.empty()) {
    Check(heif_image_set_raw_color_profile(image.get(), "prof", options.icc.data(),
                                           options.icc.size()));
  }
  if (options.nclxPrimaries != 0) {
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(heif_nclx_color_profile_alloc());
    Check(heif_nclx_color_profile_set_color_primaries(
        nclx.get(), static_cast<std::uint16_t>(options.nclxPrimaries)));
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    Check(heif_image_set_nclx_color_profile(image.get(), nclx.get()));
  }

  const std::unique_ptr<heif_encoding_options, OptionsFree> encoding(heif_encoding_options_alloc());
  encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
  // By default libheif leaves the nclx box out, for old macOS viewers; the tests need it.
  encoding->macOS_compatibility_workaround_no_nclx_profile = 0;
  heif_image_handle* handle = nullptr;
  Check(heif_context_encode_image(context.get(), image.get(), encoder.get(), encoding.get(),
                                  &handle));
  const auto releaseHandle = [](heif_image_handle* h) { heif_image_handle_release(h); };
  const std::unique_ptr<heif_image_handle, decltype(releaseHandle)> held(handle, releaseHandle);
  if (!options.exif.empty()) {
    Check(heif_context_add_exif_metadata(context.get(), handle, options.exif.data(),
                                         static_cast<int>(options.exif.size())));
  }
  std::vector<std::uint8_t> bytes;
  heif_writer writer{1, Append};
  Check(heif_context_write(context.get(), &writer, &bytes));
  return bytes;
}

HeifPicture Quadrants(int width, int height, int depth, bool alpha) {
  HeifPicture p;
  p.width = width;
  p.height = height;
  p.depth = depth;
  p.alpha = alpha;
  const std::uint16_t top = static_cast<std::uint16_t>((1 << depth) - 1);
  const std::uint16_t colours[4][3] = {{top, 0, 0}, {0, top, 0}, {0, 0, top}, {top, top, top}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto& c = colours[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
      p.samples.insert(p.samples.end(), c, c + 3);
      // Alpha runs from clear to opaque: whatever it is, the colours must not change.
      if (alpha) p.samples.push_back(static_cast<std::uint16_t>(x * top / std::max(1, width - 1)));
    }
  }
  return p;
}

std::vector<std::size_t> FindBoxes(const std::vector<std::uint8_t>& file, const char* type) {
  std::vector<std::size_t> found;
  // Boxes that hold boxes; meta starts with four bytes of version and flags.
  struct Container {
    const char* type;
    std::size_t skip;
  };
  static constexpr Container kContainers[] = {{"meta", 4}, {"iprp", 0}, {"ipco", 0}, {"dinf", 0}};
  std::vector<std::pair<std::size_t, std::size_t>> ranges = {{0, file.size()}};
  while (!ranges.empty()) {
    auto [pos, end] = ranges.back();
    ranges.pop_back();
    while (pos + 8 <= end) {
      const std::size_t size = Be32(&file[pos]);
      if (size < 8 || size > end - pos) break;
      const char* name = reinterpret_cast<const char*>(&file[pos + 4]);
      if (std::memcmp(name, type, 4) == 0) found.push_back(pos);
      for (const Container& c : kContainers) {
        if (std::memcmp(name, c.type, 4) == 0) {
          ranges.push_back({pos + 8 + c.skip, pos + size});
        }
      }
      pos += size;
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace brevine::test
