#pragma once

#include "store/SealedLayout.h"
#include "store/SecretKey.h"

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <optional>

// The key of a sealed data file together with the header it is written with.
namespace kestrune::store {

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
// from them; the caller wipes them with wipe() once used.
std::optional<QByteArray> passwordBytes(QStringView password);

} // namespace kestrune::store
