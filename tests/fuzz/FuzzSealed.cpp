// Fuzz target for the sealed file reader and writer. The first byte of an
// input chooses what the rest is:
//  - even: a sealed data file as it might lie on disk. It is read with a key
//    of this target's (given, not made, so no run spends time on Argon2id)
//    and without one, whole and in pieces of sizes taken from the input. The
//    pieces never change the result; the reader without a key agrees with the
//    one with it (damage and unknown versions are seen alike, and a file that
//    opens is whole); and a file that opens, sealed again with the same key,
//    salt, limits and chunk size, opens to the same plaintext.
//  - odd: a plaintext, sealed with the key, the lowest limits and chunks of
//    4 KiB. It must open to the same bytes; with one byte changed (chosen by
//    the input) it must not open, and without the key it is seen as damaged.

#include "FuzzCheck.h"

#include "store/SealedReader.h"
#include "store/SealedWriter.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace kestrune::store;

namespace {

const Seal& fuzzSeal() {
    static const Seal seal = [] {
        Seal s;
        FUZZ_CHECK(s.key.assign(QByteArrayView("kestrune-sealed-fuzz-key-32bytes")));
        s.header.limits = lowestKeyLimits();
        s.header.chunkSize = kMinChunkSize;
        for (std::size_t i = 0; i < s.header.salt.size(); ++i) {
            s.header.salt[i] = static_cast<unsigned char>(i);
        }
        return s;
    }();
    return seal;
}

struct Read {
    SealedOutcome outcome;
    QByteArray plain;
};

// Reads `file` with `key` (or none) in pieces of the sizes given in turn.
Read readIn(QByteArrayView file, const SecretKey* key, QByteArrayView sizes) {
    Read result{SealedOutcome::Damaged, {}};
    SealedFileReader reader(key, [&result](QByteArrayView p) { result.plain += p; });
    qsizetype at = 0;
    for (qsizetype i = 0; at < file.size(); ++i) {
        const qsizetype size =
            sizes.isEmpty() ? file.size() : 1 + static_cast<unsigned char>(sizes[i % sizes.size()]);
        const qsizetype n = std::min(size, file.size() - at);
        reader.feed(file.sliced(at, n));
        at += n;
    }
    result.outcome = reader.finish();
    return result;
}

void checkFile(QByteArrayView file) {
    const Seal& seal = fuzzSeal();
    const Read whole = readIn(file, &seal.key, {});
    const Read pieces = readIn(file, &seal.key, file.first(std::min<qsizetype>(file.size(), 7)));
    FUZZ_CHECK(whole.outcome == pieces.outcome);
    FUZZ_CHECK(whole.plain == pieces.plain);
    const Read keyless = readIn(file, nullptr, file.last(std::min<qsizetype>(file.size(), 5)));
    FUZZ_CHECK(keyless.plain.isEmpty());
    FUZZ_CHECK((keyless.outcome == SealedOutcome::Unsupported) ==
               (whole.outcome == SealedOutcome::Unsupported));
    FUZZ_CHECK(keyless.outcome != SealedOutcome::Damaged ||
               whole.outcome == SealedOutcome::Damaged);
    FUZZ_CHECK(keyless.outcome != SealedOutcome::WrongPassword);
    if (whole.outcome != SealedOutcome::Opened) {
        return;
    }
    FUZZ_CHECK(keyless.outcome == SealedOutcome::Opened);
    Seal again;
    FUZZ_CHECK(again.key.assign(QByteArrayView(reinterpret_cast<const char*>(seal.key.bytes()),
                                               qsizetype(SecretKey::kSize))));
    SealedFileReader header;
    header.feed(file);
    FUZZ_CHECK(header.finish() == SealedOutcome::Opened);
    again.header = header.header();
    const QByteArray resealed = sealedFile(again, whole.plain);
    FUZZ_CHECK(resealed.size() == file.size());
    FUZZ_CHECK(resealed.first(48) == file.first(48));
    const Read back = readIn(resealed, &again.key, {});
    FUZZ_CHECK(back.outcome == SealedOutcome::Opened);
    FUZZ_CHECK(back.plain == whole.plain);
}

void checkPlain(QByteArrayView plain) {
    const Seal& seal = fuzzSeal();
    const QByteArray sealed = sealedFile(seal, plain);
    FUZZ_CHECK(sealed.size() == kSealedHeaderSize +
                                    (plain.size() / kMinChunkSize + 1) * kSealedChunkOverhead +
                                    plain.size() + kSealedHashSize);
    const Read back = readIn(sealed, &seal.key, plain.first(std::min<qsizetype>(plain.size(), 3)));
    FUZZ_CHECK(back.outcome == SealedOutcome::Opened);
    FUZZ_CHECK(back.plain == plain);
    // One byte changed anywhere.
    const std::size_t where =
        plain.isEmpty() ? 0
                        : static_cast<unsigned char>(plain[0]) * 131 + std::size_t(plain.size());
    QByteArray changed = sealed;
    const qsizetype at = qsizetype(where % std::size_t(changed.size()));
    changed[at] = char(changed[at] ^ (1 << (where % 8)));
    FUZZ_CHECK(readIn(changed, &seal.key, {}).outcome != SealedOutcome::Opened);
    const SealedOutcome keyless = readIn(changed, nullptr, {}).outcome;
    // A change in the version digit makes another version's file.
    FUZZ_CHECK(keyless == SealedOutcome::Damaged ||
               (at == 16 && keyless == SealedOutcome::Unsupported));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if ((data[0] & 1) == 0) {
        checkFile(rest);
    } else {
        checkPlain(rest);
    }
    return 0;
}
