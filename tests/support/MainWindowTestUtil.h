#pragma once

#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "support/EntryText.h"
#include "support/FakeStoreHost.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"

#include <vector>

// The main window after a successful login, over a data.enc holding `entries`.
namespace kestrune::test {

inline const QString kMasterPassword = QStringLiteral("master");

// What a failed save of the list says first.
inline const QString kEntriesNotSaved = QStringLiteral(
    "Kestrune could not save your entries.  The data file on disk has been left as it was.");

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
    main->loginSteps().passwordAccepted();
    return main;
}

// The texts of one column of the list (0 the username, 1 the password, 2 the
// location), in the order shown.
inline QStringList shownColumn(const ui::EntryListModel& rows, int subItem) {
    QStringList texts;
    for (qsizetype i = 1; i <= rows.count(); ++i) {
        texts.append(subItem == 0 ? rows.text(i) : rows.subItem(i, subItem));
    }
    return texts;
}
inline QStringList shownColumn(ui::Form1* main, int subItem) {
    return shownColumn(main->lstPass->rows(), subItem);
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
