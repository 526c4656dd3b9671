#include "window_progress_bar.h"

#include <qdrawutil.h>
#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace brevine {

void HatchedProgressBar::SetBackgroundBrush(const QBrush& brush) {
  background_ = brush;
  update();
}

void HatchedProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  painter.fillRect(all, palette().base());
  if (background_.style() != Qt::NoBrush) painter.fillRect(all, background_);
  const std::int64_t span = std::int64_t{maximum()} - minimum();
  if (span > 0) {
    const std::int64_t done = std::clamp<std::int64_t>(std::int64_t{value()} - minimum(), 0, span);
    const int width = static_cast<int>(done * (all.width() - 2) / span);
    painter.fillRect(QRect(1, 1, width, all.height() - 2), palette().highlight());
  }
  qDrawShadePanel(&painter, all, palette(), true, 1);
}

}  // namespace brevine
