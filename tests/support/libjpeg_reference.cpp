#include "libjpeg_reference.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <jpeglib.h>
}

namespace brevine::test {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void ExitByJump(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
extern "C" void Quiet(j_common_ptr) {}

// C-style leaf; the caller owns *out (malloc'd by jpeg_mem_dest) and frees it.
int EncodeLeaf(const WorkBitmap* bitmap, int quality, bool gray, bool progressive,
               unsigned char** out, unsigned long* outSize, unsigned char* row) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ExitByJump;
  err.pub.output_message = Quiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return err.pub.msg_code != 0 ? err.pub.msg_code : -1;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap->Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap->Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* src = bitmap->Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < bitmap->Width(); ++x) {
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

}  // namespace

std::vector<std::uint8_t> LibjpegEncode(const WorkBitmap& bitmap, int quality, bool gray,
                                        bool progressive) {
  std::vector<unsigned char> row(bitmap.Stride() + 3);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int code = EncodeLeaf(&bitmap, quality, gray, progressive, &out, &size, row.data());
  std::vector<std::uint8_t> bytes;
  if (code == 0) bytes.assign(out, out + size);
  std::free(out);
  if (code != 0) throw std::runtime_error("libjpeg error " + std::to_string(code));
  return bytes;
}

}  // namespace brevine::test
