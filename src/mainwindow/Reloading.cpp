#include "mainwindow/Reloading.h"

#include "mainwindow/DataFileMessages.h"
#include "mainwindow/Form1.h"
#include "mainwindow/frmAdd.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/SealedPasswordTry.h"
#include "widgets/Background.h"
#include "widgets/Forms.h"

#include <QApplication>

namespace kestrune::ui {

using Kind = store::StoreOutcome::Kind;

Reloading::Reloading(Form1& main) : main_(main) {}

Reloading::~Reloading() {
    platform::services().timers->cancel(due_);
}

void Reloading::start() {
    platform::FileWatcher& watcher = *platform::services().watcher;
    if (!watching_) {
        QObject::connect(&watcher, &platform::FileWatcher::changed, &main_,
                         [this] { fileChanged(); });
        watching_ = true;
    }
    watcher.watch(store::credentialStore().dataFilePath());
}

bool Reloading::reloadMayRun() const {
    return !makingKey_ && !store::credentialStore().state.MasterPassword.isEmpty() &&
           !forms().isLoaded<frmAdd>() && !main_.exchange().importPending() &&
           !main_.dataFileCommands().busy() && QApplication::activeModalWidget() == nullptr;
}

void Reloading::fileChanged() {
    if (due_ == 0) {
        due_ = platform::services().timers->startOnce(kSettleMs, [this] { readAgain(); });
    }
}

void Reloading::readAgain() {
    due_ = 0;
    if (main_.locking().isLocked()) {
        return; // the unlock reads the file as it is then
    }
    if (!reloadMayRun()) {
        due_ = platform::services().timers->startOnce(kWaitMs, [this] { readAgain(); });
        return;
    }
    std::optional<store::Seal> seal = std::exchange(newSeal_, std::nullopt);
    const store::StoreOutcome reloaded = store::credentialStore().ReloadData(std::move(seal));
    switch (reloaded.kind) {
    case Kind::Unchanged:
        // The folder changed: a sync engine may have left a conflict copy.
        main_.merges().offerConflictCopies();
        return;
    case Kind::NeedsKey:
        makeKey();
        return;
    case Kind::AnotherVault:
        // Told once; the file is left alone, and saves are refused, until it
        // is this vault's again.
        if (!toldAnotherVault_) {
            toldAnotherVault_ = true;
            tellDataFileOutcome(main_, reloaded);
        }
        return;
    case Kind::Reloaded:
        toldAnotherVault_ = false;
        break;
    default:
        break;
    }
    tellDataFileOutcome(main_, reloaded);
    main_.updateFileMenu();
    main_.merges().offerConflictCopies();
}

void Reloading::makeKey() {
    const std::shared_ptr<const store::SealedLock> lock = store::credentialStore().sealedLock();
    if (!lock) {
        return;
    }
    makingKey_ = true;
    const QString password = store::credentialStore().state.MasterPassword;
    runInBackground<store::SealedPasswordTry>(
        &main_, [lock, password] { return store::trySealedPassword(*lock, password); },
        [this](store::SealedPasswordTry&& tried) {
            makingKey_ = false;
            switch (tried.outcome) {
            case store::SealedPasswordTry::Outcome::Opens:
                newSeal_ = std::move(tried.seal);
                readAgain();
                return;
            case store::SealedPasswordTry::Outcome::Wrong:
                if (!toldAnotherVault_) {
                    toldAnotherVault_ = true;
                    tellDataFileOutcome(main_, {store::StoreStep::ReloadData, Kind::AnotherVault});
                }
                return;
            case store::SealedPasswordTry::Outcome::Damaged:
                tellDataFileOutcome(main_, {store::StoreStep::ReloadData, Kind::Damaged});
                return;
            case store::SealedPasswordTry::Outcome::OutOfMemory:
                tellDataFileOutcome(main_, {store::StoreStep::ReloadData, Kind::OutOfMemory});
                return;
            }
        });
}

} // namespace kestrune::ui
