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
    platform::services().exit->endNow();
    return false;
}

bool CredentialStore::BeginLogin() {
    const QString path = dataFilePath();
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot use its data file.")), ensured.error);
    }
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
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot use its data file.")), ensured.error);
    }
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
    const FileResult written =
        writeFileAtomically(dataFilePath(), createdDataFile(state.MasterPassword));
    if (!written.ok) {
        fail(named(QStringLiteral("%1 could not save the master password.  Nothing has been "
                                  "changed; please try again.")),
             written.error);
        return false;
    }
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
    const FileResult written =
        writeFileAtomicallyInPieces(dataFilePath(), [&encoder] { return encoder.next(); });
    if (!written.ok) {
        fail(named(QStringLiteral("%1 could not save your entries.  The data file on disk has "
                                  "been left as it was.")),
             written.error);
        return false;
    }
    host_->StatusMessage(QStringLiteral("Saved ") +
                         GeneralDateText(QDateTime::currentDateTime(), QLocale::system()));
    return true;
}

} // namespace kestrune::store
