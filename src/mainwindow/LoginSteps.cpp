#include "mainwindow/LoginSteps.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/SealedFileMemory.h"
#include "widgets/Background.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <optional>

namespace kestrune::ui {

namespace {

// The store's BeginLogin, with the check that a data file sealed when it was
// last used here still is. A plain, empty or missing file in its place is
// used only when the user says so; otherwise the program ends with nothing
// written. Nothing when it ended.
std::optional<store::StoreOutcome> beginWithSealedCheck(Form1& main) {
    auto& store = store::credentialStore();
    const bool expectSealed = store::wasSealed(ProgramIdentity().ProductName, store.dataFilePath());
    store::StoreOutcome begun = store.beginLoginUpToSealedCheck(expectSealed);
    if (begun.kind != store::StoreOutcome::Kind::NotSealed) {
        return begun;
    }
    if (!confirmUnsealedDataFile(main)) {
        platform::endProgram();
        return std::nullopt;
    }
    return store.beginLoginUpToSealedCheck();
}

} // namespace

void LoginSteps::BeginLogin() {
    const std::optional<store::StoreOutcome> begun = beginWithSealedCheck(main_);
    if (!begun) {
        return;
    }
    if (begun->kind != store::StoreOutcome::Kind::SealedFileToCheck) {
        showPasswordDialog(*begun);
        return;
    }
    // A sealed file is checked whole (its hash) on a thread of its own, as
    // its key is made later: the windows keep painting meanwhile.
    checkingFile_ = true;
    runInBackground<store::SealedFileCheck>(
        &main_,
        [path = store::credentialStore().dataFilePath()] { return store::checkSealedFile(path); },
        [this](store::SealedFileCheck&& check) {
            checkingFile_ = false;
            showPasswordDialog(store::credentialStore().sealedFileChecked(std::move(check)));
        });
}

void LoginSteps::showPasswordDialog(const store::StoreOutcome& begun) {
    if (!tellDataFileOutcome(main_, begun)) {
        return;
    }
    // Its load reads CreatingPassword for its mode.
    auto* dialog = forms().load<frmPass>();
    dialog->reportTo(*this);
    Forms::showWindow(dialog);
}

bool LoginSteps::beforePasswordCheck() {
    store::CredentialStore& store = store::credentialStore();
    if (!main_.locking().isLocked() || !store.changedSinceRead()) {
        return true;
    }
    const store::StoreOutcome again = store.BeginLogin();
    switch (again.kind) {
    case store::StoreOutcome::Kind::CheckMode:
    case store::StoreOutcome::Kind::SealedCheckMode:
        return true;
    case store::StoreOutcome::Kind::CreateMode:
        // The file has been emptied or taken away meanwhile: a master
        // password is made, as at the first start.
        if (auto* dialog = forms().find<frmPass>()) {
            dialog->Load();
        }
        return false;
    default:
        tellDataFileOutcome(main_, again);
        return false;
    }
}

bool LoginSteps::passwordCreated() {
    // The file is written before the dialog goes away, so that a failed write
    // leaves the dialog, and what was typed, in place.
    const store::StoreOutcome created = store::credentialStore().CreateMasterPassword();
    if (!created) {
        tellDataFileOutcome(main_, created);
        return false;
    }
    forms().unload<frmPass>();
    Forms::letPendingEventsRun();
    tellDataFileOutcome(main_, created);
    main_.afterFormLoad();
    main_.merges().offerConflictCopies(true);
    return true;
}

void LoginSteps::passwordAccepted() {
    if (tellDataFileOutcome(main_, store::credentialStore().LoadData())) {
        main_.afterFormLoad();
        main_.merges().offerConflictCopies(true);
    }
}

void LoginSteps::passwordTryFailed(store::SealedPasswordTry::Outcome outcome) {
    tellDataFileOutcome(main_, store::credentialStore().failedPasswordTry(outcome));
}

} // namespace kestrune::ui
