#pragma once

#include "store/CredentialStore.h"
#include "support/FakePlatform.h"
#include "support/FakeStoreHost.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Shared set-up of the store tests: a fresh temporary program folder with the
// platform doubles over it, and the store at a program start, attached to a
// plain list of entries.
namespace kestrune::test {

class StoreTestBase : public QObject {
    Q_OBJECT
protected:
    // A new start of the program over the same folder: the store forgets all
    // it knew and gets a fresh, empty list.
    void startAgain();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<FakeStoreHost> host;
    QString file; // data.enc in the folder

protected slots:
    void init();
    void cleanup();
};

} // namespace kestrune::test
