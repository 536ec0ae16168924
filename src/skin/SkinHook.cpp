#include "skin/SkinHook.h"

#include "skin/Skin.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace kestrune::skin {

SkinHook::SkinHook(QObject* parent) : QObject(parent) {}

SkinHook::~SkinHook() {
    if (running_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void SkinHook::attach(QObject* skinObject) {
    history_.append(QStringLiteral("attach"));
    attached_ = skinObject;
}

void SkinHook::start() {
    history_.append(QStringLiteral("start"));
    if (running_ || QCoreApplication::instance() == nullptr) {
        return;
    }
    QCoreApplication::instance()->installEventFilter(this);
    running_ = true;
}

void SkinHook::stop() {
    history_.append(QStringLiteral("stop"));
    if (!running_) {
        return;
    }
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    running_ = false;
}

bool SkinHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    const Qt::WindowType type = widget->windowType();
    // Menus, tool tips and other pop-ups keep their own look.
    if (!widget->isWindow() || (type != Qt::Window && type != Qt::Dialog)) {
        return false;
    }
    if (const auto* skin = qobject_cast<const Skin*>(attached_.data())) {
        skin->ApplySkin(widget);
    }
    return false;
}

} // namespace kestrune::skin
