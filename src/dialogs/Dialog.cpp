#include "dialogs/Dialog.h"

#include "platform/Platform.h"
#include "skin/modSkin.h"
#include "widgets/Forms.h"
#include "widgets/OnTop.h"
#include "widgets/ProgramIdentity.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>

namespace kestrune::ui {

namespace {

// Marks the windows made by makeDialog.
const char* const kDialogProperty = "kestruneDialog";

// Asked by Qt for the accessible face of every object, most derived class
// first, before Qt's own widgets are asked: a dialog of ours is a dialog;
// anything else is left to Qt.
QAccessibleInterface* dialogInterface(const QString& /*className*/, QObject* object) {
    if (!object->isWidgetType() || !object->property(kDialogProperty).toBool()) {
        return nullptr;
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
}

} // namespace

void makeDialog(QWidget* dialog, const char* name, const QString& title) {
    static const bool installed = [] {
        QAccessible::installFactory(&dialogInterface);
        return true;
    }();
    Q_UNUSED(installed);
    dialog->setProperty(kDialogProperty, true);
    dialog->setObjectName(QLatin1String(name));
    if (!title.isNull()) {
        dialog->setWindowTitle(title);
    }
    dialog->setFont(Forms::designFont());
}

void dressInSkin(QWidget* window) {
    if (ProgramIdentity().SkinEnabled) {
        skin::SkinForm(window);
    }
}

platform::Answer showMessageOffTop(QWidget* dialog, const QString& text, const QString& title,
                                   platform::Buttons buttons) {
    SetOnTop(dialog, false);
    const platform::Answer answer =
        platform::services().messages->show(dialog, text, title, buttons);
    SetOnTop(dialog, true);
    return answer;
}

void showPasswordCheck(std::initializer_list<QWidget*> controls, bool checking) {
    for (QWidget* control : controls) {
        control->setEnabled(!checking);
    }
    if (checking) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace kestrune::ui
