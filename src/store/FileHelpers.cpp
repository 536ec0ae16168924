#include "store/FileHelpers.h"

#include "store/DataFileFormat.h"
#include "store/SealedLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <future>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace kestrune::store {

namespace {

FileResult failed(const QFileDevice& file, FileProblem problem) {
    return FileResult::failure(problem, file.errorString());
}

FileResult notAFile() {
    return FileResult::failure(FileProblem::NotAFile);
}

// Opens the file for reading and lets `take` read what it wants of it into
// the bytes; `take` returns false when a read failed. A folder at the path, a
// failed open and a failed read are told apart.
template <typename Take> ReadResult readOpened(const QString& path, Take take) {
    QFile file(path);
    if (QFileInfo(file).isDir()) {
        return {notAFile(), {}};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return {failed(file, FileProblem::CannotOpen), {}};
    }
    if (file.size() > kDataFileSizeLimit) {
        return {FileResult::failure(FileProblem::TooLarge), {}};
    }
    ReadResult result;
    if (!take(file, result.bytes)) {
        return {failed(file, FileProblem::CannotRead), {}};
    }
    return result;
}

// Files marked "system" do not count as plain files (Windows only).
bool isSystemFile(const QString& path) {
#ifdef Q_OS_WIN
    const DWORD attributes = ::GetFileAttributesW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// Asks the system to start writing the `size` bytes just written at `offset`
// to disk, without waiting for them: the disk then works while the next piece
// is being made, and the sync before the rename has little left to do. Errors
// are left to that sync, which reports them.
// From this size on, the next piece is made while a piece is being written.
constexpr qsizetype kReadAheadFrom = qsizetype(256) << 10;

void startWritingToDisk(QFileDevice& file, qint64 offset, qint64 size) {
#ifdef Q_OS_LINUX
    if (file.flush() && file.handle() >= 0) {
        ::sync_file_range(file.handle(), offset, size, SYNC_FILE_RANGE_WRITE);
    }
#else
    Q_UNUSED(file);
    Q_UNUSED(offset);
    Q_UNUSED(size);
#endif
}

} // namespace

QString FileNameOf(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

bool FileExists(const QString& path) {
    try {
        if (path.isEmpty()) {
            return false;
        }
        const QFileInfo info(QDir::fromNativeSeparators(path));
        if (!info.exists() || !info.isFile() || info.isHidden() || isSystemFile(path)) {
            return false;
        }
        return info.fileName().toUpper() == FileNameOf(path).toUpper();
    } catch (...) {
        return false;
    }
}

QString DataFilePath(const QString& programFolder) {
    return programFolder + QDir::separator() + QStringLiteral("data.enc");
}

FileResult EnsureDataFile(const QString& path) {
    if (FileExists(path)) {
        return {};
    }
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (info.exists() && !info.isFile()) {
        return notAFile();
    }
    if (info.exists()) {
        // A hidden file counts as missing: it gets one more empty line.
        ReadResult old = readWholeFile(path);
        if (!old.ok) {
            return old;
        }
        if (kindOfDataFile(old.bytes) != DataFileKind::Written) {
            return {};
        }
        return writeFileAtomically(path, old.bytes + emptyDataFile());
    }
    return writeFileAtomically(path, emptyDataFile());
}

ReadResult readWholeFile(const QString& path) {
    return readOpened(path, [](QFile& file, QByteArray& bytes) {
        bytes = file.readAll();
        return file.error() == QFileDevice::NoError;
    });
}

FileResult readFileInPieces(const QString& path,
                            const std::function<void(QByteArrayView piece)>& onPiece,
                            qint64 pieceSize) {
    QFile file(path);
    if (QFileInfo(file).isDir()) {
        return notAFile();
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return failed(file, FileProblem::CannotOpen);
    }
    if (file.size() > kDataFileSizeLimit) {
        return FileResult::failure(FileProblem::TooLarge);
    }
    QByteArray buffer(qsizetype(std::max<qint64>(pieceSize, 1)), Qt::Uninitialized);
    qint64 total = 0;
    while (true) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0 || file.error() != QFileDevice::NoError) {
            return failed(file, FileProblem::CannotRead);
        }
        if (n == 0) {
            return {};
        }
        total += n;
        if (total > kDataFileSizeLimit) { // it grew while it was being read
            return FileResult::failure(FileProblem::TooLarge);
        }
        onPiece(QByteArrayView(buffer.constData(), qsizetype(n)));
    }
}

