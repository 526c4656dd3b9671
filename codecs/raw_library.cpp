#include "raw_library.h"

#include <dlfcn.h>

namespace brevine {

RawLibrary::RawLibrary(const char* soname) {
  const std::string name = std::string("LibRaw (") + soname + ")";
  void* handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    failure_ = name + " cannot be opened: " + (why ? why : "not found");
    return;
  }
#define BREVINE_RAW_LOOK_UP(function)                                                        \
  functions_.function = reinterpret_cast<decltype(&::function)>(::dlsym(handle, #function)); \
  if (functions_.function == nullptr) {                                                      \
    failure_ = name + " lacks " #function;                                                   \
    ::dlclose(handle);                                                                       \
    return;                                                                                  \
  }
  BREVINE_RAW_FUNCTIONS(BREVINE_RAW_LOOK_UP)
#undef BREVINE_RAW_LOOK_UP
  // The OpenMP runtime LibRaw brought with it, if any; it stays mapped with LibRaw.
  if (void* omp = ::dlopen("libgomp.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) {
    setThreads_ = reinterpret_cast<void (*)(int)>(::dlsym(omp, "omp_set_num_threads"));
    ::dlclose(omp);
  }
  complete_ = true;
}

const RawLibrary& RawLibrary::Default() {
  static const RawLibrary library(kSoname);
  return library;
}

}  // namespace brevine
