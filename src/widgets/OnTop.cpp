#include "widgets/OnTop.h"

#include "platform/Platform.h"

namespace kestrune::ui {

void SetOnTop(QWidget* form, bool onTop) {
    kestrune::platform::services().onTop->setOnTop(form, onTop);
}

} // namespace kestrune::ui
