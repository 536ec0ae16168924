#pragma once

namespace kestrune::platform {

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
