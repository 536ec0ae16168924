#include "app/Resources.h"
#include "app/frmSplash.h"
#include "platform/Platform.h"
#include "platform/ProcessHardening.h"
#include "platform/SecretClipboard.h"
#include "store/SecretKey.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Before anything holds a secret.
    kestrune::platform::keepMemoryPrivate();
    // Whatever the program writes (the data file, its lock, an export) is
    // its user's alone from the moment it is created.
    kestrune::platform::createFilesOwnerOnly();
    // libsodium, once, before any thread may need it: the sealed data file's
    // cryptography and every random draw (the password generator) come from it.
    const bool sodiumReady = kestrune::store::sodiumReady();
    QApplication app(argc, argv);
    if (!sodiumReady) {
        const QString name = kestrune::ui::versionInformation().ProductName;
        kestrune::platform::services().messages->show(
            nullptr,
            QStringLiteral("%1 cannot start: the system's source of random numbers is not "
                           "available.")
                .arg(name),
            name, kestrune::platform::Buttons::Ok, kestrune::platform::Icon::Critical);
        return 1;
    }
    kestrune::app::initResources();
    // The program ends explicitly when its main window or the password dialog
    // says so, not when a window happens to be the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);
    auto* splash = kestrune::ui::forms().load<kestrune::app::frmSplash>();
    splash->show();
    const int code = QApplication::exec();
    // Reached only when the application is asked to quit (the session ends):
    // a copied password goes as on every other way out.
    kestrune::platform::secretClipboard().clearIfStillHeld();
    return code;
}
