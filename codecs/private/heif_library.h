#pragma once
// libheif, opened when the first HEIF or AVIF file is read or the first AVIF result written.
// Linked at start-up, the library and the codecs it brings (libde265, x265, libaom, dav1d)
// cost every run milliseconds of mapping and relocation, though most runs read only JPEGs.
// libheif's header still declares what is called, so the pointers below carry its types.
//
// A library that cannot be opened, or lacks a function, gives a reason instead of
// functions; the HEIF decoder and the AVIF encoder raise it as their own failure.

#include <libheif/heif.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "codecs.h"

namespace brevine {

// Every libheif function the codecs call; the table and its look-up are made from this list.
#define BREVINE_HEIF_FUNCTIONS(X)                     \
  X(heif_init)                                        \
  X(heif_deinit)                                      \
  X(heif_context_alloc)                               \
  X(heif_context_free)                                \
  X(heif_context_set_maximum_image_size_limit)        \
  X(heif_context_set_max_decoding_threads)            \
  X(heif_context_read_from_memory_without_copy)       \
  X(heif_context_get_primary_image_ID)                \
  X(heif_context_get_primary_image_handle)            \
  X(heif_context_get_encoder_for_format)              \
  X(heif_context_encode_image)                        \
  X(heif_context_set_primary_image)                   \
  X(heif_context_add_exif_metadata)                   \
  X(heif_context_write)                               \
  X(heif_image_handle_release)                        \
  X(heif_image_handle_get_width)                      \
  X(heif_image_handle_get_height)                     \
  X(heif_image_handle_get_raw_color_profile_size)     \
  X(heif_image_handle_get_raw_color_profile)          \
  X(heif_image_handle_get_nclx_color_profile)         \
  X(heif_image_handle_get_number_of_metadata_blocks)  \
  X(heif_image_handle_get_list_of_metadata_block_IDs) \
  X(heif_image_handle_get_metadata_size)              \
  X(heif_image_handle_get_metadata)                   \
  X(heif_decode_image)                                \
  X(heif_image_create)                                \
  X(heif_image_release)                               \
  X(heif_image_add_plane)                             \
  X(heif_image_get_width)                             \
  X(heif_image_get_height)                            \
  X(heif_image_get_plane)                             \
  X(heif_image_get_plane_readonly)                    \
  X(heif_image_get_bits_per_pixel_range)              \
  X(heif_image_set_raw_color_profile)                 \
  X(heif_nclx_color_profile_alloc)                    \
  X(heif_nclx_color_profile_free)                     \
  X(heif_encoder_release)                             \
  X(heif_encoder_set_lossy_quality)                   \
  X(heif_encoder_set_logging_level)                   \
  X(heif_encoding_options_alloc)                      \
  X(heif_encoding_options_free)

// Each function of the opened library under its own name: heif->heif_context_alloc().
struct HeifFunctions {
#define BREVINE_HEIF_POINTER(name) decltype(&::name) name = nullptr;
  BREVINE_HEIF_FUNCTIONS(BREVINE_HEIF_POINTER)
#undef BREVINE_HEIF_POINTER
};

class HeifLibrary {
 public:
  static constexpr char kSoname[] = "libheif.so.1";

  // Opens the library of that name and looks up every function; a missing one raises
  // nothing but leaves Failure(). A complete library stays mapped until the process ends,
  // as libheif's codecs may leave threads and exit handlers behind.
  explicit HeifLibrary(const char* soname);
  // heif_deinit, when Initialize ran heif_init.
  ~HeifLibrary();
  HeifLibrary(const HeifLibrary&) = delete;
  HeifLibrary& operator=(const HeifLibrary&) = delete;

  // The process's libheif.so.1, opened on the first call and read-only after it; its
  // heif_deinit runs as the process ends.
  static const HeifLibrary& Default();

  // Every function, or nullptr when the library or one of its functions is missing.
  const HeifFunctions* Functions() const { return complete_ ? &functions_ : nullptr; }
  // Why Functions() is null: "libheif (NAME) cannot be opened: ..." or "... lacks F".
  const std::string& Failure() const { return failure_; }
  // heif_init, once, before the first decode (Functions() must be non-null).
  void Initialize() const;

 private:
  HeifFunctions functions_;
  bool complete_ = false;
  std::string failure_;
  mutable std::once_flag initialized_;
  mutable bool needsDeinit_ = false;
};

// A unique_ptr deleter that releases a libheif object through the table:
// HeifRelease<&HeifFunctions::heif_context_free>{heif}.
template <auto Release>
struct HeifRelease {
  const HeifFunctions* heif;
  template <typename T>
  void operator()(T* p) const noexcept {
    (heif->*Release)(p);
  }
};

// DecodeHeif and EncodeAvif through a given library; the public ones use Default().
void DecodeHeif(const HeifLibrary& library, const std::uint8_t* data, std::size_t size,
                WorkBitmap& bitmap, SourceInfo& info, const LoadRequest& request);
std::vector<std::uint8_t> EncodeAvif(const HeifLibrary& library, const WorkBitmap& bitmap,
                                     int quality, bool gray, const ResultMetadata& metadata);

}  // namespace brevine
