#include "store/CredentialStore.h"

#include "platform/Platform.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/GeneralDate.h"
#include "store/SealedLayout.h"
#include "store/SealedReader.h"
#include "store/SealedWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace kestrune::store {

CredentialStore& credentialStore() {
    static CredentialStore store;
    // However the program ends, the key does not outlive it in memory.
    static const bool keyWipedAtEnd = [] {
        platform::atProgramEnd([] { store.reset(); });
        return true;
    }();
    Q_UNUSED(keyWipedAtEnd);
    return store;
}

QString CredentialStore::dataFilePath() const {
    return DataFilePath(platform::services().folder->path());
}

void CredentialStore::reset() {
    state = StoreState{};
    host_ = nullptr;
    guard_.forget();
    lock_.reset();
    seal_.reset();
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
    const ReadResult start = readFileStart(path, 32);
    if (!start.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), start.error);
    }
    if (kindOfDataFile(start.bytes) != DataFileKind::Written) {
        // Checked whole before the password is asked for: a damaged file is
        // never taken for a wrong password.
        SealedFileReader reader;
        const FileResult read =
            readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
        if (!read.ok) {
            return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), read.error);
        }
        switch (reader.finish()) {
        case SealedOutcome::Unsupported:
            return failUnsupported();
        case SealedOutcome::Opened:
            break;
        default:
            return failDamaged();
        }
        lock_ = std::make_shared<const SealedLock>(
            SealedLock{reader.header(), reader.takeFirstChunk()});
        state.StoredPassword.clear();
        state.CreatingPassword = false;
        host_->showPasswordDialog();
        return true;
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
    std::vector<Entry> entries;
    if (lock_) {
        if (!loadSealed(path, entries)) {
            return false;
        }
    } else {
        // Decoded piece by piece as it is read: a large file is never held
        // whole in memory beside its entries.
        EntryReader reader;
        reader.expectBytes(QFileInfo(path).size());
        const FileResult read =
            readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
        if (!read.ok) {
            return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), read.error);
        }
        entries = reader.finish();
    }
    const auto count = qsizetype(entries.size());
    host_->entryRows().appendEntries(std::move(entries));
    host_->StatusMessage(QStringLiteral("Loaded %1 entries").arg(count));
    host_->afterFormLoad();
    return true;
}

bool CredentialStore::loadSealed(const QString& path, std::vector<Entry>& entries) {
    if (!seal_) {
        return failDamaged();
    }
    SealedEntries read = readSealedEntries(path, seal_->key, state.MasterPassword);
    if (!read.read.ok) {
        return failAndEnd(named(QStringLiteral("%1 cannot read its data file.")), read.read.error);
    }
    if (read.outcome == SealedOutcome::Unsupported) {
        return failUnsupported();
    }
    // The password opened the first chunk, so a file that does not open now,
    // or holds another master password, has been changed: damage.
    if (read.outcome != SealedOutcome::Opened || !read.passwordMatches) {
        return failDamaged();
    }
    entries = std::move(read.entries);
    lock_.reset();
    return true;
}

bool CredentialStore::failDamaged() {
    return failAndEnd(
        named(QStringLiteral("The data file is damaged, so %1 cannot open it.")),
        named(QStringLiteral("The file is encrypted, but part of it is missing or has been "
                             "changed since %1 wrote it.  Put back a copy from your backup, "
                             "and start %1 again.")));
}

bool CredentialStore::failUnsupported() {
    return failAndEnd(
        named(QStringLiteral("This version of %1 cannot open the data file.")),
        named(QStringLiteral("The file was encrypted by a newer version of %1, or in a way "
                             "that this version does not know.  Open it with the version "
                             "of %1 that encrypted it.")));
}

void CredentialStore::acceptSeal(Seal&& seal) {
    seal_ = std::move(seal);
}

void CredentialStore::failPasswordTry(SealedPasswordTry::Outcome outcome) {
    if (outcome == SealedPasswordTry::Outcome::OutOfMemory) {
        (void)failAndEnd(named(QStringLiteral("%1 cannot open the data file.")),
                         named(QStringLiteral("There is not enough free memory to make the "
                                              "key of the encrypted file.  Close other "
                                              "programs and start %1 again.")));
        return;
    }
    (void)failDamaged();
}

FileResult CredentialStore::writeList(const Seal* seal) {
    // Encoded (and sealed) and written piece by piece: the whole file is
    // never held in memory beside the entries.
    // Sealed, the plaintext comes in larger pieces: most chunks then lie
    // whole within one and are sealed where they stand.
    SavedFileEncoder encoder(state.MasterPassword, host_->entryRows(),
                             seal == nullptr ? qsizetype(1) << 20 : qsizetype(4) << 20);
    const QString path = dataFilePath();
    const ReplaceCheck mayReplace = [this, &path] { return guard_.mayReplace(path); };
    if (seal == nullptr) {
        return writeFileAtomicallyInPieces(
            path, [&encoder] { return encoder.next(); }, mayReplace);
    }
    SealedFileEncoder sealed(*seal, [&encoder] { return encoder.next(); });
    if (sealed.failed()) {
        return FileResult::failure(QStringLiteral("The data file could not be encrypted."));
    }
    return writeFileAtomicallyInPieces(
        path, [&sealed] { return sealed.next(); }, mayReplace);
}

bool CredentialStore::EncryptDataFile(Seal&& seal) {
    const FileResult written = writeList(&seal);
    if (!written.ok) {
        failedWrite(written, named(QStringLiteral("%1 could not encrypt the data file.  It has "
                                                  "been left as it was.")));
        return false;
    }
    guard_.remember(dataFilePath());
    seal_ = std::move(seal);
    host_->StatusMessage(
        QStringLiteral("Data file encrypted: it now opens only with the master password."));
    return true;
}

bool CredentialStore::RemoveEncryption() {
    const FileResult written = writeList(nullptr);
    if (!written.ok) {
        failedWrite(written, named(QStringLiteral("%1 could not remove the encryption.  The "
                                                  "data file has been left as it was.")));
        return false;
    }
    guard_.remember(dataFilePath());
    seal_.reset();
    host_->StatusMessage(
        QStringLiteral("Encryption removed: the data file can now be read without the "
                       "master password."));
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
    // A sealed file stays sealed (a new stream under the same key), a
    // written one stays written.
    const QString path = dataFilePath();
    const FileResult written = writeList(seal_ ? &*seal_ : nullptr);
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
