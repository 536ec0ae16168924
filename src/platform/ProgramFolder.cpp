#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace kestrune::platform {

QString ExecutableFolder::path() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString ExecutableFolder::runtimeFolder() const {
#ifdef Q_OS_WIN
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return QDir::tempPath();
    }
    return folder;
}

} // namespace kestrune::platform
