#include <cstdio>
#include <string>
#include <utility>

#include "codecs.h"
#include "jpeg_private.h"

#include <jerror.h>

namespace brevine {

namespace {

std::string JpegMessage(int code) {
  char text[48];
  std::snprintf(text, sizeof text, "JPEG错误#%d", code);
  return text;
}

}  // namespace

PictureTooLarge::PictureTooLarge(const char* format, std::int64_t width, std::int64_t height,
                                 std::int64_t limit)
    : std::length_error(std::string(format) + ": " + std::to_string(width) + "x" +
                        std::to_string(height) + " pixels, more than the limit of " +
                        std::to_string(limit)) {}

EJPEG::EJPEG(int code, std::string english)
    : DecodeError(JpegMessage(code)), code_(code), english_(std::move(english)) {}

std::string EJPEG::Reason() const {
  if (english_.empty()) return "JPEG error " + std::to_string(code_);
  return english_ + " (JPEG error " + std::to_string(code_) + ")";
}

namespace jpeg_detail {
namespace {

extern "C" {

void ErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  manager->code = manager->pub.msg_code;
  manager->english[0] = '\0';
  if (manager->englishFormat) manager->englishFormat(cinfo, manager->english);
  std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file among them) must never stop a decode, and nothing is
// printed: there is no console to print to in the window. Where the data ended is noted:
// the rows from there on are grey.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF && cinfo->is_decompressor &&
      manager->endedAtRow < 0)
    manager->endedAtRow =
        static_cast<long>(reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline);
}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

}  // extern "C"

}  // namespace

jpeg_error_mgr* InstallErrorManager(JpegErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.englishFormat = manager.pub.format_message;
  manager.endedAtRow = -1;
  manager.pub.error_exit = ErrorExit;
  manager.pub.emit_message = EmitMessage;
  manager.pub.output_message = OutputMessage;
  manager.pub.format_message = FormatMessage;
  manager.pub.reset_error_mgr = ResetErrorManager;
  manager.code = 0;
  return &manager.pub;
}

}  // namespace jpeg_detail
namespace jpeg_detail {

extern "C" {

static void InitSourceNothing(j_decompress_ptr) {}

static void TermSourceNothing(j_decompress_ptr) {}

static void SkipSourceBytes(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    (void)src->fill_input_buffer(cinfo);
  }
  src->next_input_byte += static_cast<std::size_t>(count);
  src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

}  // extern "C"

void AttachSource(j_decompress_ptr cinfo, jpeg_source_mgr& source,
                  boolean (*fill)(j_decompress_ptr)) {
  source.init_source = InitSourceNothing;
  source.fill_input_buffer = fill;
  source.skip_input_data = SkipSourceBytes;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = TermSourceNothing;
  source.bytes_in_buffer = 0;
  source.next_input_byte = nullptr;
  cinfo->src = &source;
}

boolean FillEndOfImage(j_decompress_ptr cinfo) {
  static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}

}  // namespace jpeg_detail

}  // namespace brevine
