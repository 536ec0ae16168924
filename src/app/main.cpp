#include "app/Resources.h"
#include "app/frmSplash.h"
#include "platform/ProcessHardening.h"
#include "store/SecretKey.h"
#include "ui/Forms.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Before anything holds a secret.
    kestrune::platform::keepMemoryPrivate();
    // libsodium, once, before any thread may need it.
    kestrune::store::sodiumReady();
    QApplication app(argc, argv);
    kestrune::app::initResources();
    // The program ends explicitly when its main window or the password dialog
    // says so, not when a window happens to be the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);
    auto* splash = kestrune::ui::forms().load<kestrune::app::frmSplash>();
    splash->show();
    return QApplication::exec();
}
