#include "app/Resources.h"
#include "app/frmSplash.h"
#include "platform/Platform.h"
#include "platform/ProcessHardening.h"
#include "platform/SecretClipboard.h"
#include "ui/Forms.h"
#include "ui/ProgramIdentity.h"

#include <QApplication>

#include <sodium.h>

int main(int argc, char* argv[]) {
    // Before anything holds a secret.
    kestrune::platform::keepMemoryPrivate();
    QApplication app(argc, argv);
    // libsodium is the source of every random draw (the password generator).
    if (sodium_init() < 0) {
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
