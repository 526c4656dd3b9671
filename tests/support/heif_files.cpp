#include "heif_files.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

// Every program that makes these files also decodes them, and two system libraries leak
// there, which the leak sanitizer must not count as ours: x265 keeps a little memory per
// bit depth it was started for, and libheif 1.15's dav1d glue keeps the buffer of an AV1
// item that dav1d refuses (a saved fuzz input does that).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265.so\nleak:libdav1d.so\n";
}

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

void PutBe32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint64_t ReadBe(const std::vector<std::uint8_t>& file, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | file.at(at + i);
  return v;
}

void WriteBe(std::vector<std::uint8_t>& file, std::size_t at, int bytes, std::uint64_t v) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) file.at(at + i) = static_cast<std::uint8_t>(v);
}

std::size_t OnlyBox(const std::vector<std::uint8_t>& file, const char* type) {
  const auto found = FindBoxes(file, type);
  if (found.size() != 1) throw std::invalid_argument(std::string("not one ") + type + " box");
  return found[0];
}

// Moves every file offset in iloc (construction method 0) by `shift` bytes.
void ShiftItemLocations(std::vector<std::uint8_t>& file, std::uint32_t shift) {
  std::size_t p = OnlyBox(file, "iloc") + 8;
  const int version = file.at(p);
  p += 4;
  const int offsetSize = file.at(p) >> 4, lengthSize = file.at(p) & 15;
  const int baseSize = file.at(p + 1) >> 4;
  const int indexSize = version >= 1 ? file.at(p + 1) & 15 : 0;
  p += 2;
  const int idSize = version < 2 ? 2 : 4;
  const auto items = ReadBe(file, p, idSize);
  p += idSize;
  for (std::uint64_t i = 0; i < items; ++i) {
    p += idSize;
    int method = 0;
    if (version >= 1) {
      method = static_cast<int>(ReadBe(file, p, 2) & 15);
      p += 2;
    }
    p += 2;  // data reference index
    const std::size_t base = p;
    p += baseSize;
    const auto extents = ReadBe(file, p, 2);
    p += 2;
    if (method == 0 && baseSize > 0)
      WriteBe(file, base, baseSize, ReadBe(file, base, baseSize) + shift);
    for (std::uint64_t e = 0; e < extents; ++e) {
      p += indexSize;
      if (method == 0 && baseSize == 0)
        WriteBe(file, p, offsetSize, ReadBe(file, p, offsetSize) + shift);
      p += offsetSize + lengthSize;
    }
  }
}

}  // namespace

