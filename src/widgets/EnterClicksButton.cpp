#include "widgets/EnterClicksButton.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace kestrune::ui {

namespace {

bool isPlainEnter(const QEvent* event) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           modifiers == Qt::NoModifier;
}

class EnterClicks final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) ||
            !isPlainEnter(event)) {
            return false;
        }
        if (type == QEvent::ShortcutOverride) {
            // Claimed by the button, so that the key comes to it as a key
            // press instead of running a shortcut of the window.
            event->accept();
            return true;
        }
        // Held down, the key clicks once.
        if (!static_cast<const QKeyEvent*>(event)->isAutoRepeat()) {
            static_cast<QAbstractButton*>(watched)->click();
        }
        return true;
    }
};

} // namespace

void enterClicksButtons(QWidget* window) {
    auto* filter = new EnterClicks(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QPushButton*>(button) != nullptr ||
            qobject_cast<QToolButton*>(button) != nullptr) {
            button->installEventFilter(filter);
        }
    }
}

} // namespace kestrune::ui
