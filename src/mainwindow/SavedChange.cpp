#include "mainwindow/SavedChange.h"

#include "store/CredentialStore.h"

namespace kestrune::ui {

bool changeAndSave(const std::function<void()>& change, const std::function<void()>& undo) {
    change();
    if (store::credentialStore().SaveData()) {
        return true;
    }
    undo();
    return false;
}

} // namespace kestrune::ui
