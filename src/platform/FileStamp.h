#pragma once

#include <QString>
#include <QtGlobal>

namespace kestrune::platform {

// What a file is at one moment, as far as one status query tells: which file
// it is (it changes when a file is replaced by another, even of the same size),
// its size and the times of its last content and status change, to the
// nanosecond where the file system keeps them.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 identity = 0;
    qint64 size = 0;
    qint64 modified = 0;
    qint64 statusChanged = 0;

    bool operator==(const FileStamp&) const = default;
};

class FileStamps {
public:
    virtual ~FileStamps() = default;
    // The file's stamp now; `exists` is false when there is no file there or it
    // cannot be looked at.
    virtual FileStamp stampOf(const QString& path) const = 0;
};

class SystemFileStamps final : public FileStamps {
public:
    FileStamp stampOf(const QString& path) const override;
};

} // namespace kestrune::platform
