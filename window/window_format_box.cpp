#include "window_format_box.h"

#include <QAbstractItemView>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace brevine {

namespace {

constexpr int kArrowWidth = 8;
constexpr int kPadding = 4;

}  // namespace

QRect FormatBox::ArrowRect() const {
  const QRect all = rect();
  return QRect(all.right() - kPadding - kArrowWidth + 1, all.top(), kArrowWidth, all.height());
}

QRect FormatBox::TextRect() const {
  return rect().adjusted(kPadding, 0, -(kPadding + kArrowWidth + 2), 0);
}

void FormatBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton panel;
  panel.initFrom(this);
  panel.state |= QStyle::State_Raised;
  if (view() != nullptr && view()->isVisible()) panel.state |= QStyle::State_Sunken;
  painter.drawPrimitive(QStyle::PE_PanelButtonCommand, panel);

  const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
  painter.setPen(palette().color(group, QPalette::ButtonText));
  painter.drawText(TextRect(), Qt::AlignLeft | Qt::AlignVCenter, currentText());

  QStyleOption arrow;
  arrow.initFrom(this);
  arrow.rect = ArrowRect();
  painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);

  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(2, 2, -2, -2);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace brevine
