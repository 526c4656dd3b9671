#pragma once
// Colours the window chooses itself. The main window is designed white: it owns its whole
// palette, so a dark desktop theme cannot put light text on it. Dialogs and lists follow
// the desktop's theme; their quieter explanation texts are mixed from the theme's own
// colours and kept readable.

#include <QColor>
#include <QPalette>

namespace brevine {

// The designed look in every colour group: white window and fields, black text, light grey
// buttons, the usual blue selection, grey disabled text.
QPalette DesignedPalette();

// The contrast ratio of two colours as WCAG 2 defines it: 1 (same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// A text colour between `palette`'s window text and window colours, as far towards the
// background as a contrast of at least 4.5:1 allows (the palette's own text where even that
// is not reached).
QColor QuietTextColour(const QPalette& palette);

}  // namespace brevine
