#include "platform/FileLock.h"

#include <QDir>
#include <QLockFile>

namespace kestrune::platform {

LockFiles::LockFiles() = default;

LockFiles::~LockFiles() {
    unlockAll();
}

LockOutcome LockFiles::lock(const QString& lockPath) {
    const QString path = QDir::fromNativeSeparators(lockPath);
    for (const auto& held : held_) {
        if (held->fileName() == path) {
            return LockOutcome::Taken;
        }
    }
    auto file = std::make_unique<QLockFile>(path);
    // A lock is never stale by its age alone: only when the process that took
    // it is gone. A running process keeps it as long as it runs.
    file->setStaleLockTime(0);
    if (file->tryLock(0)) {
        held_.push_back(std::move(file));
        return LockOutcome::Taken;
    }
    return file->error() == QLockFile::LockFailedError ? LockOutcome::HeldElsewhere
                                                       : LockOutcome::NotPossible;
}

void LockFiles::unlockAll() {
    for (const auto& held : held_) {
        held->unlock();
    }
    held_.clear();
}

} // namespace kestrune::platform
