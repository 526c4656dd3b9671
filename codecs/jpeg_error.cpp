#include <cstdio>
#include <string>

#include "codecs.h"
#include "jpeg_private.h"

namespace brevine {

namespace {

std::string JpegMessage(int code) {
  char text[48];
  std::snprintf(text, sizeof text, "JPEG错误#%d", code);
  return text;
}

}  // namespace

EJPEG::EJPEG(int code) : DecodeError(JpegMessage(code)), code_(code) {}

namespace jpeg_detail {
namespace {

extern "C" {

void ErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  manager->code = manager->pub.msg_code;
  std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file among them) must never stop a decode, and nothing is
// printed: there is no console to print to in the window.
void EmitMessage(j_common_ptr, int) {}
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
