#include "platform/WindowRegion.h"

#include <QGuiApplication>
#include <QRegion>
#include <QWidget>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#endif

namespace kestrune::platform {

void setWindowRegion(QWidget* window, int width, int height) {
    if (window == nullptr) {
        return;
    }
#ifdef Q_OS_WIN
    // Natively: Qt's own mask is in client coordinates and would be moved by
    // the frame, cutting the caption and the close box away. Only a window of
    // the Windows platform has a native handle; on any other (offscreen, say)
    // there is no frame, and Qt's mask is the same region.
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        const HRGN region = CreateRectRgn(0, 0, width, height);
        if (region == nullptr) {
            return;
        }
        // The window owns the region from here on, and redraws itself.
        if (SetWindowRgn(reinterpret_cast<HWND>(window->winId()), region, TRUE) == 0) {
            DeleteObject(region); // not taken: still ours to free
        }
        return;
    }
#endif
    window->setMask(QRegion(0, 0, width, height));
    window->update();
}

} // namespace kestrune::platform
