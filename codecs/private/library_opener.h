#pragma once
// Libraries a codec opens on first use instead of linking them: each one's functions are
// looked up by name into a table of pointers carrying the types its header declares. Linked
// at start-up, a library costs every run its mapping, relocation and constructors (libjxl
// brings libhwy, whose timer calibration alone takes milliseconds), though most runs read
// only JPEGs.

#include <string>

namespace brevine {

// Opens one library (RTLD_NOW | RTLD_LOCAL, so that a symbol it cannot resolve shows here,
// not in the middle of a decode) and looks up its functions. The first failure is kept:
// "LABEL (SONAME) cannot be opened: ..." or "LABEL (SONAME) lacks FUNCTION", and the library
// is closed again, so nothing of an incomplete one is ever called.
class LibraryOpener {
 public:
  LibraryOpener(const char* label, const char* soname);
  LibraryOpener(const LibraryOpener&) = delete;
  LibraryOpener& operator=(const LibraryOpener&) = delete;

  // Sets `slot` to the function `symbol`; false (and the library closed) when the library
  // is not open or lacks it.
  template <typename Function>
  bool Find(Function*& slot, const char* symbol) {
    void* address = Symbol(symbol);
    if (address == nullptr) return false;
    slot = reinterpret_cast<Function*>(address);
    return true;
  }
  // Empty while every function asked for was found; a library found complete stays mapped
  // until the process ends.
  const std::string& Failure() const { return failure_; }

 private:
  void* Symbol(const char* symbol);

  std::string name_;
  void* handle_ = nullptr;
  std::string failure_;
};

// A table of functions from a list of them, X(name) each: every function of the library
// under its own name (table->JxlDecoderCreate(...)), and their look-up.
#define BREVINE_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;
#define BREVINE_LIBRARY_FIND(name) opener.Find(name, #name)&&
// The table also names its library, for ProcessLibrary and the failures.
#define BREVINE_LIBRARY_TABLE(Table, FUNCTIONS, label, soname)                          \
  struct Table {                                                                        \
    static constexpr const char* kLabel = label;                                        \
    static constexpr const char* kSoname = soname;                                      \
    FUNCTIONS(BREVINE_LIBRARY_POINTER)                                                  \
    bool LookUp(LibraryOpener& opener) { return FUNCTIONS(BREVINE_LIBRARY_FIND) true; } \
  }

// A library with no set-up beyond its mapping: the table of its functions, or why there is
// none. Read-only once made, so one object serves every thread.
template <typename Table>
class OpenedLibrary {
 public:
  OpenedLibrary(const char* label, const char* soname) {
    LibraryOpener opener(label, soname);
    complete_ = table_.LookUp(opener);
    failure_ = opener.Failure();
  }
  OpenedLibrary(const OpenedLibrary&) = delete;
  OpenedLibrary& operator=(const OpenedLibrary&) = delete;

  // Every function, or nullptr when the library or one of its functions is missing.
  const Table* Functions() const { return complete_ ? &table_ : nullptr; }
  // Why Functions() is null.
  const std::string& Failure() const { return failure_; }

 private:
  Table table_;
  bool complete_ = false;
  std::string failure_;
};

// The process's copy of a table's library, opened on the first call and read-only after.
template <typename Table>
const OpenedLibrary<Table>& ProcessLibrary() {
  static const OpenedLibrary<Table> library(Table::kLabel, Table::kSoname);
  return library;
}

// A unique_ptr deleter that releases a library object through the table of functions it
// came from: LibraryRelease<&JxlFunctions::JxlDecoderDestroy>{functions}.
template <typename>
struct TableOf;
template <typename Table, typename Function>
struct TableOf<Function Table::*> {
  using Type = Table;
};

template <auto Release>
struct LibraryRelease {
  const typename TableOf<decltype(Release)>::Type* functions;
  template <typename T>
  void operator()(T* p) const noexcept {
    (functions->*Release)(p);
  }
};

}  // namespace brevine
