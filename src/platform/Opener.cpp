#include "platform/Opener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace kestrune::platform {

bool DesktopOpener::open(const QString& location) {
#ifdef Q_OS_WIN
    // The system file explorer opens web addresses in the default browser and
    // paths in the file manager; the location is its single argument.
    return QProcess::startDetached(QStringLiteral("explorer"), {location});
#else
    const QFileInfo asPath(QDir::fromNativeSeparators(location));
    if (!location.isEmpty() && QDir::isAbsolutePath(QDir::fromNativeSeparators(location)) &&
        asPath.exists()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(asPath.absoluteFilePath()));
    }
    const QUrl url(location, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
#endif
}

} // namespace kestrune::platform
