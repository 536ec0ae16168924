#pragma once

#include <QString>

namespace kestrune::platform {

// Hands an address or a location to the desktop's opener (the default browser
// for a web address, the file manager for a folder). The text travels as one
// argument; it is never put into a command line for a shell.
class Opener {
public:
    virtual ~Opener() = default;
    virtual bool open(const QString& location) = 0;
};

class DesktopOpener final : public Opener {
public:
    bool open(const QString& location) override;
};

} // namespace kestrune::platform
