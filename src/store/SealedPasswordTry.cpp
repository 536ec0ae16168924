#include "store/SealedPasswordTry.h"

#include "store/SealedStream.h"

#include <algorithm>

namespace kestrune::store {

using namespace sealed;

SealedPasswordTry trySealedPassword(const SealedLock& lock, QStringView password) {
    SealedPasswordTry result;
    if (!lock.header.acceptable() || !sodiumReady()) {
        result.outcome = SealedPasswordTry::Outcome::Damaged;
        return result;
    }
    std::optional<QByteArray> bytes = passwordBytes(password);
    if (!bytes) {
        return result; // a character the file cannot hold: never its password
    }
    result.seal.header = lock.header;
    const bool made = result.seal.key.derive(*bytes, lock.header.salt, lock.header.limits);
    wipe(*bytes);
    if (!made) {
        result.outcome = SealedPasswordTry::Outcome::OutOfMemory;
        return result;
    }
    const QByteArray ad = lock.header.bytes();
    const qsizetype full = qsizetype(lock.header.chunkSize) + kSealedChunkOverhead;
    const qsizetype size = lock.firstChunk.size();
    Stream stream{};
    QByteArray plain(std::max<qsizetype>(size - kSealedChunkOverhead, 1), Qt::Uninitialized);
    unsigned long long plainSize = 0;
    unsigned char tag = 0;
    const bool opens =
        size >= kSealedChunkOverhead && size <= full &&
        crypto_secretstream_xchacha20poly1305_init_pull(&stream, lock.header.stream.data(),
                                                        result.seal.key.bytes()) == 0 &&
        crypto_secretstream_xchacha20poly1305_pull(
            &stream, bytesOf(plain), &plainSize, &tag, bytesOf(QByteArrayView(lock.firstChunk)),
            static_cast<unsigned long long>(size), bytesOf(QByteArrayView(ad)),
            std::size_t(ad.size())) == 0;
    wipeBytes(&stream, sizeof stream);
    wipeBytes(plain.data(), std::size_t(plain.size()));
    if (!opens) {
        result.seal.key.clear();
        return result;
    }
    if (tag != (size == full ? kTagMessage : kTagFinal)) {
        result.seal.key.clear();
        result.outcome = SealedPasswordTry::Outcome::Damaged;
        return result;
    }
    result.outcome = SealedPasswordTry::Outcome::Opens;
    return result;
}

} // namespace kestrune::store
