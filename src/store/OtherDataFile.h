#pragma once

#include "platform/FileStamp.h"
#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/Seal.h"

#include <QString>

#include <memory>
#include <vector>

// Another data file of the program, read to merge its entries into the list:
// a conflict copy that a sync engine left beside data.enc, or any data file
// the user names. It may be written or sealed, and of this vault or another.
namespace kestrune::store {

struct OtherDataFile {
    enum class Outcome {
        Entries,       // the password opens it: `entries` are its entries
        OtherPassword, // it is locked with another master password
        Damaged,       // a sealed file that does not open whole
        Unsupported,   // a sealed file of a layout this version does not know
        Empty,         // no bytes, or no master password and no entries
        TooLarge,      // larger than the data file limit: not read
        NotAFile,      // a folder, a link that leads nowhere or in a loop
        CannotRead,    // `file` says why
        OutOfMemory,   // no memory for the key of a sealed file
    };
    Outcome outcome = Outcome::Damaged;
    FileResult file;
    bool sealed = false;
    std::vector<Entry> entries;
    // The file as it was when it was read, to tell later whether it has
    // changed since (otherFileStamp).
    platform::FileStamp stamp;
};

// Reads the data file at `path` with `password` as its master password. A
// written file opens when its line 1 is that password. A sealed file opens
// with the key of `keyInHand` (the running program's seal, which other
// copies of the same file share) when its salt is the same; otherwise the key
// is made from `password`, which is slow (about half a second): then this
// must run off the user-interface thread. It touches nothing shared.
OtherDataFile readOtherDataFile(const QString& path, const QString& password,
                                const Seal* keyInHand = nullptr);

// A copy of a seal for another thread, so that what the running program does
// with its own seal meanwhile (forget it, replace it) does not matter there.
// Null when there is none, or no memory for the copy.
std::shared_ptr<const Seal> copyOfSeal(const Seal* seal);

// The stamp of the file at `path` now, taken as readOtherDataFile takes it.
platform::FileStamp otherFileStamp(const QString& path);

} // namespace kestrune::store
