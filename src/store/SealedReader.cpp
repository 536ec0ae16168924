#include "store/SealedReader.h"

#include "store/DataFileFormat.h"
#include "store/SealedStream.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace kestrune::store {

using namespace sealed;

struct SealedFileReader::State {
    const SecretKey* key = nullptr;
    std::function<void(QByteArrayView)> onPlain;
    crypto_generichash_state hash{};
    Stream stream{};
    unsigned char tail[kSealedHashSize]{}; // the last bytes fed: maybe the hash
    qsizetype tailSize = 0;
    QByteArray headerBytes;
    bool headerDone = false;
    bool acceptable = false; // the header can be read by this version
    bool otherVersion = false;
    bool damaged = false; // found before the end
    bool wrongKey = false;
    QByteArray cipher; // one chunk as it stands in the file
    qsizetype cipherUsed = 0;
    QByteArray plain;
    qint64 regionBytes = 0; // bytes after the header, the hash excepted
    qint64 chunks = 0;      // chunks taken so far

    ~State() {
        wipeBytes(&stream, sizeof stream);
        wipeBytes(plain.data(), std::size_t(plain.size()));
    }
    // Whether the bytes of the chunk being read are still wanted.
    bool buffering() const {
        if (!acceptable || damaged || wrongKey) {
            return false;
        }
        return key != nullptr || chunks == 0;
    }
};

SealedFileReader::SealedFileReader(const SecretKey* key,
                                   std::function<void(QByteArrayView)> onPlain)
    : state_(std::make_unique<State>()) {
    state_->key = key != nullptr && key->isSet() ? key : nullptr;
    state_->onPlain = std::move(onPlain);
    state_->headerBytes.reserve(kSealedHeaderSize);
    if (sodiumReady()) {
        crypto_generichash_init(&state_->hash, nullptr, 0, kSealedHashSize);
    }
}

SealedFileReader::~SealedFileReader() = default;

void SealedFileReader::feed(QByteArrayView piece) {
    State& s = *state_;
    const unsigned char* p = bytesOf(piece);
    const qsizetype n = piece.size();
    if (n == 0) {
        return;
    }
    // The last 32 bytes seen are held back: they are the hash if the file
    // ends there. Everything before them is settled.
    if (s.tailSize + n <= kSealedHashSize) {
        std::memcpy(s.tail + s.tailSize, p, std::size_t(n));
        s.tailSize += n;
        return;
    }
    qsizetype settleCount = s.tailSize + n - kSealedHashSize;
    const qsizetype fromTail = std::min(s.tailSize, settleCount);
    settle(s.tail, fromTail);
    std::memmove(s.tail, s.tail + fromTail, std::size_t(s.tailSize - fromTail));
    s.tailSize -= fromTail;
    settleCount -= fromTail;
    settle(p, settleCount);
    std::memcpy(s.tail + s.tailSize, p + settleCount, std::size_t(n - settleCount));
    s.tailSize += n - settleCount;
}

void SealedFileReader::settle(const unsigned char* data, qsizetype size) {
    State& s = *state_;
    if (size <= 0) {
        return;
    }
    crypto_generichash_update(&s.hash, data, std::size_t(size));
    while (size > 0) {
        if (!s.headerDone) {
            const qsizetype take = std::min(kSealedHeaderSize - s.headerBytes.size(), size);
            s.headerBytes.append(reinterpret_cast<const char*>(data), take);
            data += take;
            size -= take;
            if (s.headerBytes.size() == kSealedHeaderSize) {
                takeHeader();
            }
            continue;
        }
        if (!s.buffering()) {
            s.regionBytes += size;
            return;
        }
        const qsizetype take = std::min(s.cipher.size() - s.cipherUsed, size);
        std::memcpy(s.cipher.data() + s.cipherUsed, data, std::size_t(take));
        s.cipherUsed += take;
        s.regionBytes += take;
        data += take;
        size -= take;
        if (s.cipherUsed == s.cipher.size()) {
            chunk(false);
        }
    }
}

void SealedFileReader::takeHeader() {
    State& s = *state_;
    s.headerDone = true;
    const DataFileKind kind = kindOfDataFile(s.headerBytes);
    if (kind != DataFileKind::Sealed) {
        s.otherVersion = kind == DataFileKind::SealedOtherVersion;
        s.damaged = !s.otherVersion;
        return;
    }
    header_ = SealedHeader::parse(s.headerBytes);
    // Every limit is checked before anything is allocated for it.
    s.acceptable = header_.acceptable();
    if (!s.acceptable) {
        return;
    }
    s.cipher.resize(qsizetype(header_.chunkSize) + kSealedChunkOverhead);
    if (s.key != nullptr) {
        s.plain.resize(qsizetype(header_.chunkSize));
        if (crypto_secretstream_xchacha20poly1305_init_pull(&s.stream, header_.stream.data(),
                                                            s.key->bytes()) != 0) {
            s.wrongKey = true;
        }
    }
}

