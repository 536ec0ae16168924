#include "store/SealedFile.h"

#include "store/DataFileFormat.h"
#include "store/Windows1252.h"

#include <QFileInfo>

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <system_error>

namespace kestrune::store {

namespace {

using Stream = crypto_secretstream_xchacha20poly1305_state;
constexpr unsigned char kTagMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kTagFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

static_assert(kSealedChunkOverhead == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(sizeof(SealedHeader::stream) == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kSealedHashSize == crypto_generichash_BYTES);
static_assert(kKeySaltSize == crypto_pwhash_SALTBYTES);
static_assert(SecretKey::kSize == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(sizeof(kSealedFirstLine) - 1 + 2 == kSealedFirstLineSize);
static_assert(kSealedFirstLineSize + 1 + 4 + 4 + 4 + kKeySaltSize + 24 == kSealedHeaderSize);

// From this many plaintext bytes on, a piece of the encoder is handed out.
constexpr qsizetype kPieceTarget = qsizetype(1) << 20;
// From this size on, a piece is hashed on a thread of its own.
constexpr qsizetype kHashAheadFrom = qsizetype(256) << 10;

QByteArrayView firstLineWithEnd() {
    return QByteArrayView("KESTRUNE SEALED 1\r\n", kSealedFirstLineSize);
}

void putU32(unsigned char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint32_t getU32(const unsigned char* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= std::uint32_t(p[i]) << (8 * i);
    }
    return value;
}

SealedHeader parseHeader(const unsigned char* p) {
    SealedHeader header;
    p += kSealedFirstLineSize;
    header.algorithm = p[0];
    header.limits.opslimit = getU32(p + 1);
    header.limits.memlimitKiB = getU32(p + 5);
    header.chunkSize = getU32(p + 9);
    std::memcpy(header.salt.data(), p + 13, header.salt.size());
    std::memcpy(header.stream.data(), p + 13 + header.salt.size(), header.stream.size());
    return header;
}

const unsigned char* bytesOf(QByteArrayView view) {
    return reinterpret_cast<const unsigned char*>(view.data());
}

unsigned char* bytesOf(QByteArray& bytes) {
    return reinterpret_cast<unsigned char*>(bytes.data());
}

} // namespace

DataFileKind kindOfDataFile(QByteArrayView start) {
    const QByteArrayView line = firstLineWithEnd();
    if (start.startsWith(line)) {
        return DataFileKind::Sealed;
    }
    // "KESTRUNE SEALED " and a number other than 1, then CR LF.
    const QByteArrayView prefix = line.first(16);
    if (start.startsWith(prefix)) {
        const QByteArrayView rest = start.sliced(prefix.size());
        qsizetype digits = 0;
        while (digits < rest.size() && digits < 9 && rest[digits] >= '0' && rest[digits] <= '9') {
            ++digits;
        }
        if (digits > 0 && rest.sliced(digits).startsWith("\r\n") &&
            rest.first(digits) != QByteArrayView("1")) {
            return DataFileKind::SealedOtherVersion;
        }
    }
    // A line that differs from the sealed first line in a few bytes is a
    // sealed file whose start was damaged: a written file would need a master
    // password of nearly these accented letters to start like this.
    const qsizetype compared = std::min(start.size(), line.size());
    if (compared >= 12) {
        qsizetype differing = 0;
        for (qsizetype i = 0; i < compared; ++i) {
            differing += start[i] != line[i] ? 1 : 0;
        }
        if (differing <= 3) {
            return DataFileKind::SealedDamaged;
        }
    }
    return DataFileKind::Written;
}

QByteArray SealedHeader::bytes() const {
    QByteArray out(kSealedHeaderSize, Qt::Uninitialized);
    unsigned char* p = bytesOf(out);
    std::memcpy(p, firstLineWithEnd().data(), kSealedFirstLineSize);
    p += kSealedFirstLineSize;
    p[0] = algorithm;
    putU32(p + 1, limits.opslimit);
    putU32(p + 5, limits.memlimitKiB);
    putU32(p + 9, chunkSize);
    std::memcpy(p + 13, salt.data(), salt.size());
    std::memcpy(p + 13 + salt.size(), stream.data(), stream.size());
    return out;
}

bool SealedHeader::acceptable() const {
    return algorithm == kSealedAlgorithm && limits.opslimit >= kMinOpslimit &&
           limits.opslimit <= kMaxOpslimit && limits.memlimitKiB >= kMinMemlimitKiB &&
           limits.memlimitKiB <= kMaxMemlimitKiB && chunkSize >= kMinChunkSize &&
           chunkSize <= kMaxChunkSize;
}

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
    wipeBytes(*bytes);
    if (!made) {
        return std::nullopt;
    }
    return seal;
}

// ---- the writer ----

struct SealedFileEncoder::State {
    Stream stream{};
    crypto_generichash_state hash{};
    std::function<QByteArrayView()> plainPieces;
    QByteArray ad;          // the 72 bytes before the first chunk
    QByteArrayView pending; // the rest of the plaintext piece taken last
    QByteArray plain;       // one chunk of plaintext
    qsizetype plainUsed = 0;
    QByteArray out[2];
    // Done once the piece in out[i], and every piece before it, is hashed.
    std::shared_future<void> hashed[2];
    int nextOut = 0;
    bool ready = false; // the seal could be used
    bool started = false;
    bool plainDone = false;
    bool done = false;

