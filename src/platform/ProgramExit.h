#pragma once

#include <functional>

namespace kestrune::platform {

// Work that must be done however the program ends, also when endNow stops it
// without running any destructor: wiping secrets from memory. Run by endNow in
// the order given.
void atProgramEnd(std::function<void()> work);
// Runs that work now, once (endNow calls it).
void runProgramEndWork();

// Ends the program at once: no other window's closing handling runs. Callers
// must not rely on it returning; a test double records the call and returns.
class ProgramExit {
public:
    virtual ~ProgramExit() = default;
    virtual void endNow() = 0;
};

// Ends the program at once through the exit service in use, after emptying
// the clipboard of a secret that secretClipboard() put there and that it still
// holds. Every way out of the program goes through here.
void endProgram();

class ProcessExit final : public ProgramExit {
public:
    void endNow() override;
};

} // namespace kestrune::platform