ReadResult readFileStart(const QString& path, qint64 size) {
    return readOpened(path, [size](QFile& file, QByteArray& bytes) {
        bytes = file.read(size);
        return file.error() == QFileDevice::NoError;
    });
}

ReadResult readFirstLine(const QString& path, qint64 maxBytes) {
    bool tooLong = false;
    ReadResult read = readOpened(path, [maxBytes, &tooLong](QFile& file, QByteArray& bytes) {
        constexpr qint64 kChunk = 64 * 1024;
        while (true) {
            const QByteArray chunk = file.read(kChunk);
            if (file.error() != QFileDevice::NoError) {
                return false;
            }
            const qsizetype cr = chunk.indexOf('\r');
            bytes.append(cr >= 0 ? chunk.left(cr) : chunk);
            if (bytes.size() > maxBytes) {
                tooLong = true;
                return true;
            }
            if (cr >= 0 || chunk.size() < kChunk) {
                return true; // the line's end, or the file's
            }
        }
    });
    if (tooLong) {
        return {FileResult::failure(FileProblem::LineTooLong), {}};
    }
    return read;
}

FileResult writeFileAtomically(const QString& path, const QByteArray& bytes,
                               const ReplaceCheck& mayReplace) {
    bool given = false;
    return writeFileAtomicallyInPieces(
        path,
        [&]() -> QByteArrayView {
            if (given) {
                return {};
            }
            given = true;
            return bytes;
        },
        mayReplace);
}

FileResult writeFileAtomicallyInPieces(const QString& path,
                                       const std::function<QByteArrayView()>& nextPiece,
                                       const ReplaceCheck& mayReplace) {
    // A link is written through: the file it ends at is replaced in its own
    // folder, and the link stays a link. A loop of links is no file.
    QFileInfo info(QDir::fromNativeSeparators(path));
    for (int hops = 0; info.isSymbolicLink(); ++hops) {
        if (hops == 40) {
            return notAFile();
        }
        info.setFile(info.symLinkTarget());
    }
    if (info.exists() && !info.isFile()) {
        return notAFile();
    }
    QSaveFile file(info.filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        return failed(file, FileProblem::CannotCreate);
    }
    // Set on the new content before it replaces the file: owner-only from
    // the first byte, also where the old file was readable by others.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A write can come back short without reporting an error, and a failed
    // buffered write can still let commit() succeed: check every step and drop
    // the temporary file on any failure.
    bool complete = true;
    qint64 offset = 0;
    QByteArrayView piece = nextPiece();
    while (complete && !piece.isEmpty()) {
        // While a large piece is written, the next one is made on a second
        // thread; a small piece is most likely the last one.
        std::future<QByteArrayView> ahead =
            std::async(piece.size() >= kReadAheadFrom ? std::launch::async | std::launch::deferred
                                                      : std::launch::deferred,
                       std::cref(nextPiece));
        qint64 done = 0;
        while (done < piece.size()) {
            const qint64 n = file.write(piece.data() + done, piece.size() - done);
            if (n <= 0) {
                break;
            }
            done += n;
        }
        complete = done == piece.size();
        if (complete) {
            startWritingToDisk(file, offset, done);
            offset += done;
        }
        piece = complete ? ahead.get() : QByteArrayView();
    }
    const bool written = complete && file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        FileResult notWritten = failed(file, FileProblem::NotAllWritten);
        file.cancelWriting();
        return notWritten;
    }
    // Asked once everything is written, just before the rename, so that a
    // change made by another program during the write is seen too.
    if (mayReplace && !mayReplace()) {
        file.cancelWriting();
        return FileResult::failure(FileProblem::Refused);
    }
    if (!file.commit()) {
        return failed(file, FileProblem::CannotReplace);
    }
    return {};
}

} // namespace kestrune::store
