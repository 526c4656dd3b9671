// HEIF and AVIF: the primary image as it is meant to be seen, as opaque 8-bit blue-green-red.
//
// libheif parses the boxes, runs the HEVC or AV1 decoder and applies the rotation, mirroring
// and crop boxes (its default decoding options do), then converts to 8-bit interleaved RGB,
// which also reduces 10- and 12-bit images and drops alpha without blending. libheif reports
// every failure as a status and never calls back into this file, so nothing here can be
// unwound through it; each of its objects has one owner that releases it on every path.
//
// The colour description travels beside the pixels: an ICC profile as stored, or, for an
// image that only names its primaries (an nclx box, as iPhones write for Display P3), an
// RGB profile built from those primaries with Little CMS.

#include <lcms2.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "codecs.h"
#include "heif_layout.h"
#include "heif_library.h"

namespace brevine {

namespace {

using Context = std::unique_ptr<heif_context, HeifRelease<&HeifFunctions::heif_context_free>>;
using Handle =
    std::unique_ptr<heif_image_handle, HeifRelease<&HeifFunctions::heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, HeifRelease<&HeifFunctions::heif_image_release>>;
using Nclx = std::unique_ptr<heif_color_profile_nclx,
                             HeifRelease<&HeifFunctions::heif_nclx_color_profile_free>>;

// The message lives in the context, so it is copied before the context goes.
static_assert(WorkBitmap::kMaxPixels < std::numeric_limits<int>::max());
constexpr int kMostSide = static_cast<int>(WorkBitmap::kMaxPixels);

void Check(const heif_error& error) {
  if (error.code == heif_error_Ok) return;
  std::string reason = "HEIF: ";
  reason += error.message && *error.message ? error.message : "decoding failed";
  // Some of libheif's messages end in a line break.
  while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back())))
    reason.pop_back();
  throw DecodeError(reason);
}

// ---- Colour ---------------------------------------------------------------------------

struct LcmsContextFree {
  void operator()(cmsContext p) const noexcept { cmsDeleteContext(p); }
};
struct ToneCurveFree {
  void operator()(cmsToneCurve* p) const noexcept { cmsFreeToneCurve(p); }
};
struct ProfileClose {
  void operator()(void* p) const noexcept { cmsCloseProfile(static_cast<cmsHPROFILE>(p)); }
};
struct MluFree {
  void operator()(cmsMLU* p) const noexcept { cmsMLUfree(p); }
};

bool IsChromaticity(float x, float y) {
  return std::isfinite(x) && std::isfinite(y) && x > 0 && y > 0 && x < 1 && y <= 1 && x + y <= 1;
}

// An RGB profile for the nclx primaries and white point with the sRGB tone curve, or empty.
// Its own Little CMS context keeps every call apart from every other.
std::vector<std::uint8_t> ProfileFromNclx(const heif_color_profile_nclx& nclx) {
  const float points[4][2] = {{nclx.color_primary_red_x, nclx.color_primary_red_y},
                              {nclx.color_primary_green_x, nclx.color_primary_green_y},
                              {nclx.color_primary_blue_x, nclx.color_primary_blue_y},
                              {nclx.color_primary_white_x, nclx.color_primary_white_y}};
  for (const auto& p : points) {
    if (!IsChromaticity(p[0], p[1])) return {};
  }
  const std::unique_ptr<std::remove_pointer_t<cmsContext>, LcmsContextFree> context(
      cmsCreateContext(nullptr, nullptr));
  if (!context) return {};
  cmsContext lcms = context.get();

  // The sRGB curve: (a x + b)^2.4 above d, c x below.
  const cmsFloat64Number params[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  const std::unique_ptr<cmsToneCurve, ToneCurveFree> curve(
      cmsBuildParametricToneCurve(lcms, 4, params));
  if (!curve) return {};
  cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
  const cmsCIExyY white = {points[3][0], points[3][1], 1.0};
  const cmsCIExyYTRIPLE primaries = {{points[0][0], points[0][1], 1.0},
                                     {points[1][0], points[1][1], 1.0},
                                     {points[2][0], points[2][1], 1.0}};
  const std::unique_ptr<void, ProfileClose> profile(
      cmsCreateRGBProfileTHR(lcms, &white, &primaries, curves));
  if (!profile) return {};

  // Viewers show the description; Little CMS's own says only that it built the profile.
  const std::unique_ptr<cmsMLU, MluFree> description(cmsMLUalloc(lcms, 1));
  if (!description) return {};
  const char* name = nclx.color_primaries == 12 ? "Display P3" : "RGB from nclx primaries";
  if (!cmsMLUsetASCII(description.get(), "en", "US", name) ||
      !cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description.get())) {
    return {};
  }

  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
  std::vector<std::uint8_t> bytes(size);
  if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size) || size != bytes.size()) return {};
  // Little CMS stamps the header with the time of the call; the output of a source must not
  // depend on when it was reduced, so the date is a fixed one (2000-01-01 00:00:00).
  static constexpr std::uint8_t kDate[12] = {0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
  std::memcpy(bytes.data() + 24, kDate, sizeof kDate);
  if (!IsWellFormedRgbProfile(bytes.data(), bytes.size())) return {};
  return bytes;
}

