#include "platform/FileWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace kestrune::platform {

SystemFileWatcher::SystemFileWatcher() = default;

void SystemFileWatcher::watch(const QString& path) {
    // Made at the first watch, once the program's event loop exists.
    if (notifications_ == nullptr) {
        notifications_ = new QFileSystemWatcher(this);
        poll_ = new QTimer(this);
        const auto notified = [this] {
            rewatch();
            seen_ = SystemFileStamps().stampOf(path_);
            emit changed();
        };
        connect(notifications_, &QFileSystemWatcher::fileChanged, this, notified);
        connect(notifications_, &QFileSystemWatcher::directoryChanged, this, notified);
        poll_->setInterval(kPollMs);
        connect(poll_, &QTimer::timeout, this, &SystemFileWatcher::poll);
    }
    stop();
    path_ = path;
    seen_ = SystemFileStamps().stampOf(path_);
    rewatch();
    poll_->start();
}

void SystemFileWatcher::stop() {
    if (notifications_ == nullptr) {
        return;
    }
    poll_->stop();
    if (const QStringList watched = notifications_->files() + notifications_->directories();
        !watched.isEmpty()) {
        notifications_->removePaths(watched);
    }
    path_.clear();
}

void SystemFileWatcher::rewatch() {
    if (path_.isEmpty()) {
        return;
    }
    QStringList paths;
    QFileInfo info(QDir::fromNativeSeparators(path_));
    paths << info.absoluteFilePath() << info.absolutePath();
    if (info.isSymbolicLink()) {
        const QFileInfo target(info.canonicalFilePath());
        if (!target.filePath().isEmpty()) {
            paths << target.absoluteFilePath() << target.absolutePath();
        }
    }
    const QStringList watched = notifications_->files() + notifications_->directories();
    for (const QString& p : paths) {
        if (!watched.contains(p) && QFileInfo::exists(p)) {
            notifications_->addPath(p);
        }
    }
}

void SystemFileWatcher::poll() {
    const FileStamp now = SystemFileStamps().stampOf(path_);
    if (now == seen_) {
        return;
    }
    seen_ = now;
    rewatch();
    emit changed();
}

} // namespace kestrune::platform
