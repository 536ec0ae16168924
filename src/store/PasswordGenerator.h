#pragma once

#include <QString>

#include <string_view>

namespace kestrune::store {

// The characters a new password is made of: printable ASCII without the
// blank, without "|" (the data file's separator is made of it) and without
// the look-alikes l, I, O, 0 and 1. Each of the four classes below is a part
// of it; together they are all of it.
inline constexpr std::string_view kPasswordLower = "abcdefghijkmnopqrstuvwxyz";
inline constexpr std::string_view kPasswordUpper = "ABCDEFGHJKLMNPQRSTUVWXYZ";
inline constexpr std::string_view kPasswordDigits = "23456789";
inline constexpr std::string_view kPasswordOthers = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{}~";

inline constexpr int kGeneratedPasswordLength = 20;

// A new password of kGeneratedPasswordLength characters: one from each class,
// the rest from all of them, in an order shuffled by the same source.
// Every draw comes from libsodium's randombytes_uniform, which has no
// modulo bias; sodium_init() must have run.
QString GeneratePassword();

} // namespace kestrune::store
