#pragma once

#include "store/FileHelpers.h"

#include <QtGlobal>

namespace kestrune::store {

// The store's operations, as an outcome names the one it came from.
enum class StoreStep {
    BeginLogin,
    PasswordTry, // a password tried on a sealed file did not get as far as an answer
    LoadData,
    CreateMasterPassword,
    SaveData,
    EncryptDataFile,
    RemoveEncryption,
    ReloadData, // the file read again after another program changed it
};

// What an operation of the store came to. The store shows nothing and ends
// nothing: the main window's layer turns an outcome into what the user sees.
struct StoreOutcome {
    enum class Kind {
        // Done: BeginLogin's three modes of the password dialog, then the
        // other operations.
        CreateMode,      // line 1 is empty: a master password must be made
        CheckMode,       // line 1 holds the master password (StoredPassword)
        SealedCheckMode, // a sealed file, checked whole: the password opens it
        Loaded,          // `count` entries appended to the list
        Created,         // the master password written as the whole new file
        Saved,
        Encrypted,
        EncryptionRemoved,
        Reloaded,  // the list holds the file's new content, `count` entries
        Unchanged, // the file is what was read or written here last: nothing to do
        // Not done.
        AlreadyRunning, // another running copy holds the lock of the file
        CannotUseFile,  // the file is not there and cannot be made: `file`
        CannotReadFile, // `file`
        ChangedOutside, // another program changed the file since it was read here
        WriteFailed,    // `file`; the file on disk is as it was
        SealingFailed,  // the sealing itself failed; the file on disk is as it was
        Damaged,        // a sealed file that does not open whole
        Unsupported,    // a sealed file of a layout this version does not know
        OutOfMemory,    // no memory for the key of a sealed file
        // BeginLogin: the file, sealed when it was last used here, is now
        // plain, empty or missing; nothing was created or read beyond its start.
        NotSealed,
        // beginLoginUpToSealedCheck: a sealed file, to be checked whole.
        SealedFileToCheck,
        NeedsKey,     // sealed anew elsewhere: the master password must make its key
        AnotherVault, // the file opens with another master password only
    };

    StoreStep step = StoreStep::BeginLogin;
    Kind kind = Kind::CreateMode;
    // The file operation behind the outcome; its error is the system's text.
    FileResult file = {};
    // Loaded: the number of entries appended; Reloaded: the entries now in
    // the list.
    qsizetype count = 0;
    // A write onto a file that another program had changed: the change was
    // made again on the file's new content, and the list now shows the result.
    bool merged = false;
    // Merged: entries of an append that the new content held already.
    qsizetype alreadyThere = 0;

    // True when the operation did what it was asked to do.
    bool done() const { return kind <= Kind::Unchanged; }
    explicit operator bool() const { return done(); }
};

} // namespace kestrune::store
