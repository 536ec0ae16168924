#pragma once

#include "store/DataFileGuard.h"
#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/SealedPasswordTry.h"

#include <QString>

#include <memory>
#include <optional>

namespace kestrune::store {

// What the store needs of the main window: the list that holds the entries,
// the status line, the password dialog and the window's hand-over. The store
// knows no widget; the main window implements this.
class StoreHost {
public:
    virtual ~StoreHost() = default;
    virtual EntryRows& entryRows() = 0;
    virtual void StatusMessage(const QString& text) = 0;
    virtual void afterFormLoad() = 0;
    // Loads the master password dialog (its load reads CreatingPassword) and
    // shows it modeless.
    virtual void showPasswordDialog() = 0;
    virtual void unloadPasswordDialog() = 0;
    // One pass of the event loop.
    virtual void letPendingEventsRun() = 0;
    // A clear message box about a failed file operation.
    virtual void reportFailure(const QString& text) = 0;
    // The program's name, as its messages spell it.
    virtual QString productName() const = 0;
};

// The master password of the running program and the login state.
struct StoreState {
    QString MasterPassword;        // empty until the password dialog succeeds
    QString StoredPassword;        // line 1 of data.enc, decoded
    bool CreatingPassword = false; // line 1 was empty: a new password is needed
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

    // Takes the lock beside data.enc, makes sure the file exists, reads the
    // stored master password and opens the password dialog in create or check
    // mode. When another running copy holds the lock, or the file exists but
    // cannot be read, the program ends after a message; nothing is written.
    // A folder where no lock can be made does not stop it.
    // A sealed file is checked whole first (that needs no password): one that
    // is damaged, or that this version cannot read, ends the program after a
    // message. Otherwise the dialog opens in check mode, and sealedLock()
    // holds what a password is tried on.
    bool BeginLogin();

    // Appends the stored entries to the list, reports their number and shows
    // the main window. A read failure ends the program after a message.
    // A sealed file is read with the seal given to acceptSeal(); any chunk
    // that does not open, a missing end, a wrong hash, or a master password
    // line other than MasterPassword mean damage: a message, and the end.
    bool LoadData();

    // While the password dialog waits for the password of a sealed file: its
    // header and first chunk, for trySealedPassword. Null for a written file.
    std::shared_ptr<const SealedLock> sealedLock() const { return lock_; }
    // The seal that a password try opened the file with; LoadData reads the
    // file with it, and every later save seals with it.
    void acceptSeal(Seal&& seal);
    // A password try found the file damaged, or the memory for the key could
    // not be had: the user is told, and the program ends.
    void failPasswordTry(SealedPasswordTry::Outcome outcome);

    // True when the data file is sealed: it opens only with the master
    // password. Saves keep it the way it is.
    bool isSealed() const { return seal_.has_value(); }

    // Seals the data file with a seal made from MasterPassword (makeSeal,
    // which is slow and so runs off the user-interface thread): the list is
    // written sealed through the same checks as every save. On any failure
    // the user is told, the file stays as it was and so does isSealed().
    bool EncryptDataFile(Seal&& seal);

    // Writes the written layout again, byte for byte what SaveData writes for
    // a file that was never sealed, and forgets the key. On failure, as above.
    bool RemoveEncryption();

    // Writes MasterPassword as the whole new file, then closes the password
    // dialog and shows the main window. On a failed write nothing is reported
    // as done: the user sees why, the dialog stays, and false comes back.
    bool CreateMasterPassword();

    // Rewrites data.enc from the master password and the list's rows. On a
    // failed write the user sees why, the old file stays whole and false comes
    // back; the "Saved" note only follows a committed write.
    // Neither write replaces a file that another program changed since it was
    // last read or written here: the user is told, and false comes back.
    bool SaveData();

    // Back to the state of a program start (for tests).
    void reset();

private:
    // The text with its "%1" replaced by the program's name.
    QString named(const QString& text) const;
    void fail(const QString& what, const QString& why);
    [[nodiscard]] bool failAndEnd(const QString& what, const QString& why);
    // Reports a failed write: the file changed from outside, or `what` failed
    // and why.
    void failedWrite(const FileResult& written, const QString& what);
    // Writes the list, sealed with `seal` or, without one, in the written
    // layout, through the atomic writer and the outside-change check.
    FileResult writeList(const Seal* seal);
    [[nodiscard]] bool failDamaged();
    [[nodiscard]] bool failUnsupported();
    bool loadSealed(const QString& path, std::vector<Entry>& entries);

    StoreHost* host_ = nullptr;
    DataFileGuard guard_;
    std::shared_ptr<const SealedLock> lock_;
    std::optional<Seal> seal_;
};

// The one store of the program.
CredentialStore& credentialStore();

} // namespace kestrune::store
