#pragma once

#include "store/DataFileGuard.h"
#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/MergeRules.h"
#include "store/SealedPasswordTry.h"
#include "store/SealedReader.h"
#include "store/StoreOutcome.h"

#include <QString>

#include <memory>
#include <optional>

namespace kestrune::store {

// What the store needs of the main window: the list that holds the entries.
// The store knows no widget; the main window implements this.
class StoreHost {
public:
    virtual ~StoreHost() = default;
    virtual EntryRows& entryRows() = 0;
    // Puts `entries` in place of every row: the data file's content as read
    // again, or as a save onto a changed file left it.
    virtual void replaceEntries(std::vector<Entry>&& entries) = 0;
};

// The master password of the running program and the login state.
struct StoreState {
    QString MasterPassword;        // empty until the password dialog succeeds
    QString StoredPassword;        // line 1 of data.enc, decoded
    bool CreatingPassword = false; // line 1 was empty: a new password is needed

    bool operator==(const StoreState&) const = default;
};

// The credential store: creates, reads and writes data.enc. The rows of the
// main list are the only copy of the entries; the store appends to them when
// it loads and writes them out, in the order shown, when it saves.
class CredentialStore {
public:
    StoreState state;

    // The main window attaches itself at its load.
    void attach(StoreHost* host) { host_ = host; }
    StoreHost* host() const { return host_; }

    QString dataFilePath() const;

    // Every operation below returns its outcome and shows nothing: the main
    // window's layer tells the user, and ends the program where an outcome
    // means that. A write that fails or is refused leaves the file as it was.

    // Takes the lock of data.enc (see LockFilePath), makes sure the file exists and reads the
    // stored master password: CreateMode or CheckMode. When another running
    // copy holds the lock, nothing is read or written: AlreadyRunning. A
    // folder where no lock can be made does not stop it.
    // A sealed file is checked whole first (that needs no password): one that
    // is damaged, or that this version cannot read, is Damaged or Unsupported.
    // Otherwise SealedCheckMode, and sealedLock() holds what a password is
    // tried on.
    // With `expectSealed` (the file was sealed when last used here), a file
    // that is now plain, empty or missing is NotSealed, right after the lock.
    StoreOutcome BeginLogin(bool expectSealed = false);
    // BeginLogin in two halves, for a caller that checks a sealed file whole
    // off its own thread (for a large file that takes a while): the first
    // does all but that check and answers SealedFileToCheck for a sealed
    // file; checkSealedFile (SealedReader.h) then reads it, on any thread,
    // and sealedFileChecked answers as BeginLogin would have.
    StoreOutcome beginLoginUpToSealedCheck(bool expectSealed = false);
    StoreOutcome sealedFileChecked(SealedFileCheck&& check);

    // True when the data file is no longer what BeginLogin or the last write
    // found: changed, replaced or gone.
    bool changedSinceRead() const { return !guard_.stillAsKnown(dataFilePath()); }

    // Appends the stored entries to the list: Loaded with their number.
    // A sealed file is read with the seal given to acceptSeal(); any chunk
    // that does not open, a missing end, a wrong hash, or a master password
    // line other than MasterPassword mean Damaged. A file changed since
    // BeginLogin read it is ChangedOutside, and not read.
    StoreOutcome LoadData();

    // While the password dialog waits for the password of a sealed file: its
    // header and first chunk, for trySealedPassword. Null for a written file.
    std::shared_ptr<const SealedLock> sealedLock() const { return lock_; }
    // The seal that a password try opened the file with; LoadData reads the
    // file with it, and every later save seals with it.
    void acceptSeal(Seal&& seal);
    // A password try that found the file damaged, or could not have the
    // memory for the key: Damaged or OutOfMemory.
    StoreOutcome failedPasswordTry(SealedPasswordTry::Outcome outcome) const;

    // True when the data file is sealed: it opens only with the master
    // password. Saves keep it the way it is.
    bool isSealed() const { return seal_.has_value(); }
    // The seal of a sealed data file, null otherwise: other copies of the
    // same file open with its key.
    const Seal* seal() const { return seal_ ? &*seal_ : nullptr; }

