#include "platform/WindowRegion.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#else
#include <QRegion>
#endif

namespace kestrune::platform {

void setWindowRegion(QWidget* window, int width, int height) {
    if (window == nullptr) {
        return;
    }
#ifdef Q_OS_WIN
    // Natively: Qt's own mask is in client coordinates and would be moved by
    // the frame, cutting the caption and the close box away.
    const HRGN region = CreateRectRgn(0, 0, width, height);
    if (region == nullptr) {
        return;
    }
    // The window owns the region from here on, and redraws itself.
    if (SetWindowRgn(reinterpret_cast<HWND>(window->winId()), region, TRUE) == 0) {
        DeleteObject(region); // not taken: still ours to free
    }
#else
    window->setMask(QRegion(0, 0, width, height));
    window->update();
#endif
}

} // namespace kestrune::platform