std::vector<std::uint8_t> AddCleanAperture(const std::vector<std::uint8_t>& original, int width,
                                           int height, int dx, int dy) {
  std::vector<std::uint8_t> file = original;
  const std::size_t meta = OnlyBox(file, "meta");
  const std::size_t iprp = OnlyBox(file, "iprp");
  const std::size_t ipco = OnlyBox(file, "ipco");
  const std::size_t ipma = OnlyBox(file, "ipma");
  const std::size_t pitm = OnlyBox(file, "pitm");
  const std::uint64_t primary = ReadBe(file, pitm + 12, file.at(pitm + 8) == 0 ? 2 : 4);

  // The new property's index: one past the properties in ipco.
  int properties = 0;
  const std::size_t ipcoEnd = ipco + Be32(&file[ipco]);
  for (std::size_t q = ipco + 8; q < ipcoEnd; q += Be32(&file[q])) ++properties;
  const int index = properties + 1;

  // The association goes in first: it lies behind the insertion into ipco.
  const int version = file.at(ipma + 8);
  const bool wideIndex = file.at(ipma + 11) & 1;
  const int idSize = version < 1 ? 2 : 4;
  std::size_t p = ipma + 12;
  const auto entries = ReadBe(file, p, 4);
  p += 4;
  std::size_t added = 0;
  for (std::uint64_t e = 0; e < entries; ++e) {
    const auto item = ReadBe(file, p, idSize);
    p += idSize;
    const int count = file.at(p);
    const std::size_t countAt = p;
    p += 1 + static_cast<std::size_t>(count) * (wideIndex ? 2 : 1);
    if (item != primary) continue;
    if (count == 255) throw std::invalid_argument("no room for another property");
    file[countAt] = static_cast<std::uint8_t>(count + 1);
    std::vector<std::uint8_t> association;
    if (wideIndex) {
      association = {static_cast<std::uint8_t>(0x80 | (index >> 8)),
                     static_cast<std::uint8_t>(index)};
    } else {
      association = {static_cast<std::uint8_t>(0x80 | index)};
    }
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(p), association.begin(),
                association.end());
    added = association.size();
    break;
  }
  if (added == 0) throw std::invalid_argument("primary item has no properties");
  PutBe32(file, ipma, Be32(&file[ipma]) + static_cast<std::uint32_t>(added));

  std::vector<std::uint8_t> clap(40, 0);
  PutBe32(clap, 0, 40);
  std::memcpy(&clap[4], "clap", 4);
  const std::int32_t values[8] = {width, 1, height, 1, dx, 1, dy, 1};
  for (int i = 0; i < 8; ++i) PutBe32(clap, 8 + 4 * i, static_cast<std::uint32_t>(values[i]));
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(ipcoEnd), clap.begin(), clap.end());
  const auto grown = static_cast<std::uint32_t>(added + clap.size());
  PutBe32(file, ipco, Be32(&file[ipco]) + static_cast<std::uint32_t>(clap.size()));
  PutBe32(file, iprp, Be32(&file[iprp]) + grown);
  PutBe32(file, meta, Be32(&file[meta]) + grown);
  // The picture data behind meta moved.
  if (OnlyBox(file, "iloc") > iprp) throw std::invalid_argument("iloc after iprp");
  ShiftItemLocations(file, grown);
  return file;
}

