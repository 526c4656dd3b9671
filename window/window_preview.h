#pragma once
// The preview picture: the working bitmap sampled down to the preview's size.

#include <QImage>

#include "work_bitmap.h"

namespace brevine {

// The bitmap stretched (aspect ratio not kept) to width x height by nearest sampling, so
// a large photo costs no full-size copy; a null image when the bitmap is empty.
QImage PreviewImage(const WorkBitmap& bitmap, int width, int height);

}  // namespace brevine
