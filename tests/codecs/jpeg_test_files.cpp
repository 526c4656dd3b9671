#include "jpeg_test_files.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdlib>

namespace brevine::test {
namespace {

struct Failure {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1);
}
extern "C" void Quiet(j_common_ptr, int) {}

bool EncodeLeaf(const LibjpegEncode* how, unsigned char** out, unsigned long* size) {
  jpeg_compress_struct cinfo{};
  Failure err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, size);
  cinfo.image_width = how->width;
  cinfo.image_height = how->height;
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
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(how->samples.data()) +
                   static_cast<std::size_t>(cinfo.next_scanline) * how->width * how->components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool DecodeLeaf(const Bytes* file, J_COLOR_SPACE out, LibjpegImage* image) {
  jpeg_decompress_struct cinfo{};
  Failure err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  err.pub.emit_message = Quiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file->data(), file->size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = out;
  cinfo.do_block_smoothing = FALSE;
  jpeg_start_decompress(&cinfo);
  image->width = cinfo.output_width;
  image->height = cinfo.output_height;
  image->components = cinfo.output_components;
  image->samples.resize(static_cast<std::size_t>(image->width) * image->height * image->components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image->samples.data() + static_cast<std::size_t>(cinfo.output_scanline) *
                                               image->width * image->components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

Bytes EncodeWithLibjpeg(const LibjpegEncode& how) {
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const bool ok = EncodeLeaf(&how, &out, &size);
  Bytes bytes;
  if (ok) bytes.assign(out, out + size);
  std::free(out);
  EXPECT_TRUE(ok) << "libjpeg could not encode the test file";
  return bytes;
}

LibjpegImage DecodeWithLibjpeg(const Bytes& file, J_COLOR_SPACE out) {
  LibjpegImage image;
  EXPECT_TRUE(DecodeLeaf(&file, out, &image)) << "libjpeg could not decode the file";
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
