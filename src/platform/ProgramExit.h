#pragma once

namespace kestrune::platform {

// Ends the program at once: no other window's closing handling runs. Callers
// must not rely on it returning; a test double records the call and returns.
class ProgramExit {
public:
    virtual ~ProgramExit() = default;
    virtual void endNow() = 0;
};

class ProcessExit final : public ProgramExit {
public:
    void endNow() override;
};

} // namespace kestrune::platform
