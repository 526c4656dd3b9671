#include "heif_library.h"

#include <dlfcn.h>

#include "raw_library.h"

namespace brevine {

HeifLibrary::HeifLibrary(const char* soname) {
  const std::string name = std::string("libheif (") + soname + ")";
  // RTLD_NOW: a symbol the library cannot resolve shows here, not in the middle of a decode.
  void* handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    failure_ = name + " cannot be opened: " + (why ? why : "not found");
    return;
  }
  // A missing function names the first one; nothing of such a library is ever called.
#define BREVINE_HEIF_LOOK_UP(function)                                                       \
  functions_.function = reinterpret_cast<decltype(&::function)>(::dlsym(handle, #function)); \
  if (functions_.function == nullptr) {                                                      \
    failure_ = name + " lacks " #function;                                                   \
    ::dlclose(handle);                                                                       \
    return;                                                                                  \
  }
  BREVINE_HEIF_FUNCTIONS(BREVINE_HEIF_LOOK_UP)
#undef BREVINE_HEIF_LOOK_UP
  complete_ = true;
}

HeifLibrary::~HeifLibrary() {
  if (needsDeinit_) functions_.heif_deinit();
}

const HeifLibrary& HeifLibrary::Default() {
  static const HeifLibrary library(kSoname);
  return library;
}

void HeifLibrary::Initialize() const {
  std::call_once(initialized_,
                 [this] { needsDeinit_ = functions_.heif_init(nullptr).code == heif_error_Ok; });
}

}  // namespace brevine

namespace brevine {

void PreloadDecoderLibraries(unsigned libraries) {
  // libheif and the codecs it brings are mapped and initialised here; a missing library
  // stays a per-file failure with its reason, as on first use.
  if (libraries & kHeifLibrary) {
    const HeifLibrary& heif = HeifLibrary::Default();
    if (heif.Functions() != nullptr) heif.Initialize();
  }
  // LibRaw needs no set-up beyond its mapping.
  if (libraries & kRawLibrary) RawLibrary::Default();
}

}  // namespace brevine
