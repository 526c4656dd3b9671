#pragma once
// libtiff, opened when the first TIFF file is read: linked at start-up, it and the codecs it
// brings (zstd, xz, LERC, JBIG, libdeflate) cost every run their mapping and relocation.

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs.h"
#include "library_opener.h"

namespace brevine {

// Every libtiff function the TIFF decoder calls.
#define BREVINE_TIFF_FUNCTIONS(X)         \
  X(TIFFOpenOptionsAlloc)                 \
  X(TIFFOpenOptionsFree)                  \
  X(TIFFOpenOptionsSetMaxSingleMemAlloc)  \
  X(TIFFOpenOptionsSetErrorHandlerExtR)   \
  X(TIFFOpenOptionsSetWarningHandlerExtR) \
  X(TIFFClientOpenExt)                    \
  X(TIFFClose)                            \
  X(TIFFIsTiled)                          \
  X(TIFFNumberOfStrips)                   \
  X(TIFFNumberOfTiles)                    \
  X(TIFFGetStrileOffset)                  \
  X(TIFFGetStrileByteCount)               \
  X(TIFFScanlineSize64)                   \
  X(TIFFGetField)                         \
  X(TIFFGetFieldDefaulted)                \
  X(TIFFReadEXIFDirectory)                \
  X(TIFFRGBAImageOK)                      \
  X(TIFFRGBAImageBegin)                   \
  X(TIFFRGBAImageGet)                     \
  X(TIFFRGBAImageEnd)

BREVINE_LIBRARY_TABLE(TiffFunctions, BREVINE_TIFF_FUNCTIONS, "libtiff", "libtiff.so.6");

using TiffLibrary = OpenedLibrary<TiffFunctions>;

// The decoder through a given library; the public ones use the process's. A library that
// cannot serve fails the decode with its reason ("TIFF: libtiff (...) ...").
void DecodeTiffRows(const TiffLibrary& library, const std::uint8_t* data, std::size_t size,
                    RowSink& sink, SourceInfo* info);

}  // namespace brevine
