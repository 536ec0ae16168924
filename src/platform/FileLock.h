#pragma once

#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace kestrune::platform {

enum class LockOutcome {
    Taken,         // this process holds the lock now
    HeldElsewhere, // another running process holds it
    NotPossible,   // no lock file can be made there (a read-only folder, say)
};

// Exclusive locks between processes, each a lock file. A lock file left by a
// process that has ended (killed, or stopped before it could unlock) is
// recognised and taken over.
class FileLocks {
public:
    virtual ~FileLocks() = default;
    // Takes the lock at `lockPath` without waiting.
    virtual LockOutcome lock(const QString& lockPath) = 0;
    // Gives up every lock this process holds.
    virtual void unlockAll() = 0;
};

class LockFiles final : public FileLocks {
public:
    LockFiles();
    ~LockFiles() override;
    LockOutcome lock(const QString& lockPath) override;
    void unlockAll() override;

private:
    std::vector<std::unique_ptr<QLockFile>> held_;
};

} // namespace kestrune::platform
