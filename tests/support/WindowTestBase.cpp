#include "support/WindowTestBase.h"

#include "app/Resources.h"
#include "app/frmSplash.h"
#include "dialogs/frmWebsite.h"
#include "mainwindow/Form1.h"
#include "platform/SecretClipboard.h"
#include "store/CredentialStore.h"
#include "store/HighBitCodec.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <utility>

namespace kestrune::test {

ProgramFixture::ProgramFixture() {
    app::initResources();
    fake = std::make_unique<FakePlatform>(QDir::toNativeSeparators(folder.path()));
    platform::secretClipboard().reset();
    ui::versionInformation() = ui::builtVersionInformation();
    ui::LoadIdentity();
    store::credentialStore().reset();
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

void WindowTestBase::startAfresh() {
    fixture.reset(); // the doubles of the program so far go first
    fixture = std::make_unique<ProgramFixture>();
}

void WindowTestBase::expectMessages(const std::vector<ShownMessage>& expected, Where where) {
    const std::vector<ShownMessage> shown = std::exchange(fake().messages.shown, {});
    QTest::qCompare(shown, expected, "shown", "expected", where.file, where.line);
}

void WindowTestBase::expectFileFailure(const QString& what, WriteFailure how,
                                       const QByteArray& before, Where where) {
    const std::vector<ShownMessage> shown = std::exchange(fake().messages.shown, {});
    const auto check = [&](bool ok, const QString& problem) {
        return QTest::qVerify(ok, "expectFileFailure", qPrintable(problem), where.file, where.line);
    };
    if (!check(shown.size() == 1, QStringLiteral("%1 boxes shown").arg(shown.size()))) {
        return;
    }
    const ShownMessage& box = shown.front();
    const bool failureBox = box.title == ui::ProgramIdentity().ProductName &&
                            box.buttons == platform::Buttons::Ok &&
                            box.icon == platform::Icon::Critical;
    if (!check(failureBox, QStringLiteral("not the failure box: ") + box.title) ||
        !check(box.text.section(QStringLiteral("\n\n"), 0, 0) == what,
               QStringLiteral("does not say \"") + what + QStringLiteral("\": ") + box.text)) {
        return;
    }
    const QString message = failureMessageProblem(box.text, fixture->dataFile(), how);
    if (!check(message.isEmpty(), message)) {
        return;
    }
    const QString file = untouchedFileProblem(fixture->dataFile(), how, before);
    check(file.isEmpty(), file);
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
