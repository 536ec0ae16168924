#include "platform/WindowOnTop.h"

#include <QWidget>
#include <QWindow>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
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
    const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow* native = window->windowHandle()) {
        // Tell the window system directly: changing the widget's flags would
        // re-create the window, hiding it and losing its keyboard focus.
        window->overrideWindowFlags(flags);
        native->setFlags(flags);
    } else {
        window->setWindowFlags(flags); // not created yet: nothing to re-create
    }
#endif
}

} // namespace kestrune::platform
