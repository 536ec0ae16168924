#pragma once

#include "store/SealedLayout.h"
#include "store/SecretKey.h"

#include <QByteArray>
#include <QByteArrayView>

#include <sodium.h>

// What the sealed file's writer, reader and password try share of the
// encryption inside the store: the stream, its tags, and the bytes of Qt's
// arrays as the library takes them.
namespace kestrune::store::sealed {

using Stream = crypto_secretstream_xchacha20poly1305_state;
inline constexpr unsigned char kTagMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
inline constexpr unsigned char kTagFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

static_assert(kSealedChunkOverhead == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(sizeof(SealedHeader::stream) == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kSealedHashSize == crypto_generichash_BYTES);
static_assert(kKeySaltSize == crypto_pwhash_SALTBYTES);
static_assert(SecretKey::kSize == crypto_secretstream_xchacha20poly1305_KEYBYTES);

inline const unsigned char* bytesOf(QByteArrayView view) {
    return reinterpret_cast<const unsigned char*>(view.data());
}

inline unsigned char* bytesOf(QByteArray& bytes) {
    return reinterpret_cast<unsigned char*>(bytes.data());
}

} // namespace kestrune::store::sealed
