#include "mainwindow/EntryFind.h"

#include "mainwindow/EntryListModel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrune::ui {

namespace {

// Simple case folding of one UTF-16 unit, as QChar::toCaseFolded does it;
// the first 256 come from a table, since nearly every character of a file in
// Windows-1252 is among them.
const std::array<char16_t, 256> kFoldedLatin1 = [] {
    std::array<char16_t, 256> table{};
    for (char16_t c = 0; c < 256; ++c) {
        table[c] = QChar::toCaseFolded(c);
    }
    return table;
}();

struct Folded {
    static constexpr bool kIgnoresCase = true;
    static char16_t of(char16_t c) { return c < 256 ? kFoldedLatin1[c] : QChar::toCaseFolded(c); }
};
struct AsIs {
    static constexpr bool kIgnoresCase = false;
    static char16_t of(char16_t c) { return c; }
};

// Whether `text` holds `needle` (already passed through Fold), every unit of
// `text` passed through Fold. A plain scan: the fields are short, and what
// costs is reading them, not a search algorithm's set-up per field. The first
// unit is tested cheaply: an ASCII unit by its case bit (only letters differ
// in it), any other through Fold.
template <typename Fold> bool holds(const QString& text, const std::u16string& needle) {
    const qsizetype n = qsizetype(needle.size());
    const qsizetype last = text.size() - n;
    if (last < 0) {
        return false;
    }
    const char16_t* p = QStringView(text).utf16();
    const char16_t* q = needle.data();
    const char16_t first = q[0];
    const char16_t caseBit = Fold::kIgnoresCase && first >= u'a' && first <= u'z' ? 0x20 : 0;
    for (qsizetype i = 0; i <= last; ++i) {
        const char16_t c = p[i];
        if (c < 0x80 ? char16_t(c | caseBit) != first : Fold::of(c) != first) {
            continue;
        }
        qsizetype j = 1;
        while (j < n && Fold::of(p[i + j]) == q[j]) {
            ++j;
        }
        if (j == n) {
            return true;
        }
    }
    return false;
}

// Rows a worker of a long list searches at least: fewer are not worth a thread.
constexpr qsizetype kRowsPerWorker = 100'000;
constexpr unsigned kMostWorkers = 4;

// Lowers `best` to `found` unless it is lower already.
void keepEarliest(std::atomic<qsizetype>& best, qsizetype found) {
    qsizetype current = best.load(std::memory_order_relaxed);
    while (found < current && !best.compare_exchange_weak(current, found)) {
    }
}

template <typename Fold>
qsizetype scan(const EntryListModel& rows, qsizetype after, const QString& text) {
    std::u16string needle(std::size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        needle[std::size_t(i)] = Fold::of(text[i].unicode());
    }
    const qsizetype count = rows.count();
    // Step k of the search looks at 0-based row (after + k) mod count: the
    // rows after `after` first, then from the top to `after` itself.
    const auto matchesAt = [&](qsizetype step) {
        const qsizetype index = after + step < count ? after + step : after + step - count;
        const store::Entry& entry = rows.entryAt(index);
        return holds<Fold>(entry.username, needle) || holds<Fold>(entry.location, needle);
    };
    // The earliest step that matches; `count` while none is known.
    std::atomic<qsizetype> best{count};
    const auto searchSteps = [&](qsizetype from, qsizetype to) {
        for (qsizetype step = from; step < to; ++step) {
            // A match found earlier in the order by another worker settles it.
            if (step % 1024 == 0 && best.load(std::memory_order_relaxed) < step) {
                return;
            }
            if (matchesAt(step)) {
                keepEarliest(best, step);
                return;
            }
        }
    };

    // A long list is searched in consecutive parts, one thread each, this one
    // included: the rows are only read while the user interface waits.
    const unsigned workers = unsigned(std::clamp<qsizetype>(
        count / kRowsPerWorker, 1,
        qsizetype(std::min(kMostWorkers, std::max(1u, std::thread::hardware_concurrency())))));
    const qsizetype part = (count + workers - 1) / workers;
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) {
        const qsizetype from = w * part;
        const qsizetype to = std::min(count, from + part);
        try {
            threads.emplace_back(searchSteps, from, to);
        } catch (const std::system_error&) {
            searchSteps(from, to); // no thread to be had: searched here
        }
    }
    searchSteps(0, std::min(count, part));
    for (std::thread& thread : threads) {
        thread.join();
    }
    const qsizetype step = best.load();
    if (step == count) {
        return 0;
    }
    return (after + step) % count + 1;
}

} // namespace

qsizetype FindNextRow(const EntryListModel& rows, qsizetype after, const FindRequest& request) {
    if (request.text.isEmpty() || rows.count() == 0) {
        return 0;
    }
    if (after < 0 || after > rows.count()) {
        after = 0;
    }
    return request.matchCase ? scan<AsIs>(rows, after, request.text)
                             : scan<Folded>(rows, after, request.text);
}

} // namespace kestrune::ui
