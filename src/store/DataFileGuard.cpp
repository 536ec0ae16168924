#include "store/DataFileGuard.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

#include <sodium.h>

namespace kestrune::store {

QString LockFilePath(const QString& dataFilePath) {
    // The file may not be there yet (the lock comes first): then its
    // folder's canonical path and its name.
    const QFileInfo file(QDir::fromNativeSeparators(dataFilePath));
    QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty()) {
        const QString folder = file.absoluteDir().canonicalPath();
        canonical = (folder.isEmpty() ? file.absolutePath() : folder) + u'/' + file.fileName();
    }
#ifdef Q_OS_WIN
    canonical = canonical.toLower(); // one file, however its name is spelt
#endif
    const QByteArray name = canonical.toUtf8();
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(name.constData()),
                       std::size_t(name.size()), nullptr, 0);
    const QString lockName =
        QStringLiteral("kestrune-") +
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(hash), sizeof hash).toHex()) +
        QStringLiteral(".lock");
    return QDir::toNativeSeparators(
        QDir(platform::services().folder->runtimeFolder()).filePath(lockName));
}

platform::LockOutcome DataFileGuard::lock(const QString& dataFilePath) {
    return platform::services().locks->lock(LockFilePath(dataFilePath));
}

void DataFileGuard::remember(const QString& dataFilePath) {
    known_ = platform::services().stamps->stampOf(dataFilePath);
}

bool DataFileGuard::mayReplace(const QString& dataFilePath) const {
    if (!known_) {
        return true;
    }
    const platform::FileStamp now = platform::services().stamps->stampOf(dataFilePath);
    return !now.exists || now == *known_;
}

bool DataFileGuard::stillAsKnown(const QString& dataFilePath) const {
    const platform::FileStamp now = platform::services().stamps->stampOf(dataFilePath);
    return known_ && now.exists && now == *known_;
}

} // namespace kestrune::store
