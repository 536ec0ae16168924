#pragma once

#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/SecretKey.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// The sealed layout of data.enc: the written layout's bytes, encrypted. After
// a first line of its own and a header come the chunks, each one
// crypto_secretstream_xchacha20poly1305 push of a fixed number of plaintext
// bytes (the last one shorter, and tagged FINAL), and at the end a BLAKE2b-256
// of every byte before it:
//
//   19  "KESTRUNE SEALED 1" CR LF
//    1  algorithm: 1 = Argon2id v1.3 key, secretstream XChaCha20-Poly1305 body
//    4  Argon2id opslimit (u32, little-endian)
//    4  Argon2id memlimit in KiB (u32)
//    4  plaintext chunk size in bytes (u32)
//   16  Argon2id salt
//   24  secretstream header
//  ...  the chunks, each with the 72 bytes above as additional data
//   32  BLAKE2b-256, unkeyed, of every byte before it
//
// docs/FORMAT.md describes both layouts for other programs.
namespace kestrune::store {

inline constexpr char kSealedFirstLine[] = "KESTRUNE SEALED 1"; // followed by CR LF
inline constexpr qsizetype kSealedFirstLineSize = 19;           // with its CR LF
inline constexpr qsizetype kSealedHeaderSize = 72;
inline constexpr qsizetype kSealedHashSize = 32;
inline constexpr qsizetype kSealedChunkOverhead = 17;
inline constexpr std::uint8_t kSealedAlgorithm = 1;
inline constexpr std::uint32_t kStandardChunkSize = std::uint32_t(1) << 20;

// What a reader accepts; anything outside is a file this version cannot open.
inline constexpr std::uint32_t kMinOpslimit = 1, kMaxOpslimit = 16;
inline constexpr std::uint32_t kMinMemlimitKiB = 8 * 1024, kMaxMemlimitKiB = 1024 * 1024;
inline constexpr std::uint32_t kMinChunkSize = 4 * 1024, kMaxChunkSize = 16 * 1024 * 1024;

// What a data file is, judged by its first kSealedFirstLineSize bytes (or the
// whole file when it is shorter).
enum class DataFileKind {
    Written,            // the written layout
    Sealed,             // the sealed layout this version writes
    SealedOtherVersion, // "KESTRUNE SEALED " and another number
    SealedDamaged,      // nearly the sealed first line: a sealed file with a damaged start
};
DataFileKind kindOfDataFile(QByteArrayView start);

// The header of a sealed file, the 72 bytes before the first chunk.
struct SealedHeader {
    std::uint8_t algorithm = kSealedAlgorithm;
    KeyLimits limits;
    std::uint32_t chunkSize = kStandardChunkSize;
    KeySalt salt{};
    std::array<unsigned char, 24> stream{};

    QByteArray bytes() const;
    // True when this version can read a file with this header.
    bool acceptable() const;
    bool operator==(const SealedHeader&) const = default;
};

// A key with what the header says about how it was made: what every sealed
// save of one file writes with. Each save starts a new stream (a new random
// stream header) under the same salt and key.
struct Seal {
    SecretKey key;
    SealedHeader header;
};

// A new seal for a password: a new random salt and the key made from the
// password's bytes in the data file's character set. Slow (see SecretKey).
// Nothing when the memory for the key cannot be had, or the password holds a
// character the file cannot store.
std::optional<Seal> makeSeal(QStringView password, KeyLimits limits,
                             std::uint32_t chunkSize = kStandardChunkSize);

// The password's bytes in the data file's character set, as a key is made
// from them; the caller wipes them with wipeBytes once used.
std::optional<QByteArray> passwordBytes(QStringView password);

// Seals a written file handed over in pieces (an empty piece ends them), in
// pieces of its own: a piece in, chunks out, so that a save never holds the
// whole file. Each piece given out stays valid until the call after next, as
// FileHelpers' writer needs; the plaintext this holds is wiped as it goes.
class SealedFileEncoder {
public:
    SealedFileEncoder(const Seal& seal, std::function<QByteArrayView()> plainPieces);
    ~SealedFileEncoder();
    SealedFileEncoder(const SealedFileEncoder&) = delete;
    SealedFileEncoder& operator=(const SealedFileEncoder&) = delete;

    QByteArrayView next();
    // True when the seal was unusable (no key, or a header this version does
    // not write): then no piece comes, and nothing must be written.
    bool failed() const;
    // The header this save writes (its stream header is new).
    const SealedHeader& header() const { return header_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    SealedHeader header_;
};

// The whole sealed file for a written file's bytes (tests, small files);
// empty when the seal is unusable.
QByteArray sealedFile(const Seal& seal, QByteArrayView plain);

enum class SealedOutcome {
    Opened,        // every chunk authenticated, FINAL last, the hash matches
    WrongPassword, // the frame and the hash are whole, the first chunk does not open
    Damaged,       // anything else wrong with a file that says it is sealed
    Unsupported,   // another version, algorithm or limits outside the accepted ranges
};

// Reads a sealed file handed over in pieces of any size, as it is read from
// disk. With a key, every chunk is decrypted and its plaintext handed to
// `onPlain` in order (and wiped after the call); only an Opened outcome means
// that all of it was genuine. Without a key only the frame and the hash are
// checked, which needs no password, and the first chunk is kept for a try
// of a password (see trySealedPassword).
class SealedFileReader {
public:
    explicit SealedFileReader(const SecretKey* key = nullptr,
                              std::function<void(QByteArrayView)> onPlain = {});
    ~SealedFileReader();
    SealedFileReader(const SealedFileReader&) = delete;
    SealedFileReader& operator=(const SealedFileReader&) = delete;

    void feed(QByteArrayView piece);
    SealedOutcome finish();

    // Valid once the first 72 bytes have been fed.
    const SealedHeader& header() const { return header_; }
    // The first chunk as it stands in the file (read without a key).
    QByteArray takeFirstChunk() { return std::move(firstChunk_); }

private:
    struct State;
    void settle(const unsigned char* data, qsizetype size);
    void takeHeader();
    void chunk(bool last);

    std::unique_ptr<State> state_;
    SealedHeader header_;
    QByteArray firstChunk_;
};

// The entries of a sealed data file, read and decrypted piece by piece as
// LoadData does (the file is never held whole). They are genuine only when
// `outcome` is Opened and `passwordMatches`: the decrypted line 1 is
// `masterPassword`; otherwise `entries` is empty.
struct SealedEntries {
    FileResult read;
    SealedOutcome outcome = SealedOutcome::Damaged;
    bool passwordMatches = false;
    std::vector<Entry> entries;
};
SealedEntries readSealedEntries(const QString& path, const SecretKey& key,
                                const QString& masterPassword);

// What a sealed file needs to try a password, taken without one: its header
// and its first chunk. Shared with the thread that tries a password.
struct SealedLock {
    SealedHeader header;
    QByteArray firstChunk;
};

struct SealedPasswordTry {
    enum class Outcome { Opens, Wrong, Damaged, OutOfMemory };
    Outcome outcome = Outcome::Wrong;
    Seal seal; // the file's seal, when the password opens it
};

// Makes the key from `password` with the file's salt and limits, and tries it
// on the first chunk. Slow (about half a second), touches nothing shared, and
// wipes what it held of the password and the plaintext: run it on any thread.
SealedPasswordTry trySealedPassword(const SealedLock& lock, QStringView password);

} // namespace kestrune::store
