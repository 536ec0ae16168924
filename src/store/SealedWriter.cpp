#include "store/SealedWriter.h"

#include "store/PieceBuffer.h"
#include "store/SealedStream.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <system_error>

namespace kestrune::store {

using namespace sealed;

namespace {

// From this many plaintext bytes on, a piece of the encoder is handed out.
constexpr qsizetype kPieceTarget = qsizetype(1) << 20;
// From this size on, a piece is hashed on a thread of its own.
constexpr qsizetype kHashAheadFrom = qsizetype(256) << 10;

} // namespace

struct SealedFileEncoder::State {
    Stream stream{};
    crypto_generichash_state hash{};
    std::function<QByteArrayView()> plainPieces;
    QByteArray ad;          // the 72 bytes before the first chunk
    QByteArrayView pending; // the rest of the plaintext piece taken last
    QByteArray plain;       // one chunk of plaintext
    qsizetype plainUsed = 0;
    PieceBuffer out{kPieceTarget, PieceBuffer::Wipe::No}; // sealed bytes only
    // Done once the piece in buffer i, and every piece before it, is hashed.
    std::shared_future<void> hashed[2];
    bool ready = false; // the seal could be used
    bool started = false;
    bool plainDone = false;
    bool done = false;

    // Hashes a piece after the one before it, on a thread of its own when it
    // is large: the hash of one piece is made while the next is sealed.
    void hashPiece(int buffer, QByteArrayView piece) {
        std::shared_future<void> before = hashed[1 - buffer];
        const unsigned char* data = bytesOf(piece);
        const qsizetype size = piece.size();
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
    s.out.reserve(kPieceTarget + s.plain.size() + kSealedChunkOverhead + kSealedHeaderSize +
                  kSealedHashSize);
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
    PieceBuffer& out = s.out;
    const int buffer = out.startPiece();
    // The piece that was in this buffer must be hashed before it is reused.
    if (s.hashed[buffer].valid()) {
        s.hashed[buffer].wait();
    }
    const qsizetype chunkSize = s.plain.size();
    if (!s.started) {
        s.started = true;
        std::memcpy(out.room(s.ad.size()), s.ad.constData(), std::size_t(s.ad.size()));
        out.add(s.ad.size());
    }
    const auto push = [&](const unsigned char* plain, qsizetype size, unsigned char tag) {
        auto* c = reinterpret_cast<unsigned char*>(out.room(size + kSealedChunkOverhead));
        unsigned long long written = 0;
        crypto_secretstream_xchacha20poly1305_push(&s.stream, c, &written, plain,
                                                   static_cast<unsigned long long>(size),
                                                   bytesOf(s.ad), std::size_t(s.ad.size()), tag);
        out.add(qsizetype(written));
    };
    const auto pushGathered = [&](unsigned char tag) {
        push(bytesOf(s.plain), s.plainUsed, tag);
        wipeBytes(s.plain.data(), std::size_t(s.plainUsed));
        s.plainUsed = 0;
    };
    while (out.size() < kPieceTarget) {
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
        crypto_generichash_update(&s.hash, bytesOf(out.piece()), std::size_t(out.size()));
        auto* digest = reinterpret_cast<unsigned char*>(out.room(kSealedHashSize));
        crypto_generichash_final(&s.hash, digest, kSealedHashSize);
        out.add(kSealedHashSize);
        s.done = true;
        return out.piece();
    }
    s.hashPiece(buffer, out.piece());
    return out.piece();
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

} // namespace kestrune::store
