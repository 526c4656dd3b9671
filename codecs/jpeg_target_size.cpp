#include <cstdint>
#include <exception>

#include "codecs.h"
#include "jpeg_length_model.h"

namespace brevine {
namespace {

std::int64_t EncodedLength(TJPEGImage& jpeg, const WorkBitmap& bitmap, int quality,
                           TargetSizeStats& stats) {
  jpeg.SetQuality(quality);
  jpeg.EncodeBitmap(bitmap);
  ++stats.encodes;
  return static_cast<std::int64_t>(jpeg.Data().bytes.size());
}

// The reference: one full encode per quality, from 100 down.
int PlainSearch(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes,
                TargetSizeStats& stats) {
  stats.modelAnswer = false;
  for (int q = 100;; --q) {
    if (EncodedLength(jpeg, bitmap, q, stats) <= maxBytes || q == 1) return q;
  }
}

constexpr int kLargestDimension = 65500;  // libjpeg's limit; larger pictures raise at once

}  // namespace

int EncodeToTargetSize(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes,
                       TargetSizeStats* statsOut) {
  TargetSizeStats local;
  TargetSizeStats& stats = statsOut != nullptr ? *statsOut : local;
  stats = {};
  // Empty and oversized pictures cost one encode anyway (nothing, or an error at once).
  if (bitmap.Empty() || bitmap.Width() > kLargestDimension || bitmap.Height() > kLargestDimension) {
    return PlainSearch(jpeg, bitmap, maxBytes, stats);
  }
  int chosen = 1;
  std::int64_t predicted = -1;
  // The model counts the picture's own stream; the extra segments sit in front of it at a
  // fixed size whatever the quality.
  const auto extra = static_cast<std::int64_t>(MarkerBytes(jpeg.Markers()));
  const std::int64_t pictureBytes = maxBytes - extra;
  try {
    const JpegLengthModel model(bitmap, jpeg.GrayOutput(), jpeg.Progressive());
    for (int q = 100; q >= 1 && pictureBytes >= 0; --q) {
      // The bound settles most qualities of a far-off target in a fraction of a pass.
      if (model.LowerBound(q, pictureBytes) > pictureBytes) continue;
      const std::int64_t length = model.Length(q, pictureBytes);
      if (length <= pictureBytes) {  // counted to the end, so exact
        chosen = q;
        predicted = length + extra;
        break;
      }
    }
    if (predicted < 0) predicted = model.Length(1) + extra;
  } catch (const std::exception&) {
    // The model is only a shortcut (it needs memory for every coefficient): without it the
    // plain search still gives the answer.
    return PlainSearch(jpeg, bitmap, maxBytes, stats);
  }
  // The model stands in for the library; should a differently built libjpeg ever disagree
  // with it, the answer must still be the plain search's. Checking the chosen quality's
  // length alone would not do: had the model overestimated the quality above it, a quality
  // too low would pass. So the one above must be seen not to fit, and it is encoded first
  // so that the encoder ends up holding the chosen quality's bytes.
  if (chosen < 100 && EncodedLength(jpeg, bitmap, chosen + 1, stats) <= maxBytes) {
    return PlainSearch(jpeg, bitmap, maxBytes, stats);
  }
  if (EncodedLength(jpeg, bitmap, chosen, stats) != predicted) {
    return PlainSearch(jpeg, bitmap, maxBytes, stats);
  }
  stats.modelAnswer = true;
  return chosen;
}

}  // namespace brevine
