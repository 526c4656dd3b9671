#include "libjpeg_reference.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace brevine::test {
namespace {

struct Failure {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1);
}
extern "C" void QuietOutput(j_common_ptr) {}
extern "C" void QuietEmit(j_common_ptr, int) {}

void InstallQuietJump(jpeg_error_mgr* pub, Failure* err) {
  jpeg_std_error(pub);
  err->pub.error_exit = JumpOnError;
  err->pub.output_message = QuietOutput;
  err->pub.emit_message = QuietEmit;
}

int Code(const Failure& err) { return err.pub.msg_code != 0 ? err.pub.msg_code : -1; }

// Returns 0 or the library's message code; the caller frees *out (jpeg_mem_dest's malloc).
int EncodeLeaf(const LibjpegEncode* how, unsigned char** out, unsigned long* size) {
  jpeg_compress_struct cinfo{};
  Failure err;
  InstallQuietJump(&err.pub, &err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return Code(err);
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, size);
  cinfo.image_width = static_cast<JDIMENSION>(how->width);
  cinfo.image_height = static_cast<JDIMENSION>(how->height);
  cinfo.input_components = how->components;
  cinfo.in_color_space = how->inSpace;
  jpeg_set_defaults(&cinfo);
  if (how->fileSpace != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, how->fileSpace);
  if (!how->adobeMarker) cinfo.write_Adobe_marker = FALSE;
  jpeg_set_quality(&cinfo, how->quality, TRUE);
  if (how->progressive) jpeg_simple_progression(&cinfo);
  if (!how->scans.empty()) {
    cinfo.scan_info = how->scans.data();
    cinfo.num_scans = static_cast<int>(how->scans.size());
  }
  if (how->lumaH > 0) {
    cinfo.comp_info[0].h_samp_factor = how->lumaH;
    cinfo.comp_info[0].v_samp_factor = how->lumaV;
    for (int c = 1; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  }
  cinfo.restart_interval = static_cast<unsigned>(how->restartInterval);
  cinfo.restart_in_rows = how->restartInRows;
  jpeg_start_compress(&cinfo, TRUE);
  if (how->orientation > 0) {
    // "Exif\0\0", a little-endian TIFF header and IFD0 with the one Orientation tag.
    const JOCTET exif[] = {'E', 'x',  'i',  'f', 0,
                           0,   'I',  'I',  42,  0,
                           8,   0,    0,    0,   1,
                           0,   0x12, 0x01, 3,   0,
                           1,   0,    0,    0,   static_cast<JOCTET>(how->orientation),
                           0,   0,    0,    0,   0,
                           0,   0};
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif, sizeof exif);
  }
  const std::size_t stride = static_cast<std::size_t>(how->width) * how->components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(how->samples.data()) + cinfo.next_scanline * stride;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

// Returns 0 or the library's message code (-1 when the rows' buffer cannot be had). The
// buffer is malloc'd once the header is read, as any caller of the library must, and handed
// back through *pixels also on failure.
int DecodeLeaf(const std::uint8_t* data, std::size_t size, const LibjpegDecode* how,
               LibjpegImage* image, std::uint8_t** pixels) {
  jpeg_decompress_struct cinfo{};
  Failure err;
  InstallQuietJump(&err.pub, &err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return Code(err);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  cinfo.do_block_smoothing = FALSE;
  if (how->out != JCS_UNKNOWN) cinfo.out_color_space = how->out;
  if (how->likeTheLoader) {
    if (cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
    if (cinfo.out_color_space == JCS_GRAYSCALE) {
      cinfo.quantize_colors = TRUE;
      cinfo.desired_number_of_colors = 236;
    }
  }
  jpeg_start_decompress(&cinfo);
  image->width = static_cast<int>(cinfo.output_width);
  image->height = static_cast<int>(cinfo.output_height);
  image->components = cinfo.output_components;
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) *
                             static_cast<std::size_t>(cinfo.output_components);
  *pixels = static_cast<std::uint8_t*>(std::malloc(stride * cinfo.output_height));
  if (*pixels == nullptr) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  JSAMPROW rows[16];
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION want = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
    for (JDIMENSION i = 0; i < want; ++i) rows[i] = *pixels + stride * (cinfo.output_scanline + i);
    jpeg_read_scanlines(&cinfo, rows, want);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

[[noreturn]] void Raise(const char* what, int code) {
  throw std::runtime_error(std::string("libjpeg could not ") + what + ": error " +
                           std::to_string(code));
}

}  // namespace

Bytes EncodeWithLibjpeg(const LibjpegEncode& how) {
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int code = EncodeLeaf(&how, &out, &size);
  Bytes bytes;
  if (code == 0) bytes.assign(out, out + size);
  std::free(out);
  if (code != 0) Raise("encode the test file", code);
  return bytes;
}

Bytes EncodeBitmapWithLibjpeg(const WorkBitmap& bitmap, int quality, bool gray, bool progressive) {
  LibjpegEncode how;
  how.width = bitmap.Width();
  how.height = bitmap.Height();
  how.fileSpace = gray ? JCS_GRAYSCALE : JCS_UNKNOWN;
  how.quality = quality;
  how.progressive = progressive;
  how.samples.resize(static_cast<std::size_t>(how.width) * how.height * 3);
  std::uint8_t* rgb = how.samples.data();
  for (int y = 0; y < how.height; ++y) {
    const std::uint8_t* bgr = bitmap.Row(y);
    for (int x = 0; x < how.width; ++x, rgb += 3) {
      rgb[0] = bgr[3 * x + 2];
      rgb[1] = bgr[3 * x + 1];
      rgb[2] = bgr[3 * x];
    }
  }
  return EncodeWithLibjpeg(how);
}

LibjpegImage DecodeWithLibjpeg(const std::uint8_t* data, std::size_t size,
                               const LibjpegDecode& how) {
  LibjpegImage image;
  std::uint8_t* pixels = nullptr;
  const int code = DecodeLeaf(data, size, &how, &image, &pixels);
  image.pixels.reset(pixels);
  if (code != 0) Raise("decode the file", code);
  return image;
}

std::vector<Segment> Segments(const Bytes& file) {
  std::vector<Segment> segments;
  std::size_t i = 2;  // after SOI
  while (i + 1 < file.size()) {
    if (file[i] != 0xFF) {
      ++i;  // entropy-coded data
      continue;
    }
    const std::uint8_t marker = file[i + 1];
    if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7)) {
      i += marker == 0xFF ? 1 : 2;  // stuffing, fill byte or restart marker
      continue;
    }
    if (marker == 0xD9) {
      segments.push_back({marker, {}});
      break;
    }
    if (i + 3 >= file.size()) break;
    const std::size_t length = file[i + 2] << 8 | file[i + 3];
    const std::size_t end = std::min(file.size(), i + 2 + length);
    segments.push_back({marker, Bytes(file.begin() + i + 4, file.begin() + end)});
    i = end;
  }
  return segments;
}

int CountMarker(const Bytes& file, std::uint8_t marker) {
  int n = 0;
  for (const Segment& s : Segments(file)) n += s.marker == marker;
  return n;
}

}  // namespace brevine::test
