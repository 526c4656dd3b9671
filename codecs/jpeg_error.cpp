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
}  // namespace brevine
