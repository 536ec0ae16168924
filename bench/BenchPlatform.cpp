#include "BenchPlatform.h"

#include "platform/Platform.h"
#include "support/FakePlatform.h"
#include "widgets/ProgramIdentity.h"

#include <cstdio>

namespace kestrune::bench {

namespace {

struct Doubles {
    test::FakeFolder folder;
    test::FakeSettings settings;
    test::FakeMessageBoxes messages;
    test::FakeExit exit;
    test::FakeSessionLock sessionLock;
};

Doubles& doubles() {
    static Doubles d;
    return d;
}

} // namespace

void installBenchPlatform() {
    Doubles& d = doubles();
    d.settings.values.insert(ui::ProgramIdentity().ProductName +
                                 QStringLiteral("/Settings/showHelp"),
                             QStringLiteral("0"));
    // A long run is not locked by its own lack of input, nor by the desktop's
    // screen saver.
    d.settings.values.insert(ui::ProgramIdentity().ProductName +
                                 QStringLiteral("/Settings/lockAfterMinutes"),
                             QStringLiteral("0"));
    platform::Services services;
    services.folder = &d.folder;
    services.settings = &d.settings;
    services.messages = &d.messages;
    services.exit = &d.exit;
    services.sessionLock = &d.sessionLock;
    platform::install(services);
}

void setProgramFolder(const QString& folder) {
    doubles().folder.folder = folder;
}

void printMessages() {
    std::vector<test::ShownMessage>& shown = doubles().messages.shown;
    for (const test::ShownMessage& message : shown) {
        std::fprintf(stderr, "message box \"%s\": %s\n", qPrintable(message.title),
                     qPrintable(message.text));
    }
    shown.clear();
}

} // namespace kestrune::bench
