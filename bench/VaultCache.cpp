#include "VaultCache.h"

#include "VaultGenerator.h"

#include "store/DataFileFormat.h"
#include "store/SealedWriter.h"

#include <QDir>

#include <fstream>
#include <map>
#include <optional>
#include <string_view>

namespace kestrune::bench {

namespace {

QString root;
std::map<std::size_t, Vault> plainVaults;
std::map<std::size_t, Vault> sealedVaults;
std::optional<store::Seal> benchSeal;

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A vault of `count` entries in the folder `name` below the root, its
// data.enc holding `bytes`.
Vault writeVault(const QString& name, std::size_t count, std::string_view bytes) {
    Vault vault;
    vault.count = count;
    vault.folder = root + QLatin1Char('/') + name;
    QDir().mkpath(vault.folder);
    vault.dataPath = (vault.folder + QStringLiteral("/data.enc")).toStdString();
    writeBytes(vault.dataPath, bytes);
    vault.fileSize = qint64(bytes.size());
    return vault;
}

} // namespace

void setVaultRoot(const QString& folder) {
    root = folder;
}

const QString& vaultRoot() {
    return root;
}

const Vault& vaultOf(std::size_t count) {
    if (auto it = plainVaults.find(count); it != plainVaults.end()) {
        return it->second;
    }
    Vault vault = writeVault(QStringLiteral("vault-%1").arg(count), count, makeVault(count));
    vault.floorPath = (vault.folder + QStringLiteral("/floor.enc")).toStdString();
    return plainVaults.emplace(count, std::move(vault)).first->second;
}

const Vault& sealedVaultOf(std::size_t count) {
    if (auto it = sealedVaults.find(count); it != sealedVaults.end()) {
        return it->second;
    }
    const std::string plain = makeVault(count);
    const QByteArray bytes =
        store::sealedFile(theSeal(), QByteArrayView(plain.data(), qsizetype(plain.size())));
    return sealedVaults
        .emplace(count, writeVault(QStringLiteral("sealed-%1").arg(count), count,
                                   std::string_view(bytes.constData(), std::size_t(bytes.size()))))
        .first->second;
}

void restoreVault(const Vault& vault) {
    writeBytes(vault.dataPath, makeVault(vault.count));
}

QString vaultPassword() {
    const std::string bytes = makeVault(1);
    return store::storedPasswordOf(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

const store::Seal& theSeal() {
    if (!benchSeal) {
        benchSeal = store::makeSeal(vaultPassword(), store::standardKeyLimits());
    }
    return *benchSeal;
}

store::Seal copyOfSeal(const store::Seal& seal) {
    store::Seal copy;
    copy.header = seal.header;
    copy.key.assign(QByteArrayView(reinterpret_cast<const char*>(seal.key.bytes()),
                                   qsizetype(store::SecretKey::kSize)));
    return copy;
}

} // namespace kestrune::bench
