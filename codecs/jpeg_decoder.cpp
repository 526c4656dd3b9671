#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "codecs.h"
#include "image_file.h"
#include "jpeg_private.h"
#include "jpeg_stripes.h"
#include "probe.h"

#include <jerror.h>

namespace brevine {

using jpeg_detail::JpegErrorManager;

namespace {

constexpr int kGrayLevels = 236;
// Rows handed to one jpeg_read_scanlines call; batching only saves calls, the rows are
// the same as one at a time.
constexpr int kRowBatch = 16;
// A progressive file may hold any number of scans, each a pass over the whole picture;
// a small file with thousands of empty scans would spin for minutes. Real encoders stay
// far below this.
constexpr int kMaxScans = 500;
// Decompression bombs: a header can announce up to 65500 x 65500 pixels in a few hundred
// bytes. Above this pixel count the file must hold at least one byte per kPixelsPerByte
// pixels before any picture memory is taken. Baseline JPEG cannot code a picture more
// densely than about one byte per 57 pixels (a flat 4:2:0 picture), and real photos need
// one byte per few pixels.
constexpr std::int64_t kBombPixels = 100'000'000;
constexpr std::int64_t kPixelsPerByte = 32;

enum class Form { kColour, kGray, kCmyk };

struct ScanLimit {
  jpeg_progress_mgr pub;
  bool exceeded;
};

extern "C" void CheckScanCount(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    limit->exceeded = true;
    ERREXIT(cinfo, JERR_NOT_COMPILED);
  }
}

// A source that reads the file in blocks as the library asks, so that a photo's bytes
// never stand in memory whole. Past the end of the file it gives what the library's memory
// source gives: an end-of-image marker after a warning, again at every later call, and
// skips work as there, through fill_input_buffer, so the library sees the same bytes.
struct FileSource {
  jpeg_source_mgr pub;  // first, so the library's pointer converts back
  int fd;
  std::uint64_t size;
  std::uint64_t offset;
  int readError;  // errno of a failed read; the library is then stopped
  JOCTET buffer[1 << 16];
};

extern "C" boolean FillFileSource(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  if (src->offset >= src->size) return jpeg_detail::FillEndOfImage(cinfo);
  const std::size_t want = static_cast<std::size_t>(
      std::min<std::uint64_t>(sizeof src->buffer, src->size - src->offset));
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n =
        ::pread(src->fd, src->buffer + got, want - got, static_cast<off_t>(src->offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A file that shrank under us is a read failure, as when it is read whole.
      src->readError = n < 0 ? errno : EIO;
      ERREXIT(cinfo, JERR_FILE_READ);
    }
    got += static_cast<std::size_t>(n);
  }
  src->offset += got;
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = got;
  return TRUE;
}

// Where the compressed bytes come from: memory, or an open file read in blocks.
struct JpegInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  FileSource* file = nullptr;
};

void AttachSource(jpeg_decompress_struct* cinfo, const JpegInput& input) {
  if (input.file == nullptr) {
    jpeg_mem_src(cinfo, input.data, static_cast<unsigned long>(input.size));
    return;
  }
  // As the memory source does for no bytes at all.
  if (input.file->size == 0) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  jpeg_detail::AttachSource(cinfo, input.file->pub, FillFileSource);
}

// ---- setjmp leaves: no object with a destructor lives in these frames ------------------

// With `keepMarkers`, APP1 and APP2 segments stay in the library's pool (cinfo->marker_list)
// until the object is destroyed.
int ReadHeaderLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err, const JpegInput* input,
                   bool keepMarkers) {
  if (setjmp(err->jump)) return jpeg_detail::StoredCode(*err);
  jpeg_create_decompress(cinfo);
  if (keepMarkers) {
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
  }
  AttachSource(cinfo, *input);
  jpeg_read_header(cinfo, TRUE);
  return 0;
}

int StartLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err) {
  if (setjmp(err->jump)) return jpeg_detail::StoredCode(*err);
  jpeg_start_decompress(cinfo);
  return 0;
}

// One batch of rows; the caller hands them on after the leaf has returned, so nothing of
// ours runs while a longjmp may come.
int ReadRowsLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err, JSAMPROW* rows,
                 JDIMENSION want, JDIMENSION* got) {
  if (setjmp(err->jump)) return jpeg_detail::StoredCode(*err);
  *got = jpeg_read_scanlines(cinfo, rows, want);
  return 0;
}

int FinishLeaf(jpeg_decompress_struct* cinfo, JpegErrorManager* err) {
  if (setjmp(err->jump)) return jpeg_detail::StoredCode(*err);
  jpeg_finish_decompress(cinfo);
  return 0;
}

// ---- conversions of the non-colour forms ----------------------------------------------

void GrayIndicesToBgr(const jpeg_decompress_struct* cinfo, const std::uint8_t* in,
                      std::uint8_t* out) {
  const JSAMPROW levels = cinfo->colormap[0];
  for (JDIMENSION x = 0; x < cinfo->output_width; ++x, out += 3) {
    const std::uint8_t v = levels[in[x]];
    out[0] = out[1] = out[2] = v;
  }
}

inline std::uint8_t Product255(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Four-component files are turned into colour rather than refused, by the naive
// subtractive model with black applied to each channel: red = (255 - C)(255 - K) / 255,
// and likewise green from M and blue from Y, rounded to nearest. Adobe applications
// store CMYK inverted (255 = no ink) and mark the file with their APP14 marker, so when
// that marker is present the samples are already 255 - ink and red = C * K / 255. YCCK
// files always carry that marker; the library turns them into (inverted) CMYK first.
void CmykToBgr(const jpeg_decompress_struct* cinfo, const std::uint8_t* in, std::uint8_t* out) {
  const bool inverted = cinfo->saw_Adobe_marker;
  for (JDIMENSION x = 0; x < cinfo->output_width; ++x, in += 4, out += 3) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = Product255(y, k);
    out[1] = Product255(m, k);
    out[2] = Product255(c, k);
  }
}

class Decompressor {
 public:
  Decompressor() { cinfo_.err = jpeg_detail::InstallErrorManager(err_); }
  ~Decompressor() { jpeg_destroy_decompress(&cinfo_); }  // safe on a half-built object
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& Info() { return cinfo_; }

  void ReadHeader(const JpegInput& input, bool keepMarkers = false) {
    input_ = input;
    Check(ReadHeaderLeaf(&cinfo_, &err_, &input_, keepMarkers));
  }
  void Start() { Check(StartLeaf(&cinfo_, &err_)); }
  JDIMENSION ReadRows(JSAMPROW* rows, JDIMENSION want) {
    JDIMENSION got = 0;
    Check(ReadRowsLeaf(&cinfo_, &err_, rows, want, &got));
    return got;
  }
  void Finish() { Check(FinishLeaf(&cinfo_, &err_)); }

  // The output row the data ended at (its rows from there on are grey), or -1.
  long EndedAtRow() const { return err_.endedAtRow; }

  void LimitScans() {
    limit_.pub.progress_monitor = CheckScanCount;
    limit_.exceeded = false;
    cinfo_.progress = &limit_.pub;
  }

 private:
  void Check(int code) {
    if (code == 0) return;
    if (input_.file != nullptr && input_.file->readError != 0)
      throw std::system_error(input_.file->readError, std::generic_category(), "cannot read");
    if (limit_.exceeded) throw DecodeError("too many progressive scans");
    throw EJPEG(code, err_.english);
  }

  jpeg_decompress_struct cinfo_{};
  JpegErrorManager err_{};
  ScanLimit limit_{};
  JpegInput input_;
};

