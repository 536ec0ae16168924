#include "platform/WindowOnTop.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace kestrune::platform {

void QtWindowOnTop::setOnTop(QWidget* window, bool onTop) {
    if (window == nullptr) {
        return;
    }
#ifdef Q_OS_WIN
    // Natively, so the window is not re-created: SWP_NOMOVE | SWP_NOSIZE keep its place.
    ::SetWindowPos(reinterpret_cast<HWND>(window->winId()), onTop ? HWND_TOPMOST : HWND_NOTOPMOST,
                   0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
#else
    const bool isOnTop = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (isOnTop == onTop) {
        return; // nothing changes, so nothing flickers
    }
    const bool wasVisible = window->isVisible();
    const QPoint position = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides the window
    window->move(position);
    if (wasVisible) {
        window->show();
    }
#endif
}

} // namespace kestrune::platform
