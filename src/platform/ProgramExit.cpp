#include "platform/ProgramExit.h"

#include "platform/Platform.h"
#include "platform/SecretClipboard.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kestrune::platform {

namespace {

std::vector<std::function<void()>>& endWork() {
    static std::vector<std::function<void()>> work;
    return work;
}

} // namespace

void atProgramEnd(std::function<void()> work) {
    endWork().push_back(std::move(work));
}

void runProgramEndWork() {
    std::vector<std::function<void()>> work = std::move(endWork());
    endWork().clear();
    for (const auto& step : work) {
        step();
    }
}

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
    runProgramEndWork();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kestrune::platform
