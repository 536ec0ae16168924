#pragma once

#include <QString>

namespace kestrune::platform {

// The folder that holds the running executable; the data file and the help
// document live there.
class ProgramFolder {
public:
    virtual ~ProgramFolder() = default;
    virtual QString path() const = 0;
};

class ExecutableFolder final : public ProgramFolder {
public:
    QString path() const override;
};

} // namespace kestrune::platform
