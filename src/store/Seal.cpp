#include "store/Seal.h"

#include "store/Windows1252.h"

namespace kestrune::store {

std::optional<QByteArray> passwordBytes(QStringView password) {
    return toWindows1252(password);
}

std::optional<Seal> makeSeal(QStringView password, KeyLimits limits, std::uint32_t chunkSize) {
    std::optional<QByteArray> bytes = passwordBytes(password);
    if (!bytes) {
        return std::nullopt;
    }
    Seal seal;
    seal.header.limits = limits;
    seal.header.chunkSize = chunkSize;
    seal.header.salt = randomKeySalt();
    const bool made = sodiumReady() && seal.key.derive(*bytes, seal.header.salt, limits);
    wipe(*bytes);
    if (!made) {
        return std::nullopt;
    }
    return seal;
}

} // namespace kestrune::store
