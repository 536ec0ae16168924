#include "store/SecretKey.h"

#include <sodium.h>

#include <QByteArray>

#include <cstring>
#include <utility>

namespace kestrune::store {

KeyLimits standardKeyLimits() {
    return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE / 1024};
}

KeyLimits lowestKeyLimits() {
    return {1, 8 * 1024};
}

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

KeySalt randomKeySalt() {
    KeySalt salt{};
    if (sodiumReady()) {
        randombytes_buf(salt.data(), salt.size());
    }
    return salt;
}

SecretKey::~SecretKey() {
    clear();
}

SecretKey::SecretKey(SecretKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

SecretKey& SecretKey::operator=(SecretKey&& other) noexcept {
    if (this != &other) {
        clear();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

void SecretKey::clear() {
    if (key_ != nullptr) {
        // sodium_free wipes the memory before it gives it back.
        sodium_free(key_);
        key_ = nullptr;
    }
}

bool SecretKey::allocate() {
    clear();
    if (!sodiumReady()) {
        return false;
    }
    key_ = static_cast<unsigned char*>(sodium_malloc(kSize));
    return key_ != nullptr;
}

bool SecretKey::derive(QByteArrayView password, const KeySalt& salt, KeyLimits limits) {
    if (!allocate()) {
        return false;
    }
    const int made = crypto_pwhash(
        key_, kSize, password.data(), static_cast<unsigned long long>(password.size()), salt.data(),
        limits.opslimit, std::size_t(limits.memlimitKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13);
    if (made != 0) {
        clear();
        return false;
    }
    sodium_mprotect_readonly(key_);
    return true;
}

bool SecretKey::assign(QByteArrayView bytes) {
    if (std::size_t(bytes.size()) != kSize || !allocate()) {
        clear();
        return false;
    }
    std::memcpy(key_, bytes.data(), kSize);
    sodium_mprotect_readonly(key_);
    return true;
}

} // namespace kestrune::store
