#include "raw_library.h"

#include <dlfcn.h>

#include "library_opener.h"

namespace brevine {

RawLibrary::RawLibrary(const char* soname) {
  LibraryOpener opener("LibRaw", soname);
#define BREVINE_RAW_LOOK_UP(function) opener.Find(functions_.function, #function)&&
  complete_ = BREVINE_RAW_FUNCTIONS(BREVINE_RAW_LOOK_UP) true;
#undef BREVINE_RAW_LOOK_UP
  failure_ = opener.Failure();
  if (!complete_) return;
  // The OpenMP runtime LibRaw brought with it, if any; it stays mapped with LibRaw.
  if (void* omp = ::dlopen("libgomp.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) {
    setThreads_ = reinterpret_cast<void (*)(int)>(::dlsym(omp, "omp_set_num_threads"));
    ::dlclose(omp);
  }
}

const RawLibrary& RawLibrary::Default() {
  static const RawLibrary library(kSoname);
  return library;
}

}  // namespace brevine
