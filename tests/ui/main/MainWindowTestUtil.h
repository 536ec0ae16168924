#pragma once

#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "support/FakeStoreHost.h"
#include "support/WindowTestBase.h"
#include "ui/Forms.h"
#include "ui/main/Form1.h"

#include <vector>

// The main window after a successful login, over a data.enc holding `entries`.
namespace kestrune::test {

inline const QString kMasterPassword = QStringLiteral("master");

// The bytes a save of `entries` writes, in that order.
inline QByteArray fileWith(const std::vector<store::Entry>& entries) {
    VectorRows rows;
    rows.rows = entries;
    return store::savedDataFile(kMasterPassword, rows);
}

inline ui::Form1* loggedInMainWindow(ProgramFixture& fixture,
                                     const std::vector<store::Entry>& entries) {
    fixture.writeDataFile(fileWith(entries));
    auto* main = ui::forms().load<ui::Form1>();
    store::credentialStore().state.MasterPassword = kMasterPassword;
    store::credentialStore().LoadData();
    return main;
}

// The rows of the list, in the order shown.
inline std::vector<store::Entry> shownRows(ui::Form1* main) {
    std::vector<store::Entry> rows;
    const auto& model = main->lstPass->rows();
    for (qsizetype i = 1; i <= model.count(); ++i) {
        rows.push_back(model.row(i));
    }
    return rows;
}

} // namespace kestrune::test

// QCOMPARE prints entries that differ.
namespace kestrune::store {
inline char* toString(const Entry& e) {
    return qstrdup(qPrintable(e.username + "|" + e.password + "|" + e.location));
}
} // namespace kestrune::store