// A stored ICC profile when it is well formed; otherwise a profile for nclx primaries other
// than BT.709/sRGB (1) or unspecified (2). A damaged ICC profile does not hide a sound nclx
// description beside it. Nothing here fails the load.
std::vector<std::uint8_t> ColourProfile(const HeifFunctions& heif,
                                        const heif_image_handle* handle) {
  const std::size_t rawSize = heif.heif_image_handle_get_raw_color_profile_size(handle);
  if (rawSize > 0) {
    std::vector<std::uint8_t> raw(rawSize);
    if (heif.heif_image_handle_get_raw_color_profile(handle, raw.data()).code == heif_error_Ok &&
        IsWellFormedRgbProfile(raw.data(), raw.size())) {
      return raw;
    }
  }
  heif_color_profile_nclx* nclxOut = nullptr;
  const heif_error error = heif.heif_image_handle_get_nclx_color_profile(handle, &nclxOut);
  const Nclx nclx(nclxOut, {&heif});
  if (error.code != heif_error_Ok || !nclx) return {};
  // PQ and HLG code light far beyond the sRGB curve's white; the 8-bit samples are those
  // codes as they stand, so a profile with the sRGB curve would call them SDR colours they
  // are not. Such a picture carries no profile.
  if (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ ||
      nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG) {
    return {};
  }
  if (nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
      nclx->color_primaries == heif_color_primaries_unspecified) {
    return {};
  }
  return ProfileFromNclx(*nclx);
}

// ---- EXIF -----------------------------------------------------------------------------

// The first Exif block of the image. libheif hands it over as stored: a 4-byte big-endian
// offset to the TIFF header, then the bytes before that header (often "Exif\0\0"), then
// the header. Anything malformed leaves the block out.
std::vector<std::uint8_t> ExifBlock(const HeifFunctions& heif, const heif_image_handle* handle) {
  if (heif.heif_image_handle_get_number_of_metadata_blocks(handle, "Exif") <= 0) return {};
  heif_item_id id = 0;
  if (heif.heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1) return {};
  const std::size_t size = heif.heif_image_handle_get_metadata_size(handle, id);
  if (size < 4 + 8) return {};
  std::vector<std::uint8_t> block(size);
  if (heif.heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
    return {};
  const std::uint64_t offset = (std::uint64_t{block[0]} << 24) | (std::uint64_t{block[1]} << 16) |
                               (std::uint64_t{block[2]} << 8) | block[3];
  if (offset > size - 4 - 8) return {};
  const std::uint8_t* tiff = block.data() + 4 + offset;
  if (std::memcmp(tiff, "II*\0", 4) != 0 && std::memcmp(tiff, "MM\0*", 4) != 0) return {};
  return std::vector<std::uint8_t>(tiff, static_cast<const std::uint8_t*>(block.data()) + size);
}

// ---- Pixels ---------------------------------------------------------------------------

// The primary libheif decodes must be the one whose images were walked.
void CheckPrimary(const HeifFunctions& heif, heif_context* context, const HeifLayout& layout) {
  heif_item_id primary = 0;
  if (heif.heif_context_get_primary_image_ID(context, &primary).code != heif_error_Ok ||
      primary != layout.primary) {
    throw DecodeError("HEIF: the primary image is not the one declared");
  }
}

// Copies a picture of the approved size.
void CopyToBitmap(const HeifFunctions& heif, const heif_image* image, int approvedWidth,
                  int approvedHeight, WorkBitmap& bitmap) {
  const int width = heif.heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif.heif_image_get_height(image, heif_channel_interleaved);
  if (width != approvedWidth || height != approvedHeight) {
    throw DecodeError("HEIF: decoded picture of " + std::to_string(width) + "x" +
                      std::to_string(height) + " instead of " + std::to_string(approvedWidth) +
                      "x" + std::to_string(approvedHeight));
  }
  int stride = 0;
  const std::uint8_t* plane =
      heif.heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  if (width <= 0 || height <= 0 || plane == nullptr ||
      heif.heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8 ||
      stride < 3 * width) {
    throw DecodeError("HEIF decoder gave no 8-bit RGB picture");
  }
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = plane + static_cast<std::size_t>(stride) * y;
    std::uint8_t* out = bitmap.Row(y);
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
}

}  // namespace

