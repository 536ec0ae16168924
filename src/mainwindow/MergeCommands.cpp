#include "mainwindow/MergeCommands.h"

#include "dialogs/frmMergePassword.h"
#include "dialogs/frmMergeSummary.h"
#include "mainwindow/DataFileMessages.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"
#include "mainwindow/frmAdd.h"
#include "platform/Platform.h"
#include "store/ConflictCopies.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/TwoWayMerge.h"
#include "widgets/Background.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

namespace kestrune::ui {

namespace {

using Outcome = store::OtherDataFile::Outcome;

QString entries(qsizetype n) {
    return n == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(n);
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// Why another data file cannot be merged, as the end of a sentence.
QString whyNot(const store::OtherDataFile& read) {
    switch (read.outcome) {
    case Outcome::Entries:
        break;
    case Outcome::OtherPassword:
        return QStringLiteral("it is locked with another master password");
    case Outcome::Damaged:
        return QStringLiteral("it is damaged");
    case Outcome::Unsupported:
        return QStringLiteral("it was written by a later version of %1")
            .arg(ProgramIdentity().ProductName);
    case Outcome::Empty:
        return QStringLiteral("it holds no entries and no master password");
    case Outcome::TooLarge:
        return QStringLiteral("it is larger than %1 MB").arg(store::kDataFileSizeLimit >> 20);
    case Outcome::NotAFile:
        return QStringLiteral("it is not a file");
    case Outcome::CannotRead:
        return QStringLiteral("it cannot be read (%1)").arg(fileProblemText(read.file));
    case Outcome::OutOfMemory:
        return QStringLiteral("there is not enough memory to open it");
    }
    return {};
}

bool sameFile(const QString& a, const QString& b) {
    const QString first = QFileInfo(a).canonicalFilePath();
    return !first.isEmpty() && first == QFileInfo(b).canonicalFilePath();
}

} // namespace

void MergeCommands::readInBackground(const QString& path, const QString& password,
                                     bool withKeyInHand,
                                     std::function<void(store::OtherDataFile&&)> done) {
    // The thread gets a copy of the key: the program may forget or replace
    // its own meanwhile.
    std::shared_ptr<const store::Seal> key =
        withKeyInHand ? store::copyOfSeal(store::credentialStore().seal()) : nullptr;
    runInBackground<store::OtherDataFile>(
        &main_,
        [path, password, key] { return store::readOtherDataFile(path, password, key.get()); },
        [this, generation = generation_, done = std::move(done)](store::OtherDataFile&& read) {
            if (generation == generation_) {
                done(std::move(read));
            }
        });
}

void MergeCommands::abandon() {
    ++generation_;
    pending_.reset();
    copies_.clear();
    roundMessages_.clear();
    lookAgain_ = false;
    busy_ = false;
    // Their close finds nothing pending: no cancel is reported.
    forms().unload<frmMergePassword>();
    forms().unload<frmMergeSummary>();
}

void MergeCommands::offerConflictCopies(bool askAgain) {
    if (askAgain) {
        kept_.clear();
    }
    if (busy_) {
        lookAgain_ = true;
        return;
    }
    store::CredentialStore& store = store::credentialStore();
    // Not before the login, nor while the entry dialog may change the list.
    if (store.state.MasterPassword.isEmpty() || forms().isLoaded<frmAdd>()) {
        return;
    }
    roundMessages_.clear();
    for (const store::ConflictCopy& copy : store::findConflictCopies(store.dataFilePath())) {
        if (copy.problem == store::FileProblem::None) {
            // Not read again: one kept when asked, or left alone as it is now.
            const auto named = named_.constFind(copy.path);
            if (!kept_.contains(copy.path) &&
                (named == named_.cend() || *named != store::otherFileStamp(copy.path))) {
                copies_.push_back(copy.path);
            }
            continue;
        }
        store::OtherDataFile read;
        read.outcome =
            copy.problem == store::FileProblem::TooLarge ? Outcome::TooLarge : Outcome::NotAFile;
        leftAlone(copy.path, whyNot(read));
    }
    busy_ = true;
    nextCopy();
}

void MergeCommands::leftAlone(const QString& path, const QString& why) {
    // Named once, until the copy changes.
    const platform::FileStamp now = store::otherFileStamp(path);
    if (const auto it = named_.constFind(path); it != named_.cend() && *it == now) {
        return;
    }
    named_.insert(path, now);
    roundMessages_
        << QStringLiteral("The conflict copy %1 is left alone: %2.").arg(nameOf(path), why);
}

void MergeCommands::nextCopy() {
    if (copies_.empty()) {
        finish(roundMessages_.join(QStringLiteral("  ")));
        return;
    }
    const QString path = copies_.front();
    copies_.pop_front();
    readInBackground(
        path, store::credentialStore().state.MasterPassword, true,
        [this, path](store::OtherDataFile&& read) { copyRead(path, std::move(read)); });
}

void MergeCommands::copyRead(const QString& path, store::OtherDataFile&& read) {
    if (read.outcome != Outcome::Entries) {
        leftAlone(path, whyNot(read));
        nextCopy();
        return;
    }
    pending_ = Pending{path, true, std::move(read.entries), read.stamp};
    showSummary();
}

void MergeCommands::MergeFrom() {
    if (busy_) {
        return;
    }
    if (forms().isLoaded<frmAdd>()) {
        main_.StatusMessage(QStringLiteral("Save or cancel the entry dialog before you merge."));
        return;
    }
    const QString dataFile = store::credentialStore().dataFilePath();
    platform::FileDialogs& files = *platform::services().files;
    const QString path = files.openFileName(
        &main_, QStringLiteral("Merge From"), QFileInfo(dataFile).absolutePath(),
        QStringLiteral("%1 data files (*.enc);;All files (*)").arg(ProgramIdentity().ProductName));
    if (path.isEmpty()) {
        return;
    }
    if (sameFile(path, dataFile)) {
        cannotMerge(path, QStringLiteral("This is the data file %1 is using.")
                              .arg(ProgramIdentity().ProductName));
        return;
    }
    busy_ = true;
    pending_ = Pending{};
    pending_->path = path;
    readInBackground(path, store::credentialStore().state.MasterPassword, true,
                     [this](store::OtherDataFile&& read) { fileRead(std::move(read)); });
}

void MergeCommands::cannotMerge(const QString& path, const QString& why) {
    platform::services().messages->show(
        main_.isVisible() ? &main_ : nullptr,
        QStringLiteral("%1 cannot merge this file.  Nothing has been changed.")
                .arg(ProgramIdentity().ProductName) +
            QStringLiteral("\n\n") + QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + why,
        ProgramIdentity().ProductName, platform::Buttons::Ok, platform::Icon::Warning);
}

void MergeCommands::fileRead(store::OtherDataFile&& read) {
    if (!pending_) {
        return;
    }
    switch (read.outcome) {
    case Outcome::Entries:
        summarise(std::move(read));
        return;
    case Outcome::OtherPassword:
        askPassword();
        return;
    default:
        refuse(read);
        return;
    }
}

void MergeCommands::summarise(store::OtherDataFile&& read) {
    pending_->entries = std::move(read.entries);
    pending_->stamp = read.stamp;
    showSummary();
}

void MergeCommands::refuse(const store::OtherDataFile& read) {
    const QString path = pending_->path;
    pending_.reset();
    QString why = whyNot(read);
    why[0] = why[0].toUpper();
    cannotMerge(path, why + QLatin1Char('.'));
    finish(QStringLiteral("Merge cancelled, nothing changed."));
}

void MergeCommands::askPassword() {
    auto* dialog = forms().load<frmMergePassword>();
    dialog->setFile(pending_->path);
    QObject::connect(dialog, &frmMergePassword::passwordGiven, &main_,
                     [this](const QString& password) { tryPassword(password); });
    QObject::connect(dialog, &frmMergePassword::cancelled, &main_, [this] { cancelMerge(); });
    Forms::showWindow(dialog);
}

void MergeCommands::tryPassword(const QString& password) {
    auto* dialog = forms().find<frmMergePassword>();
    if (!pending_ || dialog == nullptr) {
        return;
    }
    dialog->setChecking(true);
    // A key made from the typed password: the key in hand is the running one.
    readInBackground(pending_->path, password, false, [this](store::OtherDataFile&& read) {
        auto* dialog = forms().find<frmMergePassword>();
        if (!pending_ || dialog == nullptr) {
            return; // cancelled meanwhile
        }
        dialog->setChecking(false);
        const auto done = [dialog] {
            // Its close is no cancel now.
            QObject::disconnect(dialog, &frmMergePassword::cancelled, nullptr, nullptr);
            forms().unload<frmMergePassword>();
        };
        auto& messages = *platform::services().messages;
        switch (read.outcome) {
        case Outcome::Entries:
            done();
            summarise(std::move(read));
            return;
        case Outcome::OtherPassword:
            if (++pending_->wrongTries < kPasswordTries) {
                messages.show(dialog,
                              QStringLiteral("Sorry, the password you entered was not correct."),
                              QStringLiteral("Incorrect Password"), platform::Buttons::Ok,
                              platform::Icon::Warning);
                dialog->txtPass->clear();
                return;
            }
            done();
            pending_.reset();
            messages.show(&main_,
                          QStringLiteral("Sorry, the password you entered was not correct.  "
                                         "Only %1 tries are allowed: the merge is cancelled.")
                              .arg(kPasswordTries),
                          QStringLiteral("Incorrect Password"), platform::Buttons::Ok,
                          platform::Icon::Warning);
            finish(QStringLiteral("Merge cancelled, nothing changed."));
            return;
        default:
            done();
            refuse(read);
            return;
        }
    });
}

void MergeCommands::showSummary() {
    // The numbers as the list stands now; the merge itself is worked out
    // again on OK, against the list as it stands then.
    const store::TwoWayMerge plan =
        store::mergeTwoWay(main_.lstPass->rows(), std::vector<store::Entry>(pending_->entries));
    auto* dialog = forms().load<frmMergeSummary>();
    dialog->setSummary(pending_->path, pending_->conflictCopy, qsizetype(plan.additions.size()),
                       plan.alreadyThere);
    QObject::connect(dialog, &frmMergeSummary::confirmed, &main_, [this] {
        forms().unload<frmMergeSummary>();
        applyMerge();
    });
    QObject::connect(dialog, &frmMergeSummary::cancelled, &main_, [this] { cancelMerge(); });
    Forms::showWindow(dialog);
}

void MergeCommands::applyMerge() {
    if (!pending_) {
        return;
    }
    Pending pending = std::move(*pending_);
    pending_.reset();
    const QString name = nameOf(pending.path);
    store::TwoWayMerge plan = store::mergeTwoWay(main_.lstPass->rows(), std::move(pending.entries));
    const auto count = qsizetype(plan.additions.size());
    if (count > 0 && !appendAndSave(main_.lstPass->rows(), std::move(plan.additions))) {
        // The user has been told why; a copy stays for the next login.
        if (pending.conflictCopy) {
            kept_.insert(pending.path);
            roundMessages_ << QStringLiteral("Nothing merged from %1: the entries could not be "
                                             "saved.  The copy is kept.")
                                  .arg(name);
            nextCopy();
        } else {
            finish(QStringLiteral("Nothing merged: the entries could not be saved."));
        }
        return;
    }
    QString said = count > 0
                       ? QStringLiteral("Merged %1 from %2.  Data saved.").arg(entries(count), name)
                       : QStringLiteral("Nothing to merge: every entry of %1 is already "
                                        "there.")
                             .arg(name);
    if (!pending.conflictCopy) {
        finish(said);
        return;
    }
    // All of the copy's entries are in the data file now, so it can go;
    // unless a sync engine has put another version in its place meanwhile.
    if (store::otherFileStamp(pending.path) != pending.stamp) {
        said += QStringLiteral("  The copy has changed since it was read and is kept.");
    } else if (QFile copy(pending.path); !copy.remove()) {
        kept_.insert(pending.path);
        said += QStringLiteral("  The copy could not be deleted (%1).").arg(copy.errorString());
    } else {
        said += QStringLiteral("  The copy is deleted.");
    }
    roundMessages_ << said;
    nextCopy();
}

void MergeCommands::cancelMerge() {
    if (!pending_) {
        return;
    }
    Pending pending = std::move(*pending_);
    pending_.reset();
    if (!pending.conflictCopy) {
        finish(QStringLiteral("Merge cancelled, nothing changed."));
        return;
    }
    kept_.insert(pending.path);
    roundMessages_ << QStringLiteral("The conflict copy %1 is kept as it is; you are asked "
                                     "again at the next start.")
                          .arg(nameOf(pending.path));
    nextCopy();
}

void MergeCommands::finish(const QString& status) {
    busy_ = false;
    roundMessages_.clear();
    if (!status.isEmpty()) {
        main_.StatusMessage(status);
    }
    if (lookAgain_) {
        lookAgain_ = false;
        offerConflictCopies();
    }
}

} // namespace kestrune::ui
