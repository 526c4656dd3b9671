#include "library_opener.h"

#include <dlfcn.h>

namespace brevine {

LibraryOpener::LibraryOpener(const char* label, const char* soname)
    : name_(std::string(label) + " (" + soname + ")") {
  handle_ = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    failure_ = name_ + " cannot be opened: " + (why ? why : "not found");
  }
}

void* LibraryOpener::Symbol(const char* symbol) {
  if (handle_ == nullptr) return nullptr;
  void* address = ::dlsym(handle_, symbol);
  if (address == nullptr) {
    failure_ = name_ + " lacks " + symbol;
    ::dlclose(handle_);
    handle_ = nullptr;
  }
  return address;
}

}  // namespace brevine
