#include "mainwindow/SavedChange.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "widgets/Forms.h"

namespace kestrune::ui {

store::StoreOutcome changeAndSave(const store::EntryChange& saved,
                                  const std::function<void()>& change,
                                  const std::function<void()>& undo) {
    change();
    Form1& main = *forms().find<Form1>();
    const store::StoreOutcome outcome = store::credentialStore().SaveData(saved);
    if (tellDataFileOutcome(main, outcome)) {
        main.updateFileMenu(); // a merge follows the file, sealed or not
        return outcome;
    }
    undo();
    return outcome;
}

store::StoreOutcome appendAndSave(EntryListModel& rows, std::vector<store::Entry>&& entries) {
    const quint64 firstAdded = rows.nextIdentity();
    const store::EntryChange saved = store::EntryChange::append(entries);
    return changeAndSave(
        saved, [&] { rows.appendEntries(std::move(entries)); },
        [&] { rows.removeAddedSince(firstAdded); });
}

} // namespace kestrune::ui
