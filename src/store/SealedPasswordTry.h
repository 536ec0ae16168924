#pragma once

#include "store/Seal.h"
#include "store/SealedLayout.h"

#include <QByteArray>
#include <QStringView>

// The try of a password on a sealed file, before anything is loaded.
namespace kestrune::store {

// What a sealed file needs to try a password, taken without one: its header
// and its first chunk. Shared with the thread that tries a password.
struct SealedLock {
    SealedHeader header;
    QByteArray firstChunk;
};

struct SealedPasswordTry {
    enum class Outcome { Opens, Wrong, Damaged, OutOfMemory };
    Outcome outcome = Outcome::Wrong;
    Seal seal; // the file's seal, when the password opens it
};

// Makes the key from `password` with the file's salt and limits, and tries it
// on the first chunk. Slow (about half a second), touches nothing shared, and
// wipes what it held of the password and the plaintext: run it on any thread.
SealedPasswordTry trySealedPassword(const SealedLock& lock, QStringView password);

} // namespace kestrune::store
