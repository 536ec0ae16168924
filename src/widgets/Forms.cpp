#include "widgets/Forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>

#include <vector>

namespace kestrune::ui {

Forms& forms() {
    static Forms instance;
    return instance;
}

QWidget* Forms::mainWindow() const {
    if (!mainWindow_) {
        return nullptr;
    }
    const auto it = windows_.find(*mainWindow_);
    return it == windows_.end() ? nullptr : it->second.data();
}

void Forms::forget(QWidget* window) {
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
        if (it->second == window) {
            windows_.erase(it);
            return;
        }
    }
}

void Forms::unloadAll() {
    std::vector<QPointer<QWidget>> all;
    for (const auto& [type, window] : windows_) {
        all.push_back(window);
    }
    for (const auto& window : all) {
        unloadWindow(window.data());
    }
    windows_.clear();
}

void Forms::letPendingEventsRun() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
}

void Forms::centreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

QFont Forms::designFont() {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    return font;
}

void Forms::showWindow(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void Forms::unloadWindow(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    if (!window->close()) {
        return; // the window refused to go
    }
    forms().forget(window);
}

} // namespace kestrune::ui