bool StartsWith(const jpeg_saved_marker_ptr m, const char* tag, std::size_t length) {
  return m->data_length >= length && std::memcmp(m->data, tag, length) == 0;
}

// Orientation and EXIF block from the first APP1 "Exif" segment, the profile from the APP2
// segments; read from the saved segments, so the file is walked only once.
SourceInfo InfoFromMarkers(const jpeg_decompress_struct& cinfo) {
  SourceInfo info;
  bool exifSeen = false;
  std::vector<std::pair<const std::uint8_t*, std::size_t>> app2;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && !exifSeen && StartsWith(m, "Exif\0\0", 6)) {
      exifSeen = true;
      const std::uint8_t* tiff = m->data + 6;
      const std::size_t tiffSize = m->data_length - 6;
      info.orientation = ReadTiffOrientation(tiff, tiffSize);
      if (StartsWith(m, "Exif\0\0II*\0", 10) || StartsWith(m, "Exif\0\0MM\0*", 10)) {
        info.exif.assign(tiff, tiff + tiffSize);
      }
    } else if (m->marker == JPEG_APP0 + 2) {
      app2.emplace_back(m->data, m->data_length);
    }
  }
  if (!app2.empty()) info.icc = IccProfileFromSegments(app2);
  return info;
}

// The whole decode: the library's full-size output with block smoothing off, gray
// sources through the one-pass quantizer to 236 levels with Floyd-Steinberg diffusion.
// The sink hears of the picture only once the header has been accepted, `info` once the
// picture has decoded.
// With `threads` above 1, a file whose restart markers allow it is decoded in stripes.
void DecodeInto(const JpegInput& input, RowSink& sink, SourceInfo* info = nullptr,
                int threads = 1) {
  const std::uint64_t size = input.file != nullptr ? input.file->size : input.size;
  Decompressor decompressor;
  jpeg_decompress_struct& cinfo = decompressor.Info();
  decompressor.ReadHeader(input, info != nullptr);
  // The saved segments live in the library's image pool, which the end of the decode frees.
  SourceInfo found;
  if (info != nullptr) found = InfoFromMarkers(cinfo);

  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  cinfo.do_block_smoothing = FALSE;
  Form form;
  switch (cinfo.out_color_space) {
    case JCS_GRAYSCALE:
      form = Form::kGray;
      cinfo.quantize_colors = TRUE;
      cinfo.desired_number_of_colors = kGrayLevels;
      break;
    case JCS_RGB:
      // Red lands in the red byte for YCbCr- and RGB-coded files alike (a test holds it).
      form = Form::kColour;
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
      form = Form::kCmyk;
      break;
    default:
      throw DecodeError("unsupported JPEG colour space");
  }

  const std::int64_t pixels =
      static_cast<std::int64_t>(cinfo.image_width) * static_cast<std::int64_t>(cinfo.image_height);
  if (pixels > WorkBitmap::kMaxPixels)
    throw PictureTooLarge("JPEG", cinfo.image_width, cinfo.image_height, WorkBitmap::kMaxPixels);
  if (pixels > kBombPixels && static_cast<std::int64_t>(size) * kPixelsPerByte < pixels) {
    throw DecodeError("JPEG file too small for its announced size");
  }
  if (threads > 1 && form == Form::kColour && !cinfo.progressive_mode) {
    const jpeg_detail::StripeFrame frame{
        static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
        static_cast<int>(cinfo.jpeg_color_space), found.orientation};
    const bool striped =
        input.file != nullptr
            ? jpeg_detail::DecodeJpegStripes(input.file->fd, input.file->size, frame, sink, threads)
            : jpeg_detail::DecodeJpegStripes(input.data, input.size, frame, sink, threads);
    if (striped) {
      if (info != nullptr) *info = std::move(found);
      return;
    }
  }
  decompressor.LimitScans();
  decompressor.Start();

  const JDIMENSION height = cinfo.output_height;
  sink.Begin(static_cast<int>(cinfo.output_width), static_cast<int>(height), found.orientation);
  // Colour rows go straight to the sink; gray and CMYK rows go through `scratch` and are
  // converted on their way.
  std::vector<std::uint8_t> scratch;
  std::size_t scratchStride = 0;
  void (*convert)(const jpeg_decompress_struct*, const std::uint8_t*, std::uint8_t*) = nullptr;
  if (form != Form::kColour) {
    scratchStride = static_cast<std::size_t>(cinfo.output_width) *
                    static_cast<std::size_t>(cinfo.output_components);
    scratch.resize(scratchStride * kRowBatch);
    convert = form == Form::kGray ? GrayIndicesToBgr : CmykToBgr;
  }
  const JDIMENSION batch = static_cast<JDIMENSION>(std::clamp(sink.MaxRows(), 1, kRowBatch));
  JSAMPROW rows[kRowBatch];
  while (cinfo.output_scanline < height) {
    const JDIMENSION first = cinfo.output_scanline;
    const JDIMENSION want = std::min<JDIMENSION>(batch, height - first);
    const RowSink::Block block = sink.Rows(static_cast<int>(first), static_cast<int>(want), 1);
    for (JDIMENSION i = 0; i < want; ++i) {
      rows[i] = convert != nullptr ? scratch.data() + scratchStride * i
                                   : block.data + block.stride * static_cast<std::ptrdiff_t>(i);
    }
    // The library gives a row group per call (two rows of a 4:2:0 file); the sink takes
    // the whole request at once, which saves a helper thread most of its hand-overs.
    JDIMENSION got = 0;
    while (got < want) {
      const JDIMENSION more = decompressor.ReadRows(rows + got, want - got);
      // A memory source never suspends; a library that returned nothing would loop forever.
      if (more == 0) throw DecodeError("JPEG decoder gave no rows");
      got += more;
    }
    if (convert != nullptr) {
      for (JDIMENSION i = 0; i < got; ++i)
        convert(&cinfo, rows[i], block.data + block.stride * static_cast<std::ptrdiff_t>(i));
    }
    sink.Put(static_cast<int>(first), static_cast<int>(got), 1);
  }
  decompressor.Finish();
  if (const long ended = decompressor.EndedAtRow(); ended >= 0) {
    // The library fills what the data did not reach with grey, and says nothing: say it.
    found.warnings.push_back(cinfo.progressive_mode
                                 ? std::string("ends early: the last scans are missing")
                                 : "ends early: the last " +
                                       std::to_string(height - static_cast<JDIMENSION>(ended)) +
                                       " rows are grey");
  }
  if (info != nullptr) *info = std::move(found);
}

