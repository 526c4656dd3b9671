#pragma once
// Shared by the JPEG encoder and decoder: the error manager and the rules for talking to
// libjpeg without letting a C++ exception or a destructor meet a longjmp.
//
// Every library call sits in a small C-style leaf function that holds the setjmp and no
// object with a destructor. The leaf returns 0 or the library's message code; the C++
// caller raises EJPEG after the leaf has returned.

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace brevine::jpeg_detail {

struct JpegErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer converts back
  std::jmp_buf jump;
  int code;
  // The library's own English text of the error, made by its standard formatter.
  void (*englishFormat)(j_common_ptr, char*);
  char english[JMSG_LENGTH_MAX];
  // A decode whose data ended early: the output row it had reached (-1: it did not end early).
  long endedAtRow;
};

// Installs the hooks: errors store the code and jump back to `jump`; warnings, trace
// and message output do nothing.
jpeg_error_mgr* InstallErrorManager(JpegErrorManager& manager);

// ---- sources: what the decoder's data sources share ------------------------------------

// Sets up `source` as a library data source that takes its bytes from `fill` and skips
// through it; no bytes in hand yet, nothing to do at the start or the end.
void AttachSource(j_decompress_ptr cinfo, jpeg_source_mgr& source,
                  boolean (*fill)(j_decompress_ptr));

// What the library's memory source gives past the end of the data, and what a source's
// `fill` gives there too: a warning and an end-of-image marker, again at every call.
boolean FillEndOfImage(j_decompress_ptr cinfo);

// Library message codes are never 0, so 0 can mean success in the leaves.
inline int StoredCode(const JpegErrorManager& manager) {
  return manager.code != 0 ? manager.code : -1;
}

}  // namespace brevine::jpeg_detail
