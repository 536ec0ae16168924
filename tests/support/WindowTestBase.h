#pragma once

#include "support/FakePlatform.h"
#include "support/WriteFailure.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

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

// The base of the test classes that run the program: Qt Test finds init()
// and cleanup() here, which give every test function a ProgramFixture of its
// own. A class that needs more set-up declares its own init() or cleanup()
// and calls these from it.
class WindowTestBase : public QObject {
    Q_OBJECT
protected:
    FakePlatform& fake() const { return *fixture->fake; }
    // Drops the program of the test so far and starts a fresh one, as init() does.
    void startAfresh();

    // Each check below reads the message boxes shown since the last check and
    // forgets them, so that the next one sees only what follows. A failure
    // names the line of the test that called it.
    // The line of the test that called a check. Built from the compilers'
    // __builtin_FILE and __builtin_LINE, which give the caller's place as
    // default arguments; std::source_location is missing from clang 14 with
    // this standard library.
    struct Where {
        const char* file;
        int line;
    };
    void expectMessages(const std::vector<ShownMessage>& expected,
                        Where where = {__builtin_FILE(), __builtin_LINE()});
    void expectOneMessage(const QString& text, const QString& title, platform::Buttons buttons,
                          platform::Icon icon, Where where = {__builtin_FILE(), __builtin_LINE()}) {
        expectMessages({{text, title, buttons, icon}}, where);
    }
    void expectNoMessage(Where where = {__builtin_FILE(), __builtin_LINE()}) {
        expectMessages({}, where);
    }
    // One box, the program's own failure box, tells of a failure with
    // data.enc: it says `what`, names the file and gives the reason of the
    // failure `how`; and the file is as it was, `before`, with nothing left
    // beside it.
    void expectFileFailure(const QString& what, WriteFailure how, const QByteArray& before = {},
                           Where where = {__builtin_FILE(), __builtin_LINE()});

    std::unique_ptr<ProgramFixture> fixture;

protected slots:
    void init() { startAfresh(); }
    void cleanup() { fixture.reset(); }
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
