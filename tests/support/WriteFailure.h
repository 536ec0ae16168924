#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Two ways to make a write of a file fail that stop root too (tests run as
// root in CI, and root ignores permission bits): a cap on the size of any file
// the process writes, as on a full disk, and a folder standing at the path.
namespace kestrune::test {

#ifdef Q_OS_UNIX
// Caps the size of any file this process writes, root included, until it goes
// out of scope. SIGXFSZ is ignored meanwhile so that a write past the cap fails
// with an error instead of ending the test.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit cap = old_;
        cap.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~FileSizeCap() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;
    bool active() const { return active_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};
#endif

// How a test makes the next write of data.enc fail.
enum class WriteFailure { FolderAtThePath, FileSizeCap };

// Every way this platform offers, with a name for the rows of a data-driven
// test.
struct NamedWriteFailure {
    const char* name;
    WriteFailure how;
};
inline std::vector<NamedWriteFailure> writeFailures() {
    return {
        {"folder at the path", WriteFailure::FolderAtThePath},
#ifdef Q_OS_UNIX
        {"disk full", WriteFailure::FileSizeCap},
#endif
    };
}

// Replaces the file at `path` by a folder of the same name.
inline bool putFolderAt(const QString& path) {
    return (!QFile::exists(path) || QFile::remove(path)) && QDir().mkdir(path);
}

// Runs `action` while every write of the file at `path` fails in the way
// given; false when that way could not be set up.
inline bool runWhileWritesFail(WriteFailure how, const QString& path,
                               const std::function<void()>& action) {
    if (how == WriteFailure::FolderAtThePath) {
        if (!putFolderAt(path)) {
            return false;
        }
        action();
        return true;
    }
#ifdef Q_OS_UNIX
    const FileSizeCap cap{1};
    if (!cap.active()) {
        return false;
    }
    action();
    return true;
#else
    return false;
#endif
}

// What is wrong with the message of a failed write of the file at `path`: it
// must say what failed, name the file and give the reason, separated by blank
// lines. Empty when nothing is wrong.
inline QString failureMessageProblem(const QString& text, const QString& path, WriteFailure how) {
    const QStringList parts = text.split(QStringLiteral("\n\n"));
    if (parts.size() != 3 || parts[0].isEmpty()) {
        return QStringLiteral("not what, file and reason: ") + text;
    }
    if (parts[1] != QDir::toNativeSeparators(path)) {
        return QStringLiteral("does not name ") + path + QStringLiteral(": ") + text;
    }
    // A write cut short by the cap may come back without the system's reason,
    // and then the store gives its own.
    const QStringList reasons =
        how == WriteFailure::FolderAtThePath
            ? QStringList{QStringLiteral("A folder, or something else that is not a file, stands "
                                         "where the data file belongs.")}
            : QStringList{QStringLiteral("File too large"),
                          QStringLiteral("Not all of the data could be written.")};
    if (!reasons.contains(parts[2])) {
        return QStringLiteral("gives the reason \"") + parts[2] + QStringLiteral("\"");
    }
    return {};
}

// What is wrong with the folder of the file at `path` after a failed write:
// the file must hold `before` (or, when a folder was put there, the folder
// must still stand empty) and nothing may have been left beside it. Empty when
// nothing is wrong.
inline QString untouchedFileProblem(const QString& path, WriteFailure how,
                                    const QByteArray& before) {
    const QFileInfo info(path);
    const QStringList names =
        QDir(info.absolutePath())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    if (names != QStringList{info.fileName()}) {
        return QStringLiteral("the folder holds ") + names.join(QStringLiteral(", "));
    }
    if (how == WriteFailure::FolderAtThePath) {
        const bool emptyFolder =
            info.isDir() && QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
        return emptyFolder ? QString() : QStringLiteral("the folder at the path has changed");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("the file cannot be read back");
    }
    return file.readAll() == before ? QString() : QStringLiteral("the file has changed");
}

} // namespace kestrune::test
