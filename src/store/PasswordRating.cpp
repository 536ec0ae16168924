#include "store/PasswordRating.h"

#include "store/LocationRules.h"

#include <sodium.h>
#include <zxcvbn.h>

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <thread>
#include <unordered_map>

namespace kestrune::store {

namespace {

// Entries rated by one thread before it takes the next block.
constexpr std::size_t kBlock = 256;
// A user word longer than this is cut: nobody types more of a name.
constexpr qsizetype kWordCharacters = 64;
// At most: username, its part before "@", host, and this many host labels.
constexpr std::size_t kHostLabels = 4;

// The first `limit` characters, without cutting a surrogate pair in two.
QStringView firstCharacters(QStringView text, qsizetype limit) {
    if (text.size() <= limit) {
        return text;
    }
    if (text[limit - 1].isHighSurrogate()) {
        --limit;
    }
    return text.first(limit);
}

void addWord(std::vector<QByteArray>& words, QStringView word) {
    if (!word.isEmpty()) {
        words.push_back(firstCharacters(word, kWordCharacters).toString().toLower().toUtf8());
    }
}

struct HashView {
    std::size_t operator()(QStringView text) const noexcept { return qHash(text); }
};

// How many entries hold each password; empty passwords are left out.
std::unordered_map<QStringView, std::uint32_t, HashView>
countPasswords(const std::vector<Entry>& entries) {
    std::unordered_map<QStringView, std::uint32_t, HashView> counts;
    counts.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (!entry.password.isEmpty()) {
            ++counts[QStringView(entry.password)];
        }
    }
    return counts;
}

PasswordRating rated(const Entry& entry, std::uint32_t sharedBy) {
    PasswordRating rating;
    if (entry.password.isEmpty()) {
        return rating;
    }
    rating.sharedBy = sharedBy;
    rating.bits = float(passwordBits(entry.password, entry.username, entry.location));
    rating.band = bandOfBits(rating.bits);
    if (rating.reused()) {
        rating.band = std::min(rating.band, StrengthBand::Weak);
    }
    rating.isShort = entry.password.size() < kShortBelowCharacters;
    return rating;
}

} // namespace

StrengthBand bandOfBits(double bits) {
    if (bits < kWeakFromBits) {
        return StrengthBand::Poor;
    }
    if (bits < kGoodFromBits) {
        return StrengthBand::Weak;
    }
    if (bits < kExcellentFromBits) {
        return StrengthBand::Good;
    }
    return StrengthBand::Excellent;
}

double passwordBits(QStringView password, QStringView username, QStringView location) {
    std::vector<QByteArray> words;
    words.reserve(3 + kHostLabels);
    addWord(words, username);
    if (const qsizetype at = username.indexOf(u'@'); at > 0) {
        addWord(words, username.first(at));
    }
    const QStringView host = webHost(location);
    addWord(words, host);
    // "example" of "www.example.com": the name a user picks a password after.
    std::size_t labels = 0;
    for (const QStringView label : host.tokenize(u'.')) {
        if (labels == kHostLabels) {
            break;
        }
        if (label.size() >= 4 && label.compare(u"www", Qt::CaseInsensitive) != 0) {
            addWord(words, label);
            ++labels;
        }
    }
    std::vector<const char*> dictionary;
    dictionary.reserve(words.size() + 1);
    for (const QByteArray& word : words) {
        dictionary.push_back(word.constData());
    }
    dictionary.push_back(nullptr);

    QByteArray utf8 = firstCharacters(password, kRatedCharacters).toUtf8();
    const double bits = ZxcvbnMatch(utf8.constData(), dictionary.data(), nullptr);
    sodium_memzero(utf8.data(), std::size_t(utf8.size()));
    return bits;
}

PasswordRating ratePassword(const Entry& entry) {
    return rated(entry, 1);
}

std::vector<PasswordRating> ratePasswords(const std::vector<Entry>& entries,
                                          RatingControl& control) {
    const auto counts = countPasswords(entries);
    std::vector<PasswordRating> ratings(entries.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (;;) {
            const std::size_t first = next.fetch_add(kBlock);
            if (first >= entries.size() || control.cancelled.load()) {
                return;
            }
            const std::size_t end = std::min(entries.size(), first + kBlock);
            for (std::size_t i = first; i < end; ++i) {
                const Entry& entry = entries[i];
                const auto shared = counts.find(QStringView(entry.password));
                ratings[i] = rated(entry, shared == counts.end() ? 0 : shared->second);
            }
            const std::size_t done = control.done.fetch_add(end - first) + (end - first);
            if (control.progress) {
                control.progress(done);
            }
        }
    };
    const std::size_t blocks = (entries.size() + kBlock - 1) / kBlock;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                                        std::max<std::size_t>(blocks, 1));
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (std::size_t i = 1; i < threads; ++i) {
        helpers.emplace_back(work);
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return ratings;
}

} // namespace kestrune::store
