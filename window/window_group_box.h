#pragma once
// RadioGroup1's and GroupBox1's kind: a group box drawn as designed, a thin grey frame whose
// top line runs through the caption, 6 pixels down, so that the controls' designed places
// (the first one 14 pixels down) lie inside it. Drawn here rather than by a style sheet: a
// style sheet would give the controls inside the theme's palette instead of the window's.

#include <QGroupBox>

namespace brevine {

class FramedGroupBox final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;
  // Where the caption is drawn.
  QRect CaptionRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace brevine
