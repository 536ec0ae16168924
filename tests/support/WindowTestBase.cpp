#include "support/WindowTestBase.h"

#include "app/Resources.h"
#include "app/frmSplash.h"
#include "platform/SecretClipboard.h"
#include "store/CredentialStore.h"
#include "store/HighBitCodec.h"
#include "ui/Forms.h"
#include "ui/ProgramIdentity.h"
#include "ui/dialogs/frmWebsite.h"
#include "ui/main/EntryHandOver.h"
#include "ui/main/Form1.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace kestrune::test {

ProgramFixture::ProgramFixture() {
    app::initResources();
    fake = std::make_unique<FakePlatform>(QDir::toNativeSeparators(folder.path()));
    platform::secretClipboard().reset();
    ui::versionInformation() = ui::builtVersionInformation();
    ui::LoadIdentity();
    store::credentialStore().reset();
    ui::entryHandOver() = {};
    ui::websiteState() = {};
}

ProgramFixture::~ProgramFixture() {
    unloadAllWindows();
    platform::secretClipboard().reset();
    store::credentialStore().reset();
    ui::versionInformation() = ui::builtVersionInformation();
    ui::LoadIdentity();
}

QString ProgramFixture::dataFile() const {
    return folder.filePath(QStringLiteral("data.enc"));
}

void ProgramFixture::writeDataFile(const QByteArray& bytes) const {
    QFile file(dataFile());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

QByteArray ProgramFixture::readDataFile() const {
    QFile file(dataFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void runInEventLoop(const std::function<void()>& action) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        action();
        loop.quit();
    });
    loop.exec();
}

ui::Form1* handOverFromSplash(app::frmSplash* splash) {
    splash->Timer2->stop();
    splash->intTemp = 148;
    splash->Timer2_Timer();
    return ui::forms().find<ui::Form1>();
}

void unloadAllWindows() {
    ui::forms().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray encoded(const QByteArray& plain) {
    return store::HighBitCodec(plain);
}

} // namespace kestrune::test
