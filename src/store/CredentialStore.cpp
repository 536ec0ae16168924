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

// Entries held apart from the list, as a merge writes them.
class HeldEntries final : public EntryRows {
public:
    explicit HeldEntries(const std::vector<Entry>& entries) : entries_(entries) {}
    qsizetype entryCount() const override { return qsizetype(entries_.size()); }
    const Entry& entryAt(qsizetype index) const override { return entries_[std::size_t(index)]; }
    void appendEntries(std::vector<Entry>&&) override {}

private:
    const std::vector<Entry>& entries_;
};

platform::FileStamp stampOf(const QString& path) {
    return platform::services().stamps->stampOf(path);
}

// True when a key made with `seal` opens a file with this header.
bool opens(const Seal& seal, const SealedHeader& header) {
    return seal.header.algorithm == header.algorithm && seal.header.limits == header.limits &&
           seal.header.salt == header.salt;
}

} // namespace

StoreOutcome CredentialStore::lockSealed(StoreStep step, SealedFileCheck&& check) {
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
    return {step, Kind::SealedCheckMode};
}

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
    const StoreOutcome locked = lockSealed(StoreStep::BeginLogin, std::move(check));
    if (locked) {
        state.StoredPassword.clear();
        state.CreatingPassword = false;
    }
    return locked;
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