void SealedFileReader::chunk(bool last) {
    State& s = *state_;
    const qsizetype size = s.cipherUsed;
    s.cipherUsed = 0;
    if (s.key == nullptr) {
        if (s.chunks == 0) {
            firstChunk_ = s.cipher.first(size);
        }
        ++s.chunks;
        return;
    }
    unsigned long long plainSize = 0;
    unsigned char tag = 0;
    const int pulled = crypto_secretstream_xchacha20poly1305_pull(
        &s.stream, bytesOf(s.plain), &plainSize, &tag, bytesOf(s.cipher),
        static_cast<unsigned long long>(size), bytesOf(QByteArrayView(s.headerBytes)),
        std::size_t(s.headerBytes.size()));
    if (pulled != 0) {
        // The first chunk tells whether the key is right; a later one that
        // does not open means the file was changed.
        (s.chunks == 0 ? s.wrongKey : s.damaged) = true;
    } else if (tag != (last ? kTagFinal : kTagMessage)) {
        s.damaged = true;
    } else if (s.onPlain && plainSize > 0) {
        s.onPlain(QByteArrayView(s.plain.constData(), qsizetype(plainSize)));
    }
    wipeBytes(s.plain.data(), std::size_t(plainSize));
    ++s.chunks;
}

SealedOutcome SealedFileReader::finish() {
    State& s = *state_;
    if (!s.headerDone) {
        // Shorter than a header.
        const QByteArray start =
            s.headerBytes + QByteArray(reinterpret_cast<const char*>(s.tail), s.tailSize);
        return kindOfDataFile(start) == DataFileKind::SealedOtherVersion
                   ? SealedOutcome::Unsupported
                   : SealedOutcome::Damaged;
    }
    if (s.otherVersion) {
        return SealedOutcome::Unsupported;
    }
    unsigned char digest[kSealedHashSize];
    crypto_generichash_final(&s.hash, digest, kSealedHashSize);
    const bool hashMatches =
        s.tailSize == kSealedHashSize && sodium_memcmp(digest, s.tail, kSealedHashSize) == 0;
    if (!hashMatches || s.damaged) {
        return SealedOutcome::Damaged;
    }
    if (!s.acceptable) {
        // Whole as written, by a program that knows more than this one.
        return SealedOutcome::Unsupported;
    }
    // What is left after the full chunks is the last chunk, never shorter
    // than its authentication tag.
    const qint64 full = qint64(header_.chunkSize) + kSealedChunkOverhead;
    if (s.regionBytes % full < kSealedChunkOverhead) {
        return SealedOutcome::Damaged;
    }
    if (s.buffering()) {
        chunk(true);
    }
    if (s.wrongKey) {
        return SealedOutcome::WrongPassword;
    }
    return s.damaged ? SealedOutcome::Damaged : SealedOutcome::Opened;
}

SealedEntries readSealedEntries(const QString& path, const SecretKey& key,
                                const QString& masterPassword) {
    SealedEntries result;
    EntryReader reader;
    reader.expectBytes(QFileInfo(path).size());
    QByteArray firstLine; // the encoded master password, up to its CR
    bool firstLineDone = false;
    SealedFileReader sealed(&key, [&](QByteArrayView plain) {
        if (!firstLineDone) {
            const qsizetype cr = plain.indexOf('\r');
            firstLine.append(plain.first(cr < 0 ? plain.size() : cr));
            firstLineDone = cr >= 0;
        }
        reader.feed(plain);
    });
    result.read = readFileInPieces(path, [&sealed](QByteArrayView piece) { sealed.feed(piece); });
    if (result.read.ok) {
        result.outcome = sealed.finish();
        result.passwordMatches = storedPasswordOf(firstLine) == masterPassword;
    }
    wipe(firstLine);
    if (result.read.ok && result.outcome == SealedOutcome::Opened && result.passwordMatches) {
        result.entries = reader.finish();
    }
    return result;
}

SealedFileCheck checkSealedFile(const QString& path) {
    SealedFileCheck check;
    SealedFileReader reader;
    check.read = readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
    if (!check.read.ok) {
        return check;
    }
    check.outcome = reader.finish();
    if (check.outcome == SealedOutcome::Opened) {
        check.lock = std::make_shared<const SealedLock>(
            SealedLock{reader.header(), reader.takeFirstChunk()});
    }
    return check;
}

} // namespace kestrune::store
