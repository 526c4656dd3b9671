#include "window_group_box.h"

#include <QPainter>

namespace brevine {

namespace {

constexpr int kFrameTop = 6;
constexpr int kCaptionLeft = 7;
constexpr int kCaptionPadding = 2;
const QColor kFrameColour(0xB4, 0xB4, 0xB4);

}  // namespace

QRect FramedGroupBox::CaptionRect() const {
  const QFontMetrics metrics = fontMetrics();
  return QRect(kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionPadding,
               metrics.height());
}

void FramedGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(kFrameColour);
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(rect().adjusted(0, kFrameTop, -1, -1)).translated(0.5, 0.5), 2, 2);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRect caption = CaptionRect();
  painter.fillRect(caption, palette().brush(QPalette::Window));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, title());
}

}  // namespace brevine