void DecodeInto(const std::uint8_t* data, std::size_t size, WorkBitmap& picture,
                SourceInfo* info = nullptr) {
  BitmapSink sink;
  DecodeInto(JpegInput{data, size, nullptr}, sink, info);
  picture.Swap(sink.Picture());
}

}  // namespace

void TJPEGImage::ReadJpegBytes(std::vector<std::uint8_t> bytes) {
  picture_.Clear();
  hasData_ = true;
  data_ = TJPEGData{};
  data_.bytes = std::move(bytes);
  if (data_.bytes.empty()) return;
  Decompressor decompressor;
  decompressor.ReadHeader(JpegInput{data_.bytes.data(), data_.bytes.size(), nullptr});
  const jpeg_decompress_struct& cinfo = decompressor.Info();
  data_.width = static_cast<int>(cinfo.image_width);
  data_.height = static_cast<int>(cinfo.image_height);
  data_.gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
}

void TJPEGImage::ReadJpegFile(const std::string& path) { ReadJpegBytes(ReadWholeFile(path)); }

void TJPEGImage::DecodeJpeg() {
  WorkBitmap picture;
  DecodeInto(data_.bytes.data(), data_.bytes.size(), picture);
  picture_.Swap(picture);
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap) {
  WorkBitmap picture;
  DecodeInto(data, size, picture);
  bitmap.Swap(picture);
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, WorkBitmap& bitmap, SourceInfo* info) {
  WorkBitmap picture;
  SourceInfo found;
  DecodeInto(data, size, picture, info != nullptr ? &found : nullptr);
  bitmap.Swap(picture);
  if (info != nullptr) *info = std::move(found);
}