void DecodeHeif(const HeifLibrary& library, const std::uint8_t* data, std::size_t size,
                WorkBitmap& bitmap, SourceInfo& info, const LoadRequest& request) {
  if (size == 0) throw DecodeError("HEIF file is empty");
  // Before libheif reads a byte: every size the file declares, against the others and the
  // bounds.
  const HeifLayout layout = ReadHeifLayout(data, size, WorkBitmap::kMaxPixels);
  const HeifFunctions* functions = library.Functions();
  if (functions == nullptr) throw DecodeError("HEIF: " + library.Failure());
  const HeifFunctions& heif = *functions;
  // libheif is set up once, before the first worker uses it, and its decoders are released
  // when the library's owner goes (for the process's own, when the process ends).
  library.Initialize();
  const Context context(heif.heif_context_alloc(), {&heif});
  if (!context) throw std::bad_alloc();
  // libheif's own bound on every side of every image it reads or makes: the longest side a
  // bitmap can have. It is the same for every file; what a file declares is held to it
  // above, never made into libheif's bound, as libheif decodes what no walk of the boxes
  // foresees (thumbnails, layers, derivations of its own).
  heif.heif_context_set_maximum_image_size_limit(context.get(), kMostSide);
  // Tiles of a grid decode on libheif's threads; with one thread to spare, on this one.
  heif.heif_context_set_max_decoding_threads(
      context.get(), request.decoderThreads > 1 ? request.decoderThreads : 0);
  Check(heif.heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr));
  heif_image_handle* handleOut = nullptr;
  const heif_error found = heif.heif_context_get_primary_image_handle(context.get(), &handleOut);
  const Handle handle(handleOut, {&heif});
  Check(found);
  if (!handle) throw DecodeError("HEIF file has no primary image");
  CheckPrimary(heif, context.get(), layout);

  heif_image* imageOut = nullptr;
  const heif_error decoded = heif.heif_decode_image(handle.get(), &imageOut, heif_colorspace_RGB,
                                                    heif_chroma_interleaved_RGB, nullptr);
  const Image image(imageOut, {&heif});
  Check(decoded);
  if (!image) throw DecodeError("HEIF decoder gave no picture");
  CopyToBitmap(heif, image.get(), heif.heif_image_handle_get_width(handle.get()),
               heif.heif_image_handle_get_height(handle.get()), bitmap);

  // The picture is upright now; an EXIF orientation tag must not turn it again.
  info.orientation = 1;
  info.icc = ColourProfile(heif, handle.get());
  info.exif = ExifBlock(heif, handle.get());
}

void DecodeHeif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo& info,
                const LoadRequest& request) {
  DecodeHeif(HeifLibrary::Default(), data, size, bitmap, info, request);
}

void DecodeHeif(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo& info) {
  DecodeHeif(data, size, bitmap, info, LoadRequest{});
}

void LoadHeifImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info,
                   const LoadRequest& request) {
  const auto bytes = ReadWholeFile(path);
  DecodeHeif(bytes.data(), bytes.size(), bitmap, info, request);
}

void LoadHeifImage(const SourceFile& source, WorkBitmap& bitmap, SourceInfo& info,
                   const LoadRequest& request) {
  const auto bytes = ReadWholeFile(source);
  DecodeHeif(bytes.data(), bytes.size(), bitmap, info, request);
}

void LoadHeifImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info) {
  LoadHeifImage(path, bitmap, info, LoadRequest{});
}

}  // namespace brevine
