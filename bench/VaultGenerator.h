#pragma once

#include <cstddef>
#include <string>

namespace kestrune::bench {

// The bytes of a data.enc holding `count` made-up but realistic entries: a
// master password on line 1, then one line per entry. Usernames are e-mail
// addresses or plain names, passwords 10 to 24 characters with some
// Windows-1252 letters (Š € é ...), locations mostly web addresses with long
// shared prefixes, some bare hosts and some file paths. The same count always
// gives the same bytes.
std::string makeVault(std::size_t count);

} // namespace kestrune::bench
