#pragma once

#include "store/SecretKey.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

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
    // The header as the 72 bytes of a file that kindOfDataFile calls Sealed
    // give it: no value is checked (see acceptable()).
    static SealedHeader parse(QByteArrayView bytes);
    // True when this version can read a file with this header.
    bool acceptable() const;
    bool operator==(const SealedHeader&) const = default;
};

} // namespace kestrune::store
