#pragma once
// The format drop-down beside Edit2. The design leaves it 52 pixels, in which a style's
// own drop-down keeps barely 25 for its text; this one draws a button's panel, the text and
// a small arrow, and is otherwise a QComboBox (keys, popup list, what a screen reader hears).

#include <QComboBox>

namespace brevine {

class FormatBox final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  // Where the current item's text is drawn.
  QRect TextRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect ArrowRect() const;
};

}  // namespace brevine
