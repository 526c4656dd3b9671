// JPEG XL results: lossy at the quality's distance, libjxl's defaults otherwise.
//
// The bytes are those cjxl writes for a PNG of the picture: an 8-bit sRGB picture (one
// grey channel for a grey PNG), cjxl's mapping of its quality to a Butteraugli distance
// (quality 100 is lossless), and libjxl's default effort. A profile replaces the sRGB
// description in the codestream, and an EXIF block goes into an Exif box, which makes the
// file a container.
//
// libjxl reports every failure by its return value; the encoder has one owner that
// releases it on every path.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "codecs.h"
#include "jxl_library.h"

namespace brevine {

namespace {

using EncoderDestroy = LibraryRelease<&JxlFunctions::JxlEncoderDestroy>;

void Check(JxlEncoderStatus status, const char* what) {
  if (status != JXL_ENC_SUCCESS) throw EncodeError(std::string("JPEG XL: ") + what);
}

}  // namespace

float JxlDistanceForQuality(int quality) {
  if (quality >= 100) return 0.0f;
  if (quality >= 30) return static_cast<float>(0.1 + (100 - quality) * 0.09);
  // Below quality 5 the curve passes libjxl's largest distance, where cjxl gives up; the
  // results stay there.
  return static_cast<float>(std::min(6.4 + std::pow(2.5, (30 - quality) / 5.0) / 6.25, 25.0));
}

namespace {

std::vector<std::uint8_t> Encode(const JxlFunctions& jxl, const WorkBitmap& bitmap, int quality,
                                 bool gray, const ResultMetadata& metadata) {
  const std::unique_ptr<JxlEncoder, EncoderDestroy> owner(jxl.JxlEncoderCreate(nullptr),
                                                          EncoderDestroy{&jxl});
  if (!owner) throw EncodeError("JPEG XL: out of memory");
  JxlEncoder* enc = owner.get();
  if (!metadata.exif.empty()) Check(jxl.JxlEncoderUseBoxes(enc), "cannot add boxes");

  const int channels = gray ? 1 : 3;
  const bool lossless = quality >= 100;
  JxlBasicInfo info;
  jxl.JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<std::uint32_t>(bitmap.Width());
  info.ysize = static_cast<std::uint32_t>(bitmap.Height());
  info.bits_per_sample = 8;
  info.num_color_channels = static_cast<std::uint32_t>(channels);
  info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  Check(jxl.JxlEncoderSetBasicInfo(enc, &info), "picture too large");
  if (!metadata.icc.empty()) {
    Check(jxl.JxlEncoderSetICCProfile(enc, metadata.icc.data(), metadata.icc.size()),
          "colour profile refused");
  } else {
    JxlColorEncoding colour;
    jxl.JxlColorEncodingSetToSRGB(&colour, gray ? JXL_TRUE : JXL_FALSE);
    // cjxl's description of a PNG without colour chunks names the perceptual intent.
    colour.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    Check(jxl.JxlEncoderSetColorEncoding(enc, &colour), "colour encoding refused");
  }
  if (!metadata.exif.empty()) {
    // The box begins with the offset of the TIFF header within it: 0.
    std::vector<std::uint8_t> box(4, 0);
    box.insert(box.end(), metadata.exif.begin(), metadata.exif.end());
    Check(jxl.JxlEncoderAddBox(enc, "Exif", box.data(), box.size(), JXL_FALSE), "EXIF box refused");
    jxl.JxlEncoderCloseBoxes(enc);
  }

  JxlEncoderFrameSettings* settings = jxl.JxlEncoderFrameSettingsCreate(enc, nullptr);
  if (settings == nullptr) throw EncodeError("JPEG XL: out of memory");
  if (lossless) {
    Check(jxl.JxlEncoderSetFrameLossless(settings, JXL_TRUE), "lossless refused");
  } else {
    Check(jxl.JxlEncoderSetFrameDistance(settings, JxlDistanceForQuality(quality)),
          "quality out of range");
  }

  // Rows red-green-blue (or grey), packed.
  const std::size_t width = static_cast<std::size_t>(bitmap.Width());
  std::vector<std::uint8_t> pixels(width * static_cast<std::size_t>(bitmap.Height()) *
                                   static_cast<std::size_t>(channels));
  std::uint8_t* out = pixels.data();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* in = bitmap.Row(y);
    for (std::size_t x = 0; x < width; ++x, in += 3) {
      if (gray) {
        *out++ = JpegGrayValue(in[2], in[1], in[0]);
      } else {
        *out++ = in[2];
        *out++ = in[1];
        *out++ = in[0];
      }
    }
  }
  const JxlPixelFormat format{static_cast<std::uint32_t>(channels), JXL_TYPE_UINT8,
                              JXL_NATIVE_ENDIAN, 0};
  Check(jxl.JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()),
        "picture refused");
  jxl.JxlEncoderCloseInput(enc);

  std::vector<std::uint8_t> bytes(64 * 1024);
  std::size_t written = 0;
  for (;;) {
    std::uint8_t* next = bytes.data() + written;
    std::size_t room = bytes.size() - written;
    const JxlEncoderStatus status = jxl.JxlEncoderProcessOutput(enc, &next, &room);
    written = static_cast<std::size_t>(next - bytes.data());
    if (status == JXL_ENC_SUCCESS) break;
    if (status != JXL_ENC_NEED_MORE_OUTPUT) throw EncodeError("JPEG XL: encoding failed");
    bytes.resize(bytes.size() * 2);
  }
  bytes.resize(written);
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> EncodeJxl(const JxlLibrary& library, const WorkBitmap& bitmap,
                                    int quality, bool gray, const ResultMetadata& metadata) {
  if (bitmap.Empty()) throw EncodeError("JPEG XL: empty picture");
  const JxlFunctions* jxl = library.Functions();
  if (jxl == nullptr) throw EncodeError("JPEG XL: " + library.Failure());
  try {
    return Encode(*jxl, bitmap, quality, gray, metadata);
  } catch (const EncodeError&) {
    if (metadata.icc.empty()) throw;
  }
  // A profile libjxl cannot read is left out: the picture is described as sRGB instead.
  ResultMetadata withoutProfile = metadata;
  withoutProfile.icc.clear();
  return Encode(*jxl, bitmap, quality, gray, withoutProfile);
}

std::vector<std::uint8_t> EncodeJxl(const WorkBitmap& bitmap, int quality, bool gray,
                                    const ResultMetadata& metadata) {
  return EncodeJxl(ProcessLibrary<JxlFunctions>(), bitmap, quality, gray, metadata);
}

}  // namespace brevine
