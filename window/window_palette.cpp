#include "window_palette.h"

#include <algorithm>
#include <cmath>

namespace brevine {

namespace {

double Channel(double c) {
  c /= 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Channel(c.red()) + 0.7152 * Channel(c.green()) + 0.0722 * Channel(c.blue());
}

QColor Mix(const QColor& from, const QColor& to, double t) {
  const auto at = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(at(from.red(), to.red()), at(from.green(), to.green()), at(from.blue(), to.blue()));
}

}  // namespace

QPalette DesignedPalette() {
  // From the button and window colours Qt derives the 3-D shades; the rest is set by hand,
  // so that nothing is left to the desktop's theme.
  QPalette p(QColor(0xF0, 0xF0, 0xF0), Qt::white);
  const QColor black(Qt::black), white(Qt::white), grey(0x78, 0x78, 0x78);
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, white);
    p.setColor(group, QPalette::WindowText, black);
    p.setColor(group, QPalette::Base, white);
    p.setColor(group, QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    p.setColor(group, QPalette::Text, black);
    p.setColor(group, QPalette::Button, QColor(0xF0, 0xF0, 0xF0));
    p.setColor(group, QPalette::ButtonText, black);
    p.setColor(group, QPalette::BrightText, white);
    p.setColor(group, QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
    p.setColor(group, QPalette::HighlightedText, white);
    p.setColor(group, QPalette::Link, QColor(0x00, 0x00, 0xEE));
    p.setColor(group, QPalette::LinkVisited, QColor(0x55, 0x1A, 0x8B));
    p.setColor(group, QPalette::PlaceholderText, grey);
    p.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
    p.setColor(group, QPalette::ToolTipText, black);
  }
  p.setColor(QPalette::Disabled, QPalette::Window, white);
  p.setColor(QPalette::Disabled, QPalette::Base, QColor(0xF0, 0xF0, 0xF0));
  p.setColor(QPalette::Disabled, QPalette::Button, QColor(0xF0, 0xF0, 0xF0));
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText})
    p.setColor(QPalette::Disabled, role, grey);
  p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x91, 0x91, 0x91));
  p.setColor(QPalette::Disabled, QPalette::HighlightedText, white);
  return p;
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor QuietTextColour(const QPalette& palette) {
  const QColor text = palette.color(QPalette::WindowText);
  const QColor background = palette.color(QPalette::Window);
  // A third of the way towards the background reads as secondary text in light and dark
  // themes alike; step back towards the text until the contrast holds.
  for (double t = 1.0 / 3.0; t > 0.0; t -= 1.0 / 24.0) {
    const QColor quiet = Mix(text, background, t);
    if (ContrastRatio(quiet, background) >= 4.5) return quiet;
  }
  return text;
}

}  // namespace brevine
