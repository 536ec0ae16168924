#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "store/Wipe.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The key of a sealed data file, and how it is made from the master password.
namespace kestrune::store {

// How hard the key is to make: Argon2id's passes and memory.
struct KeyLimits {
    std::uint32_t opslimit = 0;
    std::uint32_t memlimitKiB = 0;

    bool operator==(const KeyLimits&) const = default;
};

// What a new seal is made with: 3 passes over 256 MiB, about half a second
// here. Nothing a user can set lowers it.
KeyLimits standardKeyLimits();
// The cheapest limits a file may carry: 1 pass over 8 MiB, a few
// milliseconds. For tests, which would otherwise spend most of their time
// making keys.
KeyLimits lowestKeyLimits();

inline constexpr std::size_t kKeySaltSize = 16;
using KeySalt = std::array<unsigned char, kKeySaltSize>;

// A new random salt.
KeySalt randomKeySalt();

// Makes libsodium ready; true when it is. Safe to call any number of times,
// from any thread.
bool sodiumReady();

// The one owner of a key: 32 bytes in memory of their own, locked into RAM
// where the system allows it, between guard pages, read-only once made, and
// wiped when the owner goes. Moved, never copied.
class SecretKey {
public:
    static constexpr std::size_t kSize = 32;

    // Holds no key.
    SecretKey() = default;
    ~SecretKey();
    SecretKey(SecretKey&& other) noexcept;
    SecretKey& operator=(SecretKey&& other) noexcept;
    SecretKey(const SecretKey&) = delete;
    SecretKey& operator=(const SecretKey&) = delete;

    // Makes the key from a password's bytes (Argon2id v1.3). Slow by design:
    // about half a second with the standard limits. False when the memory
    // for it cannot be had; the owner then holds no key.
    bool derive(QByteArrayView password, const KeySalt& salt, KeyLimits limits);

    // A key given as it is (for tests and the fuzz target).
    bool assign(QByteArrayView bytes);

    bool isSet() const { return key_ != nullptr; }
    const unsigned char* bytes() const { return key_; }

    // Wipes and frees the key.
    void clear();

private:
    bool allocate();

    unsigned char* key_ = nullptr;
};

} // namespace kestrune::store
