#include "VaultGenerator.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrune::bench {

namespace {

// A small, fast generator with a fixed seed, so every run writes the same file.
class Random {
public:
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items) {
        return items[below(N)];
    }

private:
    std::uint64_t state_ = 0x4B657374;
};

constexpr std::array<std::string_view, 24> kFirstNames = {
    "anna", "ben",   "carla", "david", "emma",  "felix", "greta",    "hugo",
    "ines", "jonas", "karin", "lukas", "maria", "noah",  "olga",     "paul",
    "rosa", "simon", "tanja", "ulf",   "vera",  "wim",   "\xE9lise", "zo\xEB"};
constexpr std::array<std::string_view, 16> kLastNames = {
    "adler",  "becker", "castro",   "dubois", "eriksen",   "fischer", "garcia",   "hansen",
    "ivanov", "jensen", "kowalski", "lopez",  "m\xFCller", "nowak",   "\x8Akoda", "weber"};
constexpr std::array<std::string_view, 8> kMailHosts = {
    "example.com",   "mail.example.org",   "post.example.net", "inbox.example.de",
    "example.co.uk", "webmail.example.fr", "example.io",       "corp.example.com"};
constexpr std::array<std::string_view, 32> kSites = {
    "shop",    "bank",   "news",   "forum",   "cloud",   "travel", "music",   "video",
    "games",   "books",  "photos", "mail",    "jobs",    "health", "energy",  "insurance",
    "tickets", "market", "school", "library", "garden",  "sports", "weather", "maps",
    "recipes", "cars",   "homes",  "pets",    "fashion", "tools",  "crafts",  "science"};
constexpr std::array<std::string_view, 8> kTlds = {"com",   "org", "net",     "de",
                                                   "co.uk", "fr",  "example", "io"};
constexpr std::array<std::string_view, 8> kPaths = {"account/login",
                                                    "account/login?next=/dashboard",
                                                    "en-gb/customer/sign-in",
                                                    "secure/auth/session/new",
                                                    "users/sign_in",
                                                    "portal/index.php?page=login",
                                                    "",
                                                    "members/area/profile/security/password"};
// Password characters: letters, digits, punctuation (no bar) and a few
// Windows-1252 letters and signs.
constexpr std::string_view kPasswordChars =
    "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!#$%&*+-=?@_~"
    "\x8A\x80\xE9\xFC\xDF\x9A\xC4";

void appendUsername(std::string& out, Random& random) {
    const std::string_view first = random.pick(kFirstNames);
    const std::string_view last = random.pick(kLastNames);
    const std::size_t kind = random.below(10);
    if (kind < 6) { // e-mail address
        out += first;
        out += '.';
        out += last;
        out += std::to_string(random.below(1000));
        out += '@';
        out += random.pick(kMailHosts);
    } else if (kind < 9) { // a plain login name
        out += first.substr(0, 1);
        out += last;
        out += std::to_string(random.below(100));
    } else {
        out += first;
        out += '_';
        out += std::to_string(random.below(100000));
    }
}

void appendPassword(std::string& out, Random& random) {
    const std::size_t length = 10 + random.below(15);
    for (std::size_t i = 0; i < length; ++i) {
        out += kPasswordChars[random.below(kPasswordChars.size())];
    }
}

void appendLocation(std::string& out, Random& random) {
    const std::size_t kind = random.below(20);
    const std::string_view site = random.pick(kSites);
    const std::string_view tld = random.pick(kTlds);
    if (kind < 16) { // a web address
        out += "https://www.";
        out += site;
        out += std::to_string(random.below(500));
        out += '.';
        out += tld;
        out += '/';
        out += random.pick(kPaths);
    } else if (kind < 18) { // a bare host
        out += site;
        out += '.';
        out += tld;
    } else { // a file
        out += "C:\\Users\\";
        out += random.pick(kFirstNames);
        out += "\\Documents\\Accounts\\";
        out += site;
        out += std::to_string(random.below(100));
        out += ".xlsx";
    }
}

void appendEncodedLine(std::string& out, std::string_view plain) {
    for (const char c : plain) {
        out += char(static_cast<unsigned char>(c) ^ 0x80U);
    }
    out += "\r\n";
}

} // namespace

std::string makeVault(std::size_t count) {
    Random random;
    std::string out;
    out.reserve(count * 80 + 64);
    appendEncodedLine(out, "M\xE4sterW\x80rd!");
    std::string line;
    for (std::size_t i = 0; i < count; ++i) {
        line.clear();
        appendUsername(line, random);
        line += "|||";
        appendPassword(line, random);
        line += "|||";
        appendLocation(line, random);
        appendEncodedLine(out, line);
    }
    out += "\r\n";
    return out;
}

} // namespace kestrune::bench
