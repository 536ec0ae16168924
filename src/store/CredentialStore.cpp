#include "store/CredentialStore.h"

#include "platform/Platform.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/SealedLayout.h"
#include "store/SealedReader.h"
#include "store/SealedWriter.h"
#include "store/SecretKey.h"
#include "store/Wipe.h"

#include <QFileInfo>

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
    // The master password's text goes from memory with the key. The two may
    // share one text, so the second wipe finds it no longer shared.
    wipe(state.MasterPassword);
    wipe(state.StoredPassword);
    state = StoreState{};
    host_ = nullptr;
    guard_.forget();
    lock_.reset();
    seal_.reset();
}

void CredentialStore::forgetSecrets() {
    // Wiped one after the other: while both share the characters, the first
    // only lets go of them, and the second, the last holder, wipes them.
    wipe(state.MasterPassword);
    wipe(state.StoredPassword);
    state = StoreState{};
    lock_.reset();
    seal_.reset(); // the key's memory is wiped as it is freed
}

namespace {

using Kind = StoreOutcome::Kind;

// What a refused read or write leaves: nothing replaced, nothing read.
const FileResult kRefused = FileResult::failure(FileProblem::Refused);

// True when no sealed file stands at `path`: it is missing, or its start
// reads as a written (plain or empty) file. A start that cannot be read is
// left to the login's own reading, which reports it.
bool noSealedFileAt(const QString& path) {
    if (!QFileInfo::exists(path)) {
        return true;
    }
    const ReadResult start = readFileStart(path, 32);
    return start.ok && kindOfDataFile(start.bytes) == DataFileKind::Written;
}

} // namespace

StoreOutcome CredentialStore::BeginLogin(bool expectSealed) {
    const StoreOutcome begun = beginLoginUpToSealedCheck(expectSealed);
    if (begun.kind != Kind::SealedFileToCheck) {
        return begun;
    }
    return sealedFileChecked(checkSealedFile(dataFilePath()));
}

StoreOutcome CredentialStore::beginLoginUpToSealedCheck(bool expectSealed) {
    constexpr StoreStep step = StoreStep::BeginLogin;
    const QString path = dataFilePath();
    // Before the file is read or created: a second copy changes nothing.
    if (guard_.lock(path) == platform::LockOutcome::HeldElsewhere) {
        return {step, Kind::AlreadyRunning};
    }
    if (expectSealed && noSealedFileAt(path)) {
        return {step, Kind::NotSealed};
    }
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return {step, Kind::CannotUseFile, ensured};
    }
    guard_.remember(path);
    const ReadResult start = readFileStart(path, 32);
    if (!start.ok) {
        return {step, Kind::CannotReadFile, start};
    }
    if (kindOfDataFile(start.bytes) != DataFileKind::Written) {
        // Checked whole before the password is asked for: a damaged file is
        // never taken for a wrong password.
        return {step, Kind::SealedFileToCheck};
    }
    const ReadResult line = readFirstLine(path, kFirstLineLimit);
    if (!line.ok) {
        return {step, Kind::CannotReadFile, line};
    }
    const QString decoded = storedPasswordOf(line.bytes);
    if (!decoded.isEmpty()) {
        state.StoredPassword = decoded;
        state.CreatingPassword = false;
    } else {
        state.CreatingPassword = true;
    }
    return {step, state.CreatingPassword ? Kind::CreateMode : Kind::CheckMode};
}

StoreOutcome CredentialStore::sealedFileChecked(SealedFileCheck&& check) {
    constexpr StoreStep step = StoreStep::BeginLogin;
    if (!check.read.ok) {
        return {step, Kind::CannotReadFile, check.read};
    }
    switch (check.outcome) {
    case SealedOutcome::Unsupported:
        return {step, Kind::Unsupported};
    case SealedOutcome::Opened:
        break;
    default:
        return {step, Kind::Damaged};
    }
    lock_ = std::move(check.lock);
    state.StoredPassword.clear();
    state.CreatingPassword = false;
    return {step, Kind::SealedCheckMode};
}

