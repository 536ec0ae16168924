#include "platform/ProgramExit.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune::platform {

void ProcessExit::endNow() {
    // Every change has been written the moment it was made, so there is nothing
    // left to save: stop without running any window's closing code.
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kestrune::platform
