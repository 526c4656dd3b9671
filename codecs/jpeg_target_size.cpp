#include "codecs.h"

namespace brevine {

// The plain downward search: one full encode per quality.
int EncodeToTargetSize(TJPEGImage& jpeg, const WorkBitmap& bitmap, std::int64_t maxBytes) {
  int q = 100;
  for (;;) {
    jpeg.TakeBitmap(bitmap);
    jpeg.SetQuality(q);
    jpeg.EncodeJpeg();
    if (static_cast<std::int64_t>(jpeg.Data().bytes.size()) <= maxBytes || q == 1) return q;
    --q;
  }
}

}  // namespace brevine
