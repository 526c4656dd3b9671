#include <cstring>
#include <memory>
#include <stdexcept>

#include "codecs.h"
#include "file_system.h"
#include "jpeg_private.h"

#include <jerror.h>

namespace brevine {

using jpeg_detail::JpegErrorManager;

namespace {

constexpr std::size_t kBlockSize = 4096;

// Appends everything the library emits to the stored bytes, one block at a time.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
  JOCTET block[kBlockSize];
};

bool AppendBlock(VectorDestination* dest, std::size_t count) noexcept {
  try {
    dest->out->insert(dest->out->end(), dest->block, dest->block + count);
    return true;
  } catch (...) {
    return false;
  }
}

extern "C" {

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->block;
  dest->pub.free_in_buffer = kBlockSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  // The append reports failure instead of throwing: a bad_alloc must not unwind through
  // the library. The library's own out-of-memory error takes the longjmp instead.
  if (!AppendBlock(dest, kBlockSize)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->block;
  dest->pub.free_in_buffer = kBlockSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  if (!AppendBlock(dest, kBlockSize - dest->pub.free_in_buffer)) {
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  }
}

}  // extern "C"

struct EncodeJob {
  const std::uint8_t* pixels;
  std::size_t stride;
  int width;
  int height;
  int quality;
  bool gray;
  bool progressive;
  const JpegMarker* markers;
  std::size_t markerCount;
};

// The setjmp leaf: nothing here has a destructor. Returns 0 or the library's code.
int CompressLeaf(jpeg_compress_struct* cinfo, JpegErrorManager* err, VectorDestination* dest,
                 const EncodeJob* job) {
  if (setjmp(err->jump)) return jpeg_detail::StoredCode(*err);
  jpeg_create_compress(cinfo);
  if (job->width == 0 || job->height == 0) return 0;
  cinfo->dest = &dest->pub;
  cinfo->image_width = static_cast<JDIMENSION>(job->width);
  cinfo->image_height = static_cast<JDIMENSION>(job->height);
  cinfo->input_components = 3;
  // The bitmap's blue-green-red rows go in as they are. libjpeg-turbo's BGR input runs
  // the same colour conversion as RGB input with the bytes swapped, so the output bytes
  // are those of RGB rows (a test holds this).
  cinfo->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, job->quality, TRUE);
  if (job->gray) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
  if (job->progressive) jpeg_simple_progression(cinfo);
  jpeg_start_compress(cinfo, TRUE);
  for (std::size_t i = 0; i < job->markerCount; ++i) {
    const JpegMarker& m = job->markers[i];
    jpeg_write_marker(cinfo, m.code, m.data.data(), static_cast<unsigned>(m.data.size()));
  }
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(job->pixels + job->stride * cinfo->next_scanline);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return 0;
}

class Compressor {
 public:
  Compressor() { cinfo_.err = jpeg_detail::InstallErrorManager(err_); }
  ~Compressor() { jpeg_destroy_compress(&cinfo_); }  // safe on a half-built object
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  int Run(VectorDestination& dest, const EncodeJob& job) {
    return CompressLeaf(&cinfo_, &err_, &dest, &job);
  }
  // The library's English text of the error that ended Run.
  const char* English() const { return err_.english; }

 private:
  jpeg_compress_struct cinfo_{};
  JpegErrorManager err_{};
};

}  // namespace

std::size_t MarkerBytes(const std::vector<JpegMarker>& markers) {
  std::size_t total = 0;
  for (const JpegMarker& m : markers) total += 4 + m.data.size();
  return total;
}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::TakeBitmap(const WorkBitmap& bitmap) {
  hasData_ = false;
  data_ = TJPEGData{};
  // Marked absent while copying: a copy that runs out of memory leaves no half-made
  // source behind for a later encode to read.
  hasSource_ = false;
  source_.Assign(bitmap);
  hasSource_ = true;
}

void TJPEGImage::EncodeJpeg() { EncodeFrom(hasSource_ ? &source_ : nullptr); }

void TJPEGImage::EncodeBitmap(const WorkBitmap& bitmap) {
  hasSource_ = false;
  source_.Clear();
  EncodeFrom(&bitmap);
}

void TJPEGImage::EncodeFrom(const WorkBitmap* source) {
  for (const JpegMarker& m : markers_) {
    if (m.data.size() > 65533) throw std::length_error("JPEG marker segment too long");
  }
  data_ = TJPEGData{};
  hasData_ = true;
  const bool empty = source == nullptr || source->Empty();
  // Room for any likely result at once: growing by copies would touch fresh memory again
  // and again, and untouched room costs nothing.
  if (!empty) {
    data_.bytes.reserve(MarkerBytes(markers_) + kBlockSize + source->ByteCount() / 2);
  }
  EncodeJob job{};
  if (!empty) {
    job.pixels = source->Data();
    job.stride = source->Stride();
    job.width = source->Width();
    job.height = source->Height();
    data_.width = job.width;
    data_.height = job.height;
    data_.gray = grayOutput_;
  }
  job.quality = quality_;
  job.gray = grayOutput_;
  job.progressive = progressive_;
  job.markers = markers_.data();
  job.markerCount = markers_.size();

  auto dest = std::make_unique<VectorDestination>();
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->out = &data_.bytes;

  int code;
  std::string english;
  {
    Compressor compressor;
    code = compressor.Run(*dest, job);
    if (code != 0) english = compressor.English();
  }
  if (code != 0) {
    // An incomplete stream is never kept: a later write would otherwise store half a file.
    data_ = TJPEGData{};
    hasData_ = false;
    throw EJPEG(code, std::move(english));
  }
}

std::vector<std::uint8_t> TJPEGImage::TakeBytes() {
  std::vector<std::uint8_t> bytes = std::move(data_.bytes);
  data_ = TJPEGData{};
  hasData_ = false;
  return bytes;
}

void TJPEGImage::WriteJpegFile(const std::string& path) {
  if (!hasData_) EncodeJpeg();
  platform::WriteFileAtomic(path, data_.bytes.data(), data_.bytes.size());
}

}  // namespace brevine
