#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Small file functions of the store. Every write is atomic: the new content is
// written to a temporary file beside the target, flushed to disk and renamed
// over it, so a crash or a full disk leaves the previous file whole.
namespace kestrune::store {

// What went wrong in a file operation. The store names the problem; the
// windows choose the words, and show the system's own reason when it gave one.
enum class FileProblem {
    None,
    NotAFile,       // a folder, or something else that is no file, stands at the path
    NameIsNotAFile, // the same, found before an export
    CannotOpen,
    CannotRead,
    CannotCreate,
    NotAllWritten,
    CannotReplace,
    TooLarge, // larger than the data file limit: not read
    Refused,  // a write's last check said no: nothing was replaced
};

// The outcome of a file operation.
struct FileResult {
    bool ok = true;
    FileProblem problem = FileProblem::None;
    QString systemReason; // what the system said of the failure, if anything
    bool refused = false; // a write's last check said no: nothing was replaced

    static FileResult failure(FileProblem problem, const QString& systemReason = {}) {
        return {false, problem, systemReason, problem == FileProblem::Refused};
    }
};

// Asked once a new content is wholly written, just before it replaces the file;
// false leaves the file as it is.
using ReplaceCheck = std::function<bool()>;

// The outcome of a read, with what was read.
struct ReadResult : FileResult {
    QByteArray bytes;
};

// The last component of a path, after the last "\" or "/". An empty path, or
// one that ends in a separator, gives the empty text.
QString FileNameOf(const QString& path);

// True when `path` names a plain file: folders and hidden files do not count.
// The names are compared without regard to letter case. Never throws.
bool FileExists(const QString& path);

// The data file's path in the program folder.
QString DataFilePath(const QString& programFolder);

// Creates the file holding one empty line when FileExists says it is missing.
// Something else standing at the path (a folder, say) is an error, and nothing
// is written. A hidden sealed file is left as it is: a line added after its
// hash would make it unreadable.
FileResult EnsureDataFile(const QString& path);

// Reads a whole file.
ReadResult readWholeFile(const QString& path);

// Reads a whole file in pieces of at most `pieceSize` bytes, handing each to
// `onPiece` in order, so that a large file is never held whole in memory.
FileResult readFileInPieces(const QString& path,
                            const std::function<void(QByteArrayView piece)>& onPiece,
                            qint64 pieceSize = qint64(1) << 20);

// Reads the first `size` bytes of a file, or all of it when it is shorter.
ReadResult readFileStart(const QString& path, qint64 size);

// Reads the first line of a file: the bytes before its first CR.
ReadResult readFirstLine(const QString& path);

// Replaces the file's whole content at once. A file created here is readable
// and writable by its owner only; an existing file keeps its permissions.
// A symbolic link is written through: the file it ends at is replaced, in its
// own folder, and the link stays as it is.
// `mayReplace`, when given, is the last check before the file is replaced.
FileResult writeFileAtomically(const QString& path, const QByteArray& bytes,
                               const ReplaceCheck& mayReplace = {});

// The same, with the content handed over piece by piece, so a large file never
// has to be held whole in memory: `nextPiece` is called until it returns an
// empty piece. While a large piece is being written the next one is asked for
// on a second thread, so a piece must stay valid until the call after next,
// and `nextPiece` must not depend on anything the calling thread changes (it
// changes nothing until this returns).
FileResult writeFileAtomicallyInPieces(const QString& path,
                                       const std::function<QByteArrayView()>& nextPiece,
                                       const ReplaceCheck& mayReplace = {});

} // namespace kestrune::store