StoreOutcome CredentialStore::LoadData() {
    constexpr StoreStep step = StoreStep::LoadData;
    const QString path = dataFilePath();
    // The password was checked against the file as it was when the dialog
    // opened; a file changed since may hold another one, and saving the list
    // would put the typed password over it.
    if (!guard_.mayReplace(path)) {
        return {step, Kind::ChangedOutside, kRefused};
    }
    if (const FileResult ensured = EnsureDataFile(path); !ensured.ok) {
        return {step, Kind::CannotUseFile, ensured};
    }
    guard_.remember(path);
    std::vector<Entry> entries;
    if (lock_) {
        if (StoreOutcome sealed = loadSealed(path, entries); !sealed) {
            return sealed;
        }
    } else {
        // Decoded piece by piece as it is read: a large file is never held
        // whole in memory beside its entries.
        EntryReader reader;
        reader.expectBytes(QFileInfo(path).size());
        const FileResult read =
            readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
        if (!read.ok) {
            return {step, Kind::CannotReadFile, read};
        }
        entries = reader.finish();
    }
    const auto count = qsizetype(entries.size());
    host_->entryRows().appendEntries(std::move(entries));
    return {step, Kind::Loaded, {}, count};
}

StoreOutcome CredentialStore::loadSealed(const QString& path, std::vector<Entry>& entries) {
    constexpr StoreStep step = StoreStep::LoadData;
    if (!seal_) {
        return {step, Kind::Damaged};
    }
    SealedEntries read = readSealedEntries(path, seal_->key, state.MasterPassword);
    if (!read.read.ok) {
        return {step, Kind::CannotReadFile, read.read};
    }
    if (read.outcome == SealedOutcome::Unsupported) {
        return {step, Kind::Unsupported};
    }
    // The password opened the first chunk, so a file that does not open now,
    // or holds another master password, has been changed: damage.
    if (read.outcome != SealedOutcome::Opened || !read.passwordMatches) {
        return {step, Kind::Damaged};
    }
    entries = std::move(read.entries);
    lock_.reset();
    return {step, Kind::Loaded};
}

void CredentialStore::acceptSeal(Seal&& seal) {
    seal_ = std::move(seal);
}

StoreOutcome CredentialStore::failedPasswordTry(SealedPasswordTry::Outcome outcome) const {
    return {StoreStep::PasswordTry,
            outcome == SealedPasswordTry::Outcome::OutOfMemory ? Kind::OutOfMemory : Kind::Damaged};
}

StoreOutcome CredentialStore::afterWrite(StoreStep step, StoreOutcome::Kind done,
                                         const FileResult& written) {
    if (!written.ok) {
        return {step, written.refused ? Kind::ChangedOutside : Kind::WriteFailed, written};
    }
    guard_.remember(dataFilePath());
    return {step, done, written};
}

StoreOutcome CredentialStore::writeList(StoreStep step, StoreOutcome::Kind done, const Seal* seal) {
    // Encoded (and sealed) and written piece by piece: the whole file is
    // never held in memory beside the entries.
    // Sealed, the plaintext comes in larger pieces: most chunks then lie
    // whole within one and are sealed where they stand.
    SavedFileEncoder encoder(state.MasterPassword, host_->entryRows(),
                             seal == nullptr ? qsizetype(1) << 20 : qsizetype(4) << 20);
    const QString path = dataFilePath();
    const ReplaceCheck mayReplace = [this, &path] { return guard_.mayReplace(path); };
    if (seal == nullptr) {
        return afterWrite(step, done,
                          writeFileAtomicallyInPieces(
                              path, [&encoder] { return encoder.next(); }, mayReplace));
    }
    SealedFileEncoder sealed(*seal, [&encoder] { return encoder.next(); });
    if (sealed.failed()) {
        return {step, Kind::SealingFailed, FileResult::failure(FileProblem::None)};
    }
    return afterWrite(step, done,
                      writeFileAtomicallyInPieces(
                          path, [&sealed] { return sealed.next(); }, mayReplace));
}

StoreOutcome CredentialStore::EncryptDataFile(Seal&& seal) {
    const StoreOutcome written = writeList(StoreStep::EncryptDataFile, Kind::Encrypted, &seal);
    if (written) {
        seal_ = std::move(seal);
    }
    return written;
}

StoreOutcome CredentialStore::RemoveEncryption() {
    const StoreOutcome written =
        writeList(StoreStep::RemoveEncryption, Kind::EncryptionRemoved, nullptr);
    if (written) {
        seal_.reset();
    }
    return written;
}

StoreOutcome CredentialStore::CreateMasterPassword() {
    const QString path = dataFilePath();
    return afterWrite(StoreStep::CreateMasterPassword, Kind::Created,
                      writeFileAtomically(path, createdDataFile(state.MasterPassword),
                                          [this, &path] { return guard_.mayReplace(path); }));
}

StoreOutcome CredentialStore::SaveData() {
    // A sealed file stays sealed (a new stream under the same key), a
    // written one stays written.
    return writeList(StoreStep::SaveData, Kind::Saved, seal_ ? &*seal_ : nullptr);
}

} // namespace kestrune::store