StoreOutcome CredentialStore::writeList(StoreStep step, StoreOutcome::Kind done, const Seal* seal,
                                        const EntryRows& rows, const ReplaceCheck& mayReplace) {
    // Encoded (and sealed) and written piece by piece: the whole file is
    // never held in memory beside the entries.
    // Sealed, the plaintext comes in larger pieces: most chunks then lie
    // whole within one and are sealed where they stand.
    SavedFileEncoder encoder(state.MasterPassword, rows,
                             seal == nullptr ? qsizetype(1) << 20 : qsizetype(4) << 20);
    const QString path = dataFilePath();
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

StoreOutcome CredentialStore::writeList(StoreStep step, StoreOutcome::Kind done, const Seal* seal,
                                        bool keepSealing, const EntryChange& change) {
    const QString path = dataFilePath();
    const StoreOutcome written = writeList(step, done, seal, host_->entryRows(),
                                           [this, &path] { return guard_.mayReplace(path); });
    if (written.kind != Kind::ChangedOutside) {
        return written;
    }
    // Another program changed the file: the change is made again on what it
    // holds now, and that is written, unless it changes once more meanwhile.
    const platform::FileStamp before = stampOf(path);
    std::vector<Entry> entries;
    const Seal* found = nullptr;
    if (!readCurrent(step, path, nullptr, entries, found)) {
        return written;
    }
    AppliedChange applied = applyChange(std::move(entries), change);
    const HeldEntries rows(applied.entries);
    StoreOutcome merged = writeList(step, done, keepSealing ? found : seal, rows,
                                    [&path, &before] { return stampOf(path) == before; });
    if (!merged) {
        return merged;
    }
    if (keepSealing && found == nullptr) {
        seal_.reset(); // its encryption was removed elsewhere
    }
    merged.merged = true;
    merged.alreadyThere = applied.alreadyThere;
    merged.count = qsizetype(applied.entries.size());
    host_->replaceEntries(std::move(applied.entries));
    return merged;
}

StoreOutcome CredentialStore::readCurrent(StoreStep step, const QString& path, const Seal* offered,
                                          std::vector<Entry>& entries, const Seal*& sealedWith) {
    const ReadResult start = readFileStart(path, kSealedFirstLineSize + kSealedHeaderSize);
    if (!start.ok) {
        return {step, Kind::Damaged, start};
    }
    if (QFileInfo(path).size() > kDataFileSizeLimit) {
        return {step, Kind::Damaged, FileResult::failure(FileProblem::TooLarge)};
    }
    const DataFileKind kind = kindOfDataFile(start.bytes);
    if (kind == DataFileKind::Sealed &&
        start.bytes.size() == kSealedFirstLineSize + kSealedHeaderSize) {
        const SealedHeader header = SealedHeader::parse(start.bytes);
        sealedWith = offered != nullptr && opens(*offered, header) ? offered
                     : seal_ && opens(*seal_, header)              ? &*seal_
                                                                   : nullptr;
        if (sealedWith == nullptr) {
            // Sealed anew elsewhere: the master password must make its key.
            const StoreOutcome locked = lockSealed(step, checkSealedFile(path));
            return {step, locked ? Kind::NeedsKey : Kind::Damaged, locked.file};
        }
        SealedEntries read = readSealedEntries(path, sealedWith->key, state.MasterPassword);
        if (!read.read.ok || read.outcome == SealedOutcome::Damaged ||
            read.outcome == SealedOutcome::Unsupported) {
            return {step, Kind::Damaged, read.read};
        }
        if (read.outcome != SealedOutcome::Opened || !read.passwordMatches) {
            return {step, Kind::AnotherVault};
        }
        entries = std::move(read.entries);
        return {step, Kind::Loaded};
    }
    if (kind != DataFileKind::Written) {
        return {step, Kind::Damaged};
    }
    // Line 1 first: another vault's entries are not even read. A file without
    // a whole line 1, or that does not end with a whole line, is still being
    // written, or was cut short.
    const qint64 size = QFileInfo(path).size();
    const ReadResult line = readFirstLine(path, kFirstLineLimit);
    if (!line.ok || line.bytes.size() >= size) {
        return {step, Kind::Damaged, line};
    }
    if (storedPasswordOf(line.bytes) != state.MasterPassword) {
        return {step, Kind::AnotherVault};
    }
    EntryReader reader;
    reader.expectBytes(size);
    QByteArray end;
    const FileResult read = readFileInPieces(path, [&reader, &end](QByteArrayView piece) {
        reader.feed(piece);
        end = (end + piece.last(std::min<qsizetype>(2, piece.size())).toByteArray()).right(2);
    });
    if (!read.ok) {
        return {step, Kind::Damaged, read};
    }
    entries = reader.finish();
    if (end != "\r\n") {
        entries.clear();
        return {step, Kind::Damaged};
    }
    sealedWith = nullptr;
    return {step, Kind::Loaded};
}

StoreOutcome CredentialStore::ReloadData(std::optional<Seal> seal) {
    constexpr StoreStep step = StoreStep::ReloadData;
    const QString path = dataFilePath();
    const platform::FileStamp now = stampOf(path);
    // Gone for a moment (a sync engine renaming a new copy into place), or
    // what was read or written here last: nothing to read.
    if (state.MasterPassword.isEmpty() || !now.exists || guard_.knows(now)) {
        return {step, Kind::Unchanged};
    }
    std::vector<Entry> entries;
    const Seal* found = nullptr;
    if (StoreOutcome read = readCurrent(step, path, seal ? &*seal : nullptr, entries, found);
        !read) {
        return read;
    }
    if (stampOf(path) != now) {
        return {step, Kind::Damaged}; // changed while it was read: read at the next change
    }
    if (found == nullptr) {
        seal_.reset();
    } else if (seal && found == &*seal) {
        seal_ = std::move(*seal);
    }
    lock_.reset();
    guard_.remember(now);
    const auto count = qsizetype(entries.size());
    host_->replaceEntries(std::move(entries));
    return {step, Kind::Reloaded, {}, count};
}

StoreOutcome CredentialStore::EncryptDataFile(Seal&& seal) {
    const StoreOutcome written =
        writeList(StoreStep::EncryptDataFile, Kind::Encrypted, &seal, false, {});
    if (written) {
        seal_ = std::move(seal);
    }
    return written;
}

StoreOutcome CredentialStore::RemoveEncryption() {
    const StoreOutcome written =
        writeList(StoreStep::RemoveEncryption, Kind::EncryptionRemoved, nullptr, false, {});
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

StoreOutcome CredentialStore::SaveData(const EntryChange& change) {
    // A sealed file stays sealed (a new stream under the same key), a
    // written one stays written.
    return writeList(StoreStep::SaveData, Kind::Saved, seal_ ? &*seal_ : nullptr, true, change);
}

} // namespace kestrune::store
