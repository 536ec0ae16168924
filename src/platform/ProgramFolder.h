#pragma once

#include <QString>

namespace kestrune::platform {

// The folder that holds the running executable; the data file and the help
// document live there.
class ProgramFolder {
public:
    virtual ~ProgramFolder() = default;
    virtual QString path() const = 0;
    // A folder of this computer's user that no sync engine carries: the
    // runtime folder on Linux (the temporary folder when there is none), the
    // local application data on Windows. Made when it is missing.
    virtual QString runtimeFolder() const = 0;
};

class ExecutableFolder final : public ProgramFolder {
public:
    QString path() const override;
    QString runtimeFolder() const override;
};

} // namespace kestrune::platform