void DecodeJpegRows(const std::uint8_t* data, std::size_t size, RowSink& sink, SourceInfo* info,
                    const LoadRequest& request) {
  SourceInfo found;
  DecodeInto(JpegInput{data, size, nullptr}, sink, info != nullptr ? &found : nullptr,
             request.decoderThreads);
  if (info != nullptr) *info = std::move(found);
}

namespace {

// A file read in blocks; the block buffer lives in the source, beside the library's own
// state.
std::unique_ptr<FileSource> OpenSource(const ImageFile& file) {
  auto source = std::make_unique<FileSource>();
  source->fd = file.Descriptor();
  source->size = file.Size();
  source->offset = 0;
  source->readError = 0;
  return source;
}

}  // namespace

namespace probe_detail {

PictureProbe ProbeJpeg(const SourceFile& opened) {
  const ImageFile file(opened);
  const auto source = OpenSource(file);
  Decompressor decompressor;
  decompressor.ReadHeader(JpegInput{nullptr, 0, source.get()}, true);
  const jpeg_decompress_struct& cinfo = decompressor.Info();
  PictureProbe probe;
  probe.width = static_cast<int>(cinfo.image_width);
  probe.height = static_cast<int>(cinfo.image_height);
  probe.streams = true;
  probe.coefficients = cinfo.progressive_mode != 0;
  probe.orientation = InfoFromMarkers(cinfo).orientation;
  // As the stripes see the frame; markers found missing or damaged later only make the
  // decode sequential, so this is what the file may take at most.
  if (!cinfo.progressive_mode && !cinfo.arith_code && cinfo.num_components == 3 &&
      cinfo.comps_in_scan == 3 && cinfo.restart_interval > 0)
    probe.stripeBytes = jpeg_detail::StripeBufferBytes(
        probe.width, probe.height, 8 * cinfo.max_h_samp_factor, 8 * cinfo.max_v_samp_factor,
        static_cast<int>(std::min<unsigned>(cinfo.restart_interval, 65535)));
  return probe;
}

}  // namespace probe_detail

std::uint64_t DecoderThreadBytes(const PictureProbe& probe, int threads) {
  if (threads < 2) return 0;
  return probe.stripeBytes * static_cast<std::uint64_t>(jpeg_detail::StripeBuffers(threads));
}

void LoadJpegRows(const SourceFile& opened, RowSink& sink, SourceInfo& info,
                  const LoadRequest& request) {
  const ImageFile file(opened);
  const auto source = OpenSource(file);
  SourceInfo found;
  try {
    DecodeInto(JpegInput{nullptr, 0, source.get()}, sink, &found, request.decoderThreads);
  } catch (const std::system_error& e) {
    throw std::system_error(e.code(), "cannot read " + opened.name);
  }
  info = std::move(found);
}

void LoadJpegRows(const std::string& path, RowSink& sink, SourceInfo& info) {
  const ImageFile file(path);
  LoadJpegRows(file.Source(), sink, info);
}

void LoadJpegImage(const std::string& path, WorkBitmap& bitmap, SourceInfo& info) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  DecodeJpeg(bytes.data(), bytes.size(), bitmap, &info);
}

void LoadJpegImage(const std::string& path, WorkBitmap& bitmap) {
  TJPEGImage jpeg;
  jpeg.ReadJpegFile(path);
  jpeg.DecodeJpeg();
  bitmap.Swap(jpeg.Picture());
}

}  // namespace brevine
