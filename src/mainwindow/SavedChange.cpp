#include "mainwindow/SavedChange.h"

#include "mainwindow/DataFileMessages.h"
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

} // namespace kestrune::ui