    // Hashes a piece after the one before it, on a thread of its own when it
    // is large: the hash of one piece is made while the next is sealed.
    void hashPiece(int buffer, qsizetype size) {
        std::shared_future<void> before = hashed[1 - buffer];
        const unsigned char* data = bytesOf(out[buffer]);
        auto work = [this, before, data, size] {
            if (before.valid()) {
                before.wait();
            }
            crypto_generichash_update(&hash, data, std::size_t(size));
        };
        if (size >= kHashAheadFrom) {
            try {
                hashed[buffer] = std::async(std::launch::async, work).share();
                return;
            } catch (const std::system_error&) {
                // No thread to be had: hashed here instead.
            }
        }
        work();
        hashed[buffer] = {};
    }
    void waitForHashes() {
        for (const std::shared_future<void>& h : hashed) {
            if (h.valid()) {
                h.wait();
            }
        }
    }

    ~State() {
        waitForHashes();
        wipeBytes(&stream, sizeof stream);
        wipeBytes(plain.data(), std::size_t(plain.size()));
    }
};

SealedFileEncoder::SealedFileEncoder(const Seal& seal, std::function<QByteArrayView()> plainPieces)
    : state_(std::make_unique<State>()), header_(seal.header) {
    State& s = *state_;
    s.plainPieces = std::move(plainPieces);
    if (!sodiumReady() || !seal.key.isSet() || !header_.acceptable()) {
        // Nothing sealed can come of it: no piece at all (see failed()).
        s.done = true;
        return;
    }
    crypto_secretstream_xchacha20poly1305_init_push(&s.stream, header_.stream.data(),
                                                    seal.key.bytes());
    s.ad = header_.bytes();
    crypto_generichash_init(&s.hash, nullptr, 0, kSealedHashSize);
    s.plain.resize(qsizetype(header_.chunkSize));
    const qsizetype most =
        kPieceTarget + s.plain.size() + kSealedChunkOverhead + kSealedHeaderSize + kSealedHashSize;
    s.out[0].reserve(most);
    s.out[1].reserve(most);
    s.ready = true;
}

SealedFileEncoder::~SealedFileEncoder() = default;

bool SealedFileEncoder::failed() const {
    return !state_->ready;
}

QByteArrayView SealedFileEncoder::next() {
    State& s = *state_;
    if (s.done) {
        return {};
    }
    // Two buffers in turn: the piece given last time stays as it is while
    // this one is made, so that it can still be being written.
    const int buffer = s.nextOut;
    QByteArray& out = s.out[buffer];
    s.nextOut = 1 - s.nextOut;
    // The piece that was in this buffer must be hashed before it is reused.
    if (s.hashed[buffer].valid()) {
        s.hashed[buffer].wait();
    }
    const qsizetype chunkSize = s.plain.size();
    qsizetype used = 0;
    const auto room = [&](qsizetype n) {
        if (out.size() < used + n) {
            out.resize(used + n);
        }
        return bytesOf(out) + used;
    };
    if (!s.started) {
        s.started = true;
        std::memcpy(room(s.ad.size()), s.ad.constData(), std::size_t(s.ad.size()));
        used += s.ad.size();
    }
    const auto push = [&](const unsigned char* plain, qsizetype size, unsigned char tag) {
        unsigned char* c = room(size + kSealedChunkOverhead);
        unsigned long long written = 0;
        crypto_secretstream_xchacha20poly1305_push(&s.stream, c, &written, plain,
                                                   static_cast<unsigned long long>(size),
                                                   bytesOf(s.ad), std::size_t(s.ad.size()), tag);
        used += qsizetype(written);
    };
    const auto pushGathered = [&](unsigned char tag) {
        push(bytesOf(s.plain), s.plainUsed, tag);
        wipeBytes(s.plain.data(), std::size_t(s.plainUsed));
        s.plainUsed = 0;
    };
    while (used < kPieceTarget) {
        if (s.pending.isEmpty() && !s.plainDone) {
            s.pending = s.plainPieces();
            s.plainDone = s.pending.isEmpty();
        }
        if (s.plainUsed == 0 && s.pending.size() >= chunkSize) {
            // A whole chunk within the piece is sealed where it stands.
            push(bytesOf(s.pending), chunkSize, kTagMessage);
            s.pending = s.pending.sliced(chunkSize);
            continue;
        }
        // A chunk that runs across pieces is gathered first.
        while (s.plainUsed < chunkSize && !s.plainDone) {
            if (s.pending.isEmpty()) {
                s.pending = s.plainPieces();
                if (s.pending.isEmpty()) {
                    s.plainDone = true;
                    break;
                }
            }
            const qsizetype take = std::min(chunkSize - s.plainUsed, s.pending.size());
            std::memcpy(s.plain.data() + s.plainUsed, s.pending.data(), std::size_t(take));
            s.plainUsed += take;
            s.pending = s.pending.sliced(take);
        }
        if (s.plainUsed == chunkSize) {
            // A full chunk is never the last: when the plaintext ends here, an
            // empty FINAL chunk follows.
            pushGathered(kTagMessage);
            continue;
        }
        pushGathered(kTagFinal);
        s.waitForHashes();
        crypto_generichash_update(&s.hash, bytesOf(out), std::size_t(used));
        unsigned char* digest = room(kSealedHashSize);
        crypto_generichash_final(&s.hash, digest, kSealedHashSize);
        used += kSealedHashSize;
        s.done = true;
        return QByteArrayView(out.constData(), used);
    }
    s.hashPiece(buffer, used);
    return QByteArrayView(out.constData(), used);
}

QByteArray sealedFile(const Seal& seal, QByteArrayView plain) {
    bool given = false;
    SealedFileEncoder encoder(seal, [&]() -> QByteArrayView {
        if (given) {
            return {};
        }
        given = true;
        return plain;
    });
    QByteArray out;
    for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
        out.append(piece);
    }
    return out;
}

// ---- the reader ----

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
    header_ = parseHeader(bytesOf(QByteArrayView(s.headerBytes)));
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
    wipeBytes(firstLine);
    if (result.read.ok && result.outcome == SealedOutcome::Opened && result.passwordMatches) {
        result.entries = reader.finish();
    }
    return result;
}

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
    wipeBytes(*bytes);
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
