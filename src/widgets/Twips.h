#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Window and control sizes are designed in twips (1/1440 inch): 15 twips are
// one pixel at 96 dpi, and the conversion follows the screen's logical DPI so
// that every window keeps the proportions of its design.
namespace kestrune::ui {

int twipsToPixels(int twips);
int pixelsToTwips(int pixels);
QRect twipsRect(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

// Places `widget` at a design position and size given in twips.
void placeInTwips(QWidget* widget, int left, int top, int width, int height);

// The caption and border of a fixed dialog frame on the design system, in
// twips: an outer height minus this is the client height.
inline constexpr int kDialogFrameHeightTwips = 435;

} // namespace kestrune::ui