    // Seals the data file with a seal made from MasterPassword (makeSeal,
    // which is slow and so runs off the user-interface thread): the list is
    // written sealed through the same checks as every save. On any failure
    // the file stays as it was and so does isSealed().
    StoreOutcome EncryptDataFile(Seal&& seal);

    // Writes the written layout again, byte for byte what SaveData writes for
    // a file that was never sealed, and forgets the key. On failure, as above.
    StoreOutcome RemoveEncryption();

    // Writes MasterPassword as the whole new file: Created. On a failed write
    // the old file stays whole.
    StoreOutcome CreateMasterPassword();

    // Rewrites data.enc from the master password and the list's rows: Saved.
    // On a failed write the old file stays whole.
    // No write replaces a file that another program changed since it was
    // last read or written here. Instead SaveData, EncryptDataFile and
    // RemoveEncryption read the file as it is now, make `change` (the one
    // just made to the list; none for the other two) again on its content
    // (applyChange), and write that, checked the same way; the list is then
    // given the result (StoreHost::replaceEntries) and the outcome is
    // `merged`. A file that cannot take the change (it holds another master
    // password, is damaged, or is sealed under a key not in hand) is not
    // written: ChangedOutside. CreateMasterPassword never merges.
    StoreOutcome SaveData(const EntryChange& change = {});

    // Reads the data file again after another program changed it, and puts
    // its entries in place of the list's: Reloaded with their number. A file
    // that is what was read or written here last, or is gone for the moment,
    // is Unchanged. A written file must hold MasterPassword on line 1 and end
    // with a whole line; a sealed one must open with the seal in hand, or with
    // `seal` when given (made from MasterPassword for the file's new salt,
    // off the user-interface thread, with sealedLock()). Otherwise nothing is
    // loaded and nothing is written: AnotherVault, Damaged (half written, say:
    // try again at the next change) or NeedsKey (sealedLock() then holds what
    // the key is tried on). A file whose encryption was removed elsewhere
    // leaves the store unsealed; one sealed elsewhere makes it sealed.
    StoreOutcome ReloadData(std::optional<Seal> seal = std::nullopt);

    // While the program is locked: the master password's texts are wiped, and
    // the key of a sealed file is wiped and freed. The lock on the data file
    // and what is known of it stay; BeginLogin and a password then bring the
    // store back to the state of a first login.
    void forgetSecrets();

    // Back to the state of a program start (for tests).
    void reset();

private:
    // Writes `rows`, sealed with `seal` or, without one, in the written
    // layout, through the atomic writer and the last check `mayReplace`.
    StoreOutcome writeList(StoreStep step, StoreOutcome::Kind done, const Seal* seal,
                           const EntryRows& rows, const ReplaceCheck& mayReplace);
    // The outcome of a write that went through, the file's new stamp
    // remembered; or of one that failed or was refused.
    StoreOutcome afterWrite(StoreStep step, StoreOutcome::Kind done, const FileResult& written);
    StoreOutcome loadSealed(const QString& path, std::vector<Entry>& entries);
    // The file as it is now, for a merge or a reload (see ReloadData); done
    // with its entries in `entries`, its seal (none for a written file) in
    // `sealedWith`.
    StoreOutcome readCurrent(StoreStep step, const QString& path, const Seal* offered,
                             std::vector<Entry>& entries, const Seal*& sealedWith);
    // Writes the list, sealed with `seal` or without one written; when another
    // program changed the file, makes `change` on its content as it is now
    // and writes that, sealed with `seal`, or (keepSealing) as the file was.
    StoreOutcome writeList(StoreStep step, StoreOutcome::Kind done, const Seal* seal,
                           bool keepSealing, const EntryChange& change);
    // Takes a sealed file's whole check, made without a key, and keeps in
    // lock_ what a password is tried on: SealedCheckMode, or what is wrong
    // with the file.
    StoreOutcome lockSealed(StoreStep step, SealedFileCheck&& check);

    StoreHost* host_ = nullptr;
    DataFileGuard guard_;
    std::shared_ptr<const SealedLock> lock_;
    std::optional<Seal> seal_;
};

// The one store of the program.
CredentialStore& credentialStore();

} // namespace kestrune::store
