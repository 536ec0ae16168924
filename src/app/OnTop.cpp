#include "app/OnTop.h"

#include "platform/Platform.h"

namespace kestrune::app {

void SetOnTop(QWidget* form, bool onTop) {
    kestrune::platform::services().onTop->setOnTop(form, onTop);
}

} // namespace kestrune::app
