#include "app/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initKestruneResource() {
    Q_INIT_RESOURCE(kestrune);
}

namespace kestrune::app {

void initResources() {
    initKestruneResource();
}

} // namespace kestrune::app
