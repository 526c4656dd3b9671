#pragma once
// LibRaw, opened when the first camera raw is read, as libheif is: most runs read no raw,
// and the library is large. libraw.h still declares what is called, so the pointers below
// carry its types. A library that cannot be opened, or lacks a function, gives a reason
// instead of functions; the raw decoder raises it as its failure.

#include <libraw/libraw.h>

#include <string>

namespace brevine {

#define BREVINE_RAW_FUNCTIONS(X) \
  X(libraw_init)                 \
  X(libraw_close)                \
  X(libraw_open_buffer)          \
  X(libraw_unpack)               \
  X(libraw_unpack_thumb)         \
  X(libraw_dcraw_process)        \
  X(libraw_dcraw_make_mem_image) \
  X(libraw_dcraw_clear_mem)      \
  X(libraw_strerror)

struct RawFunctions {
#define BREVINE_RAW_POINTER(name) decltype(&::name) name = nullptr;
  BREVINE_RAW_FUNCTIONS(BREVINE_RAW_POINTER)
#undef BREVINE_RAW_POINTER
};

class RawLibrary {
 public:
  // The thread-safe build: every file has its own LibRaw object.
  static constexpr char kSoname[] = "libraw_r.so.20";

  explicit RawLibrary(const char* soname);
  RawLibrary(const RawLibrary&) = delete;
  RawLibrary& operator=(const RawLibrary&) = delete;

  // The process's LibRaw, opened on the first call and read-only after it.
  static const RawLibrary& Default();

  const RawFunctions* Functions() const { return complete_ ? &functions_ : nullptr; }
  const std::string& Failure() const { return failure_; }
  // LibRaw develops on OpenMP threads, as many as there are cores unless the calling thread
  // says otherwise; this sets the calling thread's count (nothing without OpenMP).
  void SetThreads(int count) const {
    if (setThreads_ != nullptr) setThreads_(count);
  }

 private:
  RawFunctions functions_;
  void (*setThreads_)(int) = nullptr;
  bool complete_ = false;
  std::string failure_;
};

}  // namespace brevine
