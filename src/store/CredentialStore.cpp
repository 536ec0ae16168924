#include "store/CredentialStore.h"

#include "platform/Platform.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/GeneralDate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace kestrune::store {

CredentialStore& credentialStore() {
    static CredentialStore store;
    return store;
}

QString CredentialStore::dataFilePath() const {
    return DataFilePath(platform::services().folder->path());
}

void CredentialStore::reset() {
    state = StoreState{};
    host_ = nullptr;
    guard_.forget();
}

QString CredentialStore::named(const QString& text) const {
    return text.arg(host_ != nullptr ? host_->productName() : QString());
}

void CredentialStore::fail(const QString& what, const QString& why) {
    const QString text = what + QStringLiteral("\n\n") + QDir::toNativeSeparators(dataFilePath()) +
                         QStringLiteral("\n\n") + why;
    if (host_ != nullptr) {
        host_->reportFailure(text);
    }
}

bool CredentialStore::failAndEnd(const QString& what, const QString& why) {
    fail(what + QStringLiteral("  The program will close; the file has not been changed."), why);
    platform::endProgram();
    return false;
}

void CredentialStore::failedWrite(const FileResult& written, const QString& what) {
    if (written.refused) {
        fail(named(QStringLiteral("The data file has been changed by another program since %1 "
                                  "read it.  Nothing was overwritten: this change has not been "
                                  "saved.")),
             named(QStringLiteral("Close %1 and start it again to load the file as it is now.")));
        return;
    }
    fail(what, written.error);
}

bool CredentialStore::BeginLogin() {
    const QString path = dataFilePath();
    // Before the file is read or created: a second copy changes nothing.
    if (guard_.lock(path) == platform::LockOutcome::HeldElsewhere) {
        fail(named(QStringLiteral("%1 is already running with this data file.")),
             named(QStringLiteral("Use the copy of %1 that is running.  This one will close; "
                                  "it has not read or changed the file.")));
        platform::endProgram();
        return false;
    }
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot use its data file.")), ensured.error);
    }
    guard_.remember(path);
    const ReadResult line = readFirstLine(path);
    if (!line.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), line.error);
    }
    const QString decoded = storedPasswordOf(line.bytes);
    if (!decoded.isEmpty()) {
        state.StoredPassword = decoded;
        state.CreatingPassword = false;
    } else {
        state.CreatingPassword = true;
    }
    host_->showPasswordDialog();
    return true;
}

bool CredentialStore::LoadData() {
    const QString path = dataFilePath();
    // The password was checked against the file as it was when the dialog
    // opened; a file changed since may hold another one, and saving the list
    // would put the typed password over it.
    if (!guard_.mayReplace(path)) {
        return failAndEnd(named(QStringLiteral("The data file has been changed by another program "
                                               "since %1 read it.")),
                          named(QStringLiteral("Start %1 again to load the file as it is now.")));
    }
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot use its data file.")), ensured.error);
    }
    guard_.remember(path);
    // Decoded piece by piece as it is read: a large file is never held whole
    // in memory beside its entries.
    EntryReader reader;
    reader.expectBytes(QFileInfo(path).size());
    const FileResult read =
        readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
    if (!read.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), read.error);
    }
    std::vector<Entry> entries = reader.finish();
    const auto count = qsizetype(entries.size());
    host_->entryRows().appendEntries(std::move(entries));
    host_->StatusMessage(QStringLiteral("Loaded %1 entries").arg(count));
    host_->afterFormLoad();
    return true;
}

bool CredentialStore::CreateMasterPassword() {
    // The file is written before the dialog goes away, so that a failed write
    // leaves the dialog, and what was typed, in place.
    const QString path = dataFilePath();
    const FileResult written =
        writeFileAtomically(path, createdDataFile(state.MasterPassword),
                            [this, &path] { return guard_.mayReplace(path); });
    if (!written.ok) {
        failedWrite(written, named(QStringLiteral("%1 could not save the master password.  Nothing "
                                                  "has been changed; please try again.")));
        return false;
    }
    guard_.remember(path);
    host_->unloadPasswordDialog();
    host_->letPendingEventsRun();
    host_->StatusMessage(QStringLiteral("Password created successfully"));
    host_->afterFormLoad();
    return true;
}

bool CredentialStore::SaveData() {
    // Encoded and written piece by piece: the whole file is never held in
    // memory beside the entries.
    SavedFileEncoder encoder(state.MasterPassword, host_->entryRows());
    const QString path = dataFilePath();
    const FileResult written = writeFileAtomicallyInPieces(
        path, [&encoder] { return encoder.next(); },
        [this, &path] { return guard_.mayReplace(path); });
    if (!written.ok) {
        failedWrite(written, named(QStringLiteral("%1 could not save your entries.  The data file "
                                                  "on disk has been left as it was.")));
        return false;
    }
    guard_.remember(path);
    host_->StatusMessage(QStringLiteral("Saved ") +
                         GeneralDateText(QDateTime::currentDateTime(), QLocale::system()));
    return true;
}

} // namespace kestrune::store