namespace {

// The picture as a libheif image, RGB or one grey channel.
std::unique_ptr<heif_image, ImageRelease> MakeImage(const HeifPicture& picture, bool monochrome) {
  const bool wide = picture.depth > 8;
  const int channels = picture.alpha ? 4 : 3;
  const std::size_t perRow = static_cast<std::size_t>(picture.width) * channels;
  if (picture.samples.size() != perRow * picture.height) {
    throw std::invalid_argument("sample count does not match the size");
  }
  const heif_chroma chroma =
      monochrome ? heif_chroma_monochrome
      : wide     ? (picture.alpha ? heif_chroma_interleaved_RRGGBBAA_LE
                                  : heif_chroma_interleaved_RRGGBB_LE)
                 : (picture.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* imageOut = nullptr;
  Check(heif_image_create(picture.width, picture.height,
                          monochrome ? heif_colorspace_monochrome : heif_colorspace_RGB, chroma,
                          &imageOut));
  std::unique_ptr<heif_image, ImageRelease> image(imageOut);
  const heif_channel channel = monochrome ? heif_channel_Y : heif_channel_interleaved;
  Check(heif_image_add_plane(image.get(), channel, picture.width, picture.height, picture.depth));
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(image.get(), channel, &stride);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = plane + static_cast<std::size_t>(stride) * y;
    if (monochrome) {
      for (int x = 0; x < picture.width; ++x) {
        const std::uint16_t* s =
            &picture.samples[perRow * y + static_cast<std::size_t>(x) * channels];
        const auto v = static_cast<std::uint16_t>((s[0] + s[1] + s[2]) / 3);
        if (wide) {
          row[2 * x] = static_cast<std::uint8_t>(v);
          row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        } else {
          row[x] = static_cast<std::uint8_t>(v);
        }
      }
      continue;
    }
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
  return image;
}

HeifPicture UpsideDown(const HeifPicture& picture) {
  HeifPicture turned = picture;
  const std::size_t perRow = picture.samples.size() / static_cast<std::size_t>(picture.height);
  for (int y = 0; y < picture.height; ++y) {
    std::copy_n(&picture.samples[perRow * (picture.height - 1 - y)], perRow,
                &turned.samples[perRow * y]);
  }
  return turned;
}

}  // namespace

std::vector<std::uint8_t> EncodeHeif(const HeifPicture& picture, const HeifOptions& options) {
  // Once for the process, as the decoder does.
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
  const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  heif_encoder* encoderOut = nullptr;
  Check(heif_context_get_encoder_for_format(
      context.get(), options.av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoderOut));
  const std::unique_ptr<heif_encoder, EncoderRelease> encoder(encoderOut);
  Check(heif_encoder_set_lossy_quality(encoder.get(), options.quality));

  const auto image = MakeImage(picture, options.monochrome);
  if (!options.icc.empty()) {
    Check(heif_image_set_raw_color_profile(image.get(), "prof", options.icc.data(),
                                           options.icc.size()));
  }
  if (options.nclxPrimaries != 0) {
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(heif_nclx_color_profile_alloc());
    Check(heif_nclx_color_profile_set_color_primaries(
        nclx.get(), static_cast<std::uint16_t>(options.nclxPrimaries)));
    nclx->transfer_characteristics =
        static_cast<heif_transfer_characteristics>(options.nclxTransfer);
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
  if (options.thumbnail > 0) {
    heif_image_handle* thumbnail = nullptr;
    Check(heif_context_encode_thumbnail(context.get(), image.get(), handle, encoder.get(),
                                        encoding.get(), options.thumbnail, &thumbnail));
    if (thumbnail) heif_image_handle_release(thumbnail);
  }
  for (int i = 0; i < options.moreImages; ++i) {
    const auto other = MakeImage(UpsideDown(picture), options.monochrome);
    heif_image_handle* more = nullptr;
    Check(heif_context_encode_image(context.get(), other.get(), encoder.get(), encoding.get(),
                                    &more));
    heif_image_handle_release(more);
  }
  // The first image stays the primary one.
  Check(heif_context_set_primary_image(context.get(), handle));
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

void SetGridCanvas(std::vector<std::uint8_t>& file, int width, int height) {
  // Version, flags, rows - 1, columns - 1, 16-bit width and height.
  const std::size_t grid = OnlyBox(file, "idat") + 8;
  if ((file.at(grid + 1) & 1) != 0) throw std::invalid_argument("grid with 32-bit sizes");
  WriteBe(file, grid + 4, 2, static_cast<std::uint64_t>(width));
  WriteBe(file, grid + 6, 2, static_cast<std::uint64_t>(height));
}

void SetIspe(std::vector<std::uint8_t>& file, std::size_t index, std::uint32_t width,
             std::uint32_t height) {
  const std::size_t at = FindBoxes(file, "ispe").at(index);
  PutBe32(file, at + 12, width);
  PutBe32(file, at + 16, height);
}

void AppendFreeBox(std::vector<std::uint8_t>& file, std::size_t bytes) {
  if (bytes < 8) throw std::invalid_argument("a box takes at least 8 bytes");
  const std::size_t at = file.size();
  file.resize(at + bytes, 0);
  PutBe32(file, at, static_cast<std::uint32_t>(bytes));
  std::memcpy(&file[at + 4], "free", 4);
}

std::vector<std::uint8_t> RewrittenGrid(std::uint32_t canvasWidth, std::uint32_t canvasHeight,
                                        std::uint32_t width, std::uint32_t height,
                                        std::uint32_t tileWidth, std::uint32_t tileHeight) {
  static const std::vector<std::uint8_t> small = EncodeHeif(Quadrants(48, 32));
  std::vector<std::uint8_t> file = small;
  // libheif's encoder lists the tile's ispe (64 x 64) before the grid's (48 x 32).
  const auto ispe = FindBoxes(file, "ispe");
  if (ispe.size() != 2 || Be32(&file[ispe[0] + 12]) != 64 || Be32(&file[ispe[1] + 12]) != 48) {
    throw std::invalid_argument("not a grid of one 64 x 64 tile");
  }
  SetGridCanvas(file, static_cast<int>(canvasWidth), static_cast<int>(canvasHeight));
  SetIspe(file, 1, width, height);
  SetIspe(file, 0, tileWidth, tileHeight);
  return file;
}

}  // namespace brevine::test
