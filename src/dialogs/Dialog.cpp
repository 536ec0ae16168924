#include "dialogs/Dialog.h"

#include "platform/Platform.h"
#include "skin/modSkin.h"
#include "widgets/OnTop.h"
#include "widgets/ProgramIdentity.h"

namespace kestrune::ui {

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

} // namespace kestrune::ui
