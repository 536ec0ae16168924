#pragma once

#include <QString>

namespace kestrune::platform {

// Hands an address or a location to the desktop's opener (the default browser
// for a web address, the file manager for a folder). The text travels as one
// argument; it is never put into a command line for a shell.
class Opener {
public:
    virtual ~Opener() = default;

    // Opens an address or a location in the usual way.
    virtual bool open(const QString& location) = 0;

    // Starts the system file explorer with the location (a folder, a file or
    // a web address) as its one argument, its window shown minimized and
    // activated; the explorer passes a web address on to the default browser.
    // Where the system has no such explorer, the same as open().
    virtual bool explore(const QString& location) = 0;
};

class DesktopOpener final : public Opener {
public:
    bool open(const QString& location) override;
    bool explore(const QString& location) override;
};

} // namespace kestrune::platform
