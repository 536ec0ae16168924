#include "mainwindow/SavedChange.h"

#include "mainwindow/DataFileMessages.h"
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

} // namespace kestrune::ui
