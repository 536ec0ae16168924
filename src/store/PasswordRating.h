#pragma once

#include "store/Entry.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// How hard the entries' passwords are to guess: zxcvbn's estimate in bits,
// given each entry's username and its location's host as words of its own,
// a band made of the bits, and how many entries share each password. Plain
// code; nothing of it is written anywhere.
namespace kestrune::store {

// From worst to best; the order is the order of the report.
enum class StrengthBand : std::uint8_t { Poor, Weak, Good, Excellent };

// The lower bounds of the bands, in bits.
inline constexpr double kWeakFromBits = 40;
inline constexpr double kGoodFromBits = 75;
inline constexpr double kExcellentFromBits = 100;

// Only the first characters of a password are rated: beyond them a password
// is at least as strong as its start, and the estimate's cost stays bounded.
inline constexpr qsizetype kRatedCharacters = 256;
// A password of fewer characters than this is short.
inline constexpr qsizetype kShortBelowCharacters = 12;

StrengthBand bandOfBits(double bits);

// zxcvbn's estimate for the first kRatedCharacters of `password`, with the
// username, its part before "@", the location's host and the host's longer
// labels as words that an attacker would try first.
double passwordBits(QStringView password, QStringView username, QStringView location);

struct PasswordRating {
    float bits = 0;
    // How many entries hold this very password, this one included; 0 for an
    // entry without a password, which is not rated.
    std::uint32_t sharedBy = 0;
    // The band of the bits, no better than Weak when the password is reused.
    StrengthBand band = StrengthBand::Excellent;
    bool isShort = false;

    bool rated() const { return sharedBy != 0; }
    bool reused() const { return sharedBy > 1; }
    // The bits alone put the password in Poor or Weak.
    bool guessable() const { return rated() && bandOfBits(bits) <= StrengthBand::Weak; }
    bool needsAttention() const { return rated() && (band <= StrengthBand::Weak || isShort); }
};

// The rating of one entry on its own (sharedBy 1, or 0 without a password).
PasswordRating ratePassword(const Entry& entry);

// Shared between a rating in progress and whoever waits for it.
struct RatingControl {
    // Set from any thread: the rating stops soon and its result is incomplete.
    std::atomic<bool> cancelled{false};
    // How many entries have been rated so far.
    std::atomic<std::size_t> done{0};
    // Called now and then from a rating thread with `done`; may be empty.
    std::function<void(std::size_t done)> progress;
};

// Rates every entry, one result per entry in the same order, on every core.
// Equal passwords are counted with a hash table over views of the entries'
// own texts; no password is copied. Blocks until done or cancelled.
std::vector<PasswordRating> ratePasswords(const std::vector<Entry>& entries,
                                          RatingControl& control);

} // namespace kestrune::store
