#include "mainwindow/SavedChange.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "widgets/Forms.h"

namespace kestrune::ui {

bool changeAndSave(const std::function<void()>& change, const std::function<void()>& undo) {
    change();
    if (tellDataFileOutcome(*forms().find<Form1>(), store::credentialStore().SaveData())) {
        return true;
    }
    undo();
    return false;
}

bool appendAndSave(EntryListModel& rows, std::vector<store::Entry>&& entries) {
    const quint64 firstAdded = rows.nextIdentity();
    return changeAndSave([&] { rows.appendEntries(std::move(entries)); },
                         [&] { rows.removeAddedSince(firstAdded); });
}

} // namespace kestrune::ui
