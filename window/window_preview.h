#pragma once
// The preview picture: the reduced picture (the pipeline shows it once the reduction is
// done, before any sharpening) sampled to the preview's size. At 200 x 150 it looks as the
// whole photo would, and a big photo is never held whole for it.

#include <QImage>

#include "work_bitmap.h"

namespace brevine {

// The bitmap stretched (aspect ratio not kept) to width x height by nearest sampling; a
// null image when the bitmap is empty.
QImage PreviewImage(const WorkBitmap& bitmap, int width, int height);

}  // namespace brevine
