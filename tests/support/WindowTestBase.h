#pragma once

#include "support/FakePlatform.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Shared set-up of the window tests: a fresh program folder, the platform
// doubles, the identity of the build, an empty store and no window loaded.
namespace kestrune::app {
class frmSplash;
}
namespace kestrune::ui {
class Form1;
}

namespace kestrune::test {

class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();
    ProgramFixture(const ProgramFixture&) = delete;
    ProgramFixture& operator=(const ProgramFixture&) = delete;

    QString dataFile() const;
    void writeDataFile(const QByteArray& bytes) const;
    QByteArray readDataFile() const;

    QTemporaryDir folder;
    std::unique_ptr<FakePlatform> fake;
};

// Runs `action` from inside a running event loop, as user events arrive in
// the program, so that windows unloaded by it are deleted only afterwards.
void runInEventLoop(const std::function<void()>& action);

// Runs the splash window's last timer tick and returns the main window it loaded.
ui::Form1* handOverFromSplash(app::frmSplash* splash);

// Unloads every window and lets Qt delete them.
void unloadAllWindows();

// The encoded form of a text, as data.enc holds it.
QByteArray encoded(const QByteArray& plain);

} // namespace kestrune::test
