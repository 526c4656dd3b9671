#pragma once
// Header readers behind ProbeImage, one per decoder file; each raises when the header
// cannot be read or is not understood.

#include <optional>
#include <string>

#include "codecs.h"

namespace brevine::probe_detail {

PictureProbe ProbeJpeg(const SourceFile& source);
PictureProbe ProbeBmp(const SourceFile& source);
// Reads through the open descriptor; nullopt where ProbeImage gives it.
std::optional<PictureProbe> ProbeTiff(int fd);

}  // namespace brevine::probe_detail
