#include "support/StoreTestBase.h"

#include <QDir>
#include <QTest>

namespace kestrune::test {

void StoreTestBase::startAgain() {
    store::credentialStore().reset();
    host = std::make_unique<FakeStoreHost>();
    store::credentialStore().attach(host.get());
}

void StoreTestBase::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    fake = std::make_unique<FakePlatform>(dir->path());
    file = dir->filePath(QStringLiteral("data.enc"));
    QCOMPARE(QDir::cleanPath(store::credentialStore().dataFilePath()), file);
    startAgain();
}

void StoreTestBase::cleanup() {
    store::credentialStore().reset();
    fake.reset();
    host.reset();
    dir.reset();
}

} // namespace kestrune::test
