#pragma once
// What the decoder tests share: a file read through the loader as the program reads it
// (the open-descriptor path), the reason a call fails with, and a reference program run
// quietly.

#include <cstdlib>
#include <string>

#include "codecs.h"

namespace brevine::test {

struct Loaded {
  LoadStatus status = LoadStatus::kOk;
  WorkBitmap bitmap;
  SourceInfo info;
};

inline Loaded Load(const std::string& path) {
  Loaded out;
  out.status = LoadImage(path, out.bitmap, &out.info);
  return out;
}

// The text of the `Error` the call raises, "(nothing raised)" without one.
template <typename Error, typename Call>
std::string ReasonOf(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "(nothing raised)";
}

// Whether the command succeeded; its output is dropped.
inline bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace brevine::test
