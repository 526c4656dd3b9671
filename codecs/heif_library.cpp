#include "heif_library.h"

#include "library_opener.h"

namespace brevine {

HeifLibrary::HeifLibrary(const char* soname) {
  LibraryOpener opener("libheif", soname);
#define BREVINE_HEIF_LOOK_UP(function) opener.Find(functions_.function, #function)&&
  complete_ = BREVINE_HEIF_FUNCTIONS(BREVINE_HEIF_LOOK_UP) true;
#undef BREVINE_HEIF_LOOK_UP
  failure_ = opener.Failure();
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
