#include "platform/ProgramExit.h"

#include "platform/Platform.h"
#include "platform/SecretClipboard.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune::platform {

void endProgram() {
    secretClipboard().clearIfStillHeld();
    services().exit->endNow();
}

void ProcessExit::endNow() {
    // Every change has been written the moment it was made, so there is nothing
    // left to save: stop without running any window's closing code.
    // The lock on the data file goes now, so that the next start need not
    // find out that its owner is gone.
    services().locks->unlockAll();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kestrune::platform
