#include "platform/FileStamp.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#else
#include <sys/stat.h>
#endif

namespace kestrune::platform {

namespace {

#ifdef Q_OS_WIN
qint64 ticksOf(const FILETIME& time) {
    return qint64((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

qint64 ticksOf(const LARGE_INTEGER& time) {
    return qint64(time.QuadPart);
}
#else
qint64 nanosecondsOf(const timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + qint64(time.tv_nsec);
}
#endif

} // namespace

FileStamp SystemFileStamps::stampOf(const QString& path) const {
    FileStamp stamp;
#ifdef Q_OS_WIN
    // Opened for its attributes only, sharing everything: nobody is stopped
    // from reading, writing, renaming or deleting it meanwhile.
    const HANDLE file =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                      FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return stamp;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (::GetFileInformationByHandle(file, &info) &&
        ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        stamp.exists = true;
        stamp.device = info.dwVolumeSerialNumber;
        stamp.identity = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        stamp.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        stamp.modified = ticksOf(info.ftLastWriteTime);
        stamp.statusChanged = ticksOf(basic.ChangeTime);
    }
    ::CloseHandle(file);
#else
    struct stat status {};
    if (::stat(QFile::encodeName(QDir::fromNativeSeparators(path)).constData(), &status) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = quint64(status.st_dev);
    stamp.identity = quint64(status.st_ino);
    stamp.size = qint64(status.st_size);
#ifdef Q_OS_DARWIN
    stamp.modified = nanosecondsOf(status.st_mtimespec);
    stamp.statusChanged = nanosecondsOf(status.st_ctimespec);
#else
    stamp.modified = nanosecondsOf(status.st_mtim);
    stamp.statusChanged = nanosecondsOf(status.st_ctim);
#endif
#endif
    return stamp;
}

} // namespace kestrune::platform
