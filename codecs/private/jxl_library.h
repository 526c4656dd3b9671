#pragma once
// libjxl, opened when the first JPEG XL file is read or the first JPEG XL result written.
// Linked at start-up, it and libhwy (whose constructors calibrate a timer) cost every run
// milliseconds, though most runs never meet a JPEG XL file.

#include <jxl/decode.h>
#include <jxl/encode.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs.h"
#include "library_opener.h"

namespace brevine {

// Every libjxl function the codecs call.
#define BREVINE_JXL_FUNCTIONS(X)    \
  X(JxlDecoderCreate)               \
  X(JxlDecoderDestroy)              \
  X(JxlDecoderSubscribeEvents)      \
  X(JxlDecoderSetDecompressBoxes)   \
  X(JxlDecoderProcessInput)         \
  X(JxlDecoderSetInput)             \
  X(JxlDecoderReleaseInput)         \
  X(JxlDecoderCloseInput)           \
  X(JxlDecoderGetBasicInfo)         \
  X(JxlDecoderGetICCProfileSize)    \
  X(JxlDecoderGetColorAsICCProfile) \
  X(JxlDecoderSetJPEGBuffer)        \
  X(JxlDecoderReleaseJPEGBuffer)    \
  X(JxlDecoderSetImageOutCallback)  \
  X(JxlDecoderGetBoxType)           \
  X(JxlDecoderSetBoxBuffer)         \
  X(JxlDecoderReleaseBoxBuffer)     \
  X(JxlEncoderCreate)               \
  X(JxlEncoderDestroy)              \
  X(JxlEncoderUseBoxes)             \
  X(JxlEncoderInitBasicInfo)        \
  X(JxlEncoderSetBasicInfo)         \
  X(JxlEncoderSetICCProfile)        \
  X(JxlColorEncodingSetToSRGB)      \
  X(JxlEncoderSetColorEncoding)     \
  X(JxlEncoderAddBox)               \
  X(JxlEncoderCloseBoxes)           \
  X(JxlEncoderFrameSettingsCreate)  \
  X(JxlEncoderSetFrameLossless)     \
  X(JxlEncoderSetFrameDistance)     \
  X(JxlEncoderAddImageFrame)        \
  X(JxlEncoderCloseInput)           \
  X(JxlEncoderProcessOutput)

BREVINE_LIBRARY_TABLE(JxlFunctions, BREVINE_JXL_FUNCTIONS, "libjxl", "libjxl.so.0.7");

using JxlLibrary = OpenedLibrary<JxlFunctions>;

// The decoder and the encoder through a given library; the public ones use the process's.
// A library that cannot serve fails them with its reason ("JPEG XL: libjxl (...) ...").
void DecodeJxlRows(const JxlLibrary& library, const std::uint8_t* data, std::size_t size,
                   RowSink& sink, SourceInfo* info);
std::vector<std::uint8_t> EncodeJxl(const JxlLibrary& library, const WorkBitmap& bitmap,
                                    int quality, bool gray, const ResultMetadata& metadata);

}  // namespace brevine
