#include "mainwindow/LoginSteps.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "widgets/Forms.h"

namespace kestrune::ui {

void LoginSteps::BeginLogin() {
    const store::StoreOutcome begun = store::credentialStore().BeginLogin();
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
