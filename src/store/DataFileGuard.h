#pragma once

#include "platform/FileLock.h"
#include "platform/FileStamp.h"

#include <QString>

#include <optional>

namespace kestrune::store {

// The lock file of a data file, in this computer's runtime folder (where no
// sync engine carries it), named after the file's canonical path: two links
// to one file share one lock.
QString LockFilePath(const QString& dataFilePath);

// Guards the data file: one running copy of the program per file, and no write
// over a file that another program changed after this one read or wrote it.
// The file is known by its stamp (which file it is, its size and its times to
// the nanosecond), so the check before a write costs one status query.
class DataFileGuard {
public:
    // Takes the lock of the data file; done before the file is read or
    // created. The lock is held until the program ends.
    platform::LockOutcome lock(const QString& dataFilePath);

    // The file as it is now is what this program read or wrote last. Taken
    // before a read, so that a change made while it is read shows at the next
    // write.
    void remember(const QString& dataFilePath);
    // The same with a stamp taken before the file was read.
    void remember(const platform::FileStamp& stamp) { known_ = stamp; }
    // True when `stamp` is what this program read or wrote last.
    bool knows(const platform::FileStamp& stamp) const { return known_ && *known_ == stamp; }

    // True when the file is still what this program read or wrote last, or is
    // gone (a new one written from the list loses nothing), or nothing is
    // known of it yet.
    bool mayReplace(const QString& dataFilePath) const;

    // True when the file is there and is what this program read or wrote last.
    bool stillAsKnown(const QString& dataFilePath) const;

    // Nothing known of the file any more (for tests).
    void forget() { known_.reset(); }

private:
    std::optional<platform::FileStamp> known_;
};

} // namespace kestrune::store
