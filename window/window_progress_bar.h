#pragma once
// ProgressBar1's kind: a progress bar whose empty part shows a brush of its own (the
// hatch), drawn here rather than by the style, which would ignore a patterned brush.

#include <QBrush>
#include <QProgressBar>

namespace brevine {

class HatchedProgressBar final : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;
  void SetBackgroundBrush(const QBrush& brush);
  const QBrush& BackgroundBrush() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QBrush background_;
};

}  // namespace brevine
