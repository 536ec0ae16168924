#include "store/SealedFileMemory.h"

#include "platform/Platform.h"
#include "store/SecretKey.h"

#include <sodium.h>

#include <QDir>
#include <QFileInfo>

#include <array>

namespace kestrune::store {

namespace {

const QString kSection = QStringLiteral("SealedFiles");
const QString kSealed = QStringLiteral("1");

// The file's full path with every link resolved; for a missing file, its
// folder's, with the file's name.
QString canonicalPathOf(const QString& dataFilePath) {
    const QFileInfo info(QDir::fromNativeSeparators(dataFilePath));
    QString path = info.canonicalFilePath();
    if (path.isEmpty()) {
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        path = (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
    }
#ifdef Q_OS_WIN
    path = path.toLower();
#endif
    return path;
}

} // namespace

QString sealedFileKey(const QString& dataFilePath) {
    const QByteArray path = canonicalPathOf(dataFilePath).toUtf8();
    std::array<unsigned char, 32> hash{};
    if (sodiumReady()) {
        crypto_generichash(hash.data(), hash.size(),
                           reinterpret_cast<const unsigned char*>(path.constData()),
                           static_cast<unsigned long long>(path.size()), nullptr, 0);
    }
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(hash.data()), qsizetype(hash.size())).toHex());
}

bool wasSealed(const QString& application, const QString& dataFilePath) {
    return platform::services().settings->value(application, kSection, sealedFileKey(dataFilePath),
                                                {}) == kSealed;
}

void rememberSealed(const QString& application, const QString& dataFilePath, bool sealed) {
    if (wasSealed(application, dataFilePath) == sealed) {
        return;
    }
    platform::services().settings->setValue(application, kSection, sealedFileKey(dataFilePath),
                                            sealed ? kSealed : QString());
}

} // namespace kestrune::store
