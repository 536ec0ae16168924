#include "widgets/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace kestrune::ui {

namespace {
double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

int twipsToPixels(int twips) {
    return int(std::lround(twips * logicalDpi() / 1440.0));
}

int pixelsToTwips(int pixels) {
    return int(std::lround(pixels * 1440.0 / logicalDpi()));
}

QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

QSize twipsSize(int width, int height) {
    return {twipsToPixels(width), twipsToPixels(height)};
}

void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

} // namespace kestrune::ui
