#include <cstdint>
#include <memory>

#include "codecs.h"
#include "jpeg_length_model.h"

namespace brevine {
namespace {

// The reference: one full encode per quality, from 100 down.
int PlainSearch(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes) {
  int q = 100;
  for (;;) {
    jpeg.TakeBitmap(bitmap);
    jpeg.SetQuality(q);
    jpeg.EncodeJpeg();
    if (static_cast<std::int64_t>(jpeg.Data().bytes.size()) <= maxBytes || q == 1) return q;
    --q;
  }
}

constexpr int kLargestDimension = 65500;  // libjpeg's limit; larger pictures raise at once

}  // namespace

int EncodeToTargetSize(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes) {
  // Empty and oversized pictures cost one encode anyway (nothing, or an error at once).
  if (bitmap.Empty() || bitmap.Width() > kLargestDimension ||
      bitmap.Height() > kLargestDimension) {
    return PlainSearch(jpeg, bitmap, maxBytes);
  }
  std::unique_ptr<JpegLengthModel> model;
  try {
    model = std::make_unique<JpegLengthModel>(bitmap, jpeg.GrayOutput(), jpeg.Progressive());
  } catch (const std::exception&) {
    return PlainSearch(jpeg, bitmap, maxBytes);
  }
  int chosen = 1;
  for (int q = 100; q >= 1; --q) {
    // The bound settles most qualities of a far-off target in a fraction of a pass.
    if (model->LowerBound(q, maxBytes) > maxBytes) continue;
    if (model->Length(q, maxBytes) <= maxBytes) {
      chosen = q;
      break;
    }
  }
  jpeg.TakeBitmap(bitmap);
  jpeg.SetQuality(chosen);
  jpeg.EncodeJpeg();
  // The model stands in for the library; should a differently built libjpeg ever disagree
  // with it, the answer must still be the plain search's, so check the one encode we made.
  const std::int64_t actual = static_cast<std::int64_t>(jpeg.Data().bytes.size());
  const std::int64_t predicted = model->Length(chosen);
  if (actual != predicted) return PlainSearch(jpeg, bitmap, maxBytes);
  return chosen;
}

}  // namespace brevine
