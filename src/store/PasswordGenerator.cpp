#include "store/PasswordGenerator.h"

#include <sodium.h>

#include <array>
#include <cstdint>
#include <string>

namespace kestrune::store {

namespace {

char drawFrom(std::string_view characters) {
    return characters[randombytes_uniform(std::uint32_t(characters.size()))];
}

} // namespace

QString GeneratePassword() {
    static const std::string all = std::string(kPasswordLower) + std::string(kPasswordUpper) +
                                   std::string(kPasswordDigits) + std::string(kPasswordOthers);

    std::array<char, kGeneratedPasswordLength> drawn{};
    drawn[0] = drawFrom(kPasswordLower);
    drawn[1] = drawFrom(kPasswordUpper);
    drawn[2] = drawFrom(kPasswordDigits);
    drawn[3] = drawFrom(kPasswordOthers);
    for (std::size_t i = 4; i < drawn.size(); ++i) {
        drawn[i] = drawFrom(all);
    }
    // Fisher-Yates: every order is equally likely, so the place of the class
    // characters tells nothing.
    for (std::size_t i = drawn.size() - 1; i > 0; --i) {
        const std::size_t j = randombytes_uniform(std::uint32_t(i + 1));
        std::swap(drawn[i], drawn[j]);
    }
    QString password = QString::fromLatin1(drawn.data(), qsizetype(drawn.size()));
    sodium_memzero(drawn.data(), drawn.size());
    return password;
}

} // namespace kestrune::store
