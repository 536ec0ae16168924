#pragma once

#include "platform/FileStamp.h"

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace kestrune::platform {

// Watches one file for changes made by other programs. It only says that
// something may have changed; what changed is for its listener to find out.
class FileWatcher : public QObject {
    Q_OBJECT
public:
    // Watches `path` from now on, in place of anything watched before.
    virtual void watch(const QString& path) = 0;
    // Watches nothing any more.
    virtual void stop() = 0;

signals:
    // The file, or the folder it is in, may have changed.
    void changed();
};

// The file system's notifications for the file and its folder (and, for a
// link, the file it ends at), plus a look at the file's stamp every few
// seconds for synced and network folders, where notifications are not
// reliable. The look reads no byte of the file.
class SystemFileWatcher final : public FileWatcher {
    Q_OBJECT
public:
    static constexpr int kPollMs = 2000;

    SystemFileWatcher();
    void watch(const QString& path) override;
    void stop() override;

private:
    // The paths given to the notifications again: a file renamed over the
    // watched one is another file, which the notifications do not follow.
    void rewatch();
    void poll();

    QFileSystemWatcher* notifications_ = nullptr;
    QTimer* poll_ = nullptr;
    QString path_;
    FileStamp seen_;
};

} // namespace kestrune::platform
