#include "window_preview.h"

#include <cstdint>

namespace brevine {

QImage PreviewImage(const WorkBitmap& bitmap, int width, int height) {
  if (bitmap.Empty() || width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) return {};
  for (int y = 0; y < height; ++y) {
    // The centre of each preview pixel picks its source pixel.
    const int sy = static_cast<int>((static_cast<std::int64_t>(2 * y + 1) * bitmap.Height()) /
                                    (2 * static_cast<std::int64_t>(height)));
    const std::uint8_t* source = bitmap.Row(sy);
    uchar* target = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const std::int64_t sx = (static_cast<std::int64_t>(2 * x + 1) * bitmap.Width()) /
                              (2 * static_cast<std::int64_t>(width));
      const std::uint8_t* pixel = source + sx * WorkBitmap::kBytesPerPixel;
      target[3 * x + 0] = pixel[2];
      target[3 * x + 1] = pixel[1];
      target[3 * x + 2] = pixel[0];
    }
  }
  return image;
}

}  // namespace brevine
