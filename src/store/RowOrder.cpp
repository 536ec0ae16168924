#include "store/RowOrder.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

#if KESTRUNE_HAVE_ICU
#include <unicode/ucol.h>
#endif

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"

#include <string>
#endif

namespace kestrune::store {

namespace {

// Below this many rows one thread is quicker than starting others.
constexpr std::size_t kParallelFrom = 50000;

unsigned workersFor(std::size_t n) {
    if (n < kParallelFrom) {
        return 1;
    }
    return std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
}

// Runs work(first, last) over [0, n) in `workers` slices, on as many threads.
template <typename Work> void inSlices(std::size_t n, unsigned workers, Work work) {
    if (workers <= 1) {
        work(std::size_t{0}, n);
        return;
    }
    std::vector<std::thread> threads;
    const std::size_t slice = (n + workers - 1) / workers;
    for (unsigned w = 1; w < workers; ++w) {
        const std::size_t first = std::min(n, w * slice);
        const std::size_t last = std::min(n, first + slice);
        threads.emplace_back([=, &work] { work(first, last); });
    }
    work(std::size_t{0}, std::min(n, slice));
    for (std::thread& t : threads) {
        t.join();
    }
}

// Sorts slices on their own threads, then merges them. `less` is a strict
// total order (it breaks ties by row), so the result is the same as one sort.
template <typename Item, typename Less>
void parallelSort(std::vector<Item>& items, unsigned workers, Less less) {
    const std::size_t n = items.size();
    if (workers <= 1) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    const std::size_t slice = (n + workers - 1) / workers;
    inSlices(n, workers, [&](std::size_t first, std::size_t last) {
        std::sort(items.begin() + std::ptrdiff_t(first), items.begin() + std::ptrdiff_t(last),
                  less);
    });
    for (std::size_t width = slice; width < n; width *= 2) {
        for (std::size_t first = 0; first + width < n; first += 2 * width) {
            const auto begin = items.begin() + std::ptrdiff_t(first);
            std::inplace_merge(begin, begin + std::ptrdiff_t(width),
                               items.begin() + std::ptrdiff_t(std::min(n, first + 2 * width)),
                               less);
        }
    }
}

// The rows in the order of their items: `compare` gives the order of two
// items' texts, and equal texts keep the order of their rows, in either
// direction, as one stable sort would.
template <typename Item, typename Compare>
std::vector<std::uint32_t> rowsInOrder(std::vector<Item>& items, unsigned workers, bool descending,
                                       Compare compare) {
    const auto less = [&](const Item& a, const Item& b) {
        const int c = descending ? compare(b, a) : compare(a, b);
        return c < 0 || (c == 0 && a.row < b.row);
    };
    parallelSort(items, workers, less);
    std::vector<std::uint32_t> order(items.size());
    std::transform(items.begin(), items.end(), order.begin(),
                   [](const Item& item) { return item.row; });
    return order;
}

// Case-folded texts, all in one buffer, so that comparisons read memory that
// lies together instead of chasing one allocation per row.
struct FoldedItem {
    std::uint64_t offset;
    std::uint32_t length;
    std::uint32_t row;
};

// Writes the case-folded form of `text` to `out`, one UTF-16 unit for each
// unit of the text (every code point folds to one of the same length).
void foldInto(QStringView text, char16_t* out) {
    const qsizetype n = text.size();
    const char16_t* in = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            out[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, in[i + 1]));
            const bool sameLength = QChar::requiresSurrogates(folded);
            out[i] = sameLength ? QChar::highSurrogate(folded) : c;
            out[i + 1] = sameLength ? QChar::lowSurrogate(folded) : in[i + 1];
            ++i;
        } else {
            const char32_t folded = QChar::toCaseFolded(char32_t(c));
            out[i] = QChar::requiresSurrogates(folded) ? c : char16_t(folded);
        }
    }
}

std::vector<std::uint32_t> foldedOrder(const std::vector<Entry>& rows, int column,
                                       bool descending) {
    const std::size_t n = rows.size();
    const unsigned workers = workersFor(n);
    std::vector<FoldedItem> items(n);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto length = std::uint32_t(ColumnText(rows[i], column).size());
        items[i] = {total, length, std::uint32_t(i)};
        total += length;
    }
    std::vector<char16_t> buffer(total);
    inSlices(n, workers, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            foldInto(ColumnText(rows[i], column), buffer.data() + items[i].offset);
        }
    });
    const char16_t* base = buffer.data();
    const auto compare = [base](const FoldedItem& a, const FoldedItem& b) {
        return QStringView(base + a.offset, qsizetype(a.length))
            .compare(QStringView(base + b.offset, qsizetype(b.length)));
    };
    return rowsInOrder(items, workers, descending, compare);
}

// Sort keys that compare as plain bytes, all in one buffer per thread: the
// same order as the collator's, without an allocation per row or pointer
// chasing in every comparison. `makeWriter()` gives each slice a writer of its
// own (a collator is not to be shared between threads), with `ready()` and
// `write(text, out, room)`: it writes the text's key and a closing zero to
// `out` when they fit in `room` bytes, and returns their size, or -1 when no
// key can be made. Null when a writer fails; the caller then sorts otherwise.
struct ByteKeyItem {
    const std::uint8_t* key;
    std::uint32_t length; // without the closing zero
    std::uint32_t row;
};

template <typename MakeWriter>
std::optional<std::vector<std::uint32_t>> byteKeyOrder(const std::vector<Entry>& rows, int column,
                                                       bool descending, MakeWriter makeWriter) {
    const std::size_t n = rows.size();
    const unsigned workers = workersFor(n);
    std::vector<ByteKeyItem> items(n);
    // One buffer per slice; each holds the keys of its rows back to back.
    std::vector<std::vector<std::uint8_t>> buffers(workers);
    std::vector<char> failed(workers, 0);
    inSlices(n, workers, [&](std::size_t first, std::size_t last) {
        const std::size_t width = (n + workers - 1) / workers;
        const std::size_t slice = width == 0 ? 0 : first / width;
        const auto writer = makeWriter();
        if (!writer.ready()) {
            failed[slice] = 1;
            return;
        }
        std::vector<std::uint8_t>& buffer = buffers[slice];
        std::vector<std::size_t> offsets(last - first);
        std::size_t used = 0;
        for (std::size_t i = first; i < last; ++i) {
            const QString& text = ColumnText(rows[i], column);
            if (buffer.size() < used + 64) {
                buffer.resize(std::max<std::size_t>(buffer.size() * 2, used + 4096));
            }
            auto room = std::int32_t(std::min<std::size_t>(buffer.size() - used, INT32_MAX));
            std::int32_t needed = writer.write(text, buffer.data() + used, room);
            if (needed > room) {
                buffer.resize(std::max(buffer.size() * 2, used + std::size_t(needed)));
                room = std::int32_t(std::min<std::size_t>(buffer.size() - used, INT32_MAX));
                needed = writer.write(text, buffer.data() + used, room);
            }
            if (needed < 0 || needed > room) {
                failed[slice] = 1;
                return;
            }
            offsets[i - first] = used;
            items[i].length = std::uint32_t(std::max(needed, 1) - 1);
            items[i].row = std::uint32_t(i);
            used += std::size_t(std::max(needed, 1));
        }
        // The buffer no longer grows: the keys' addresses are final.
        for (std::size_t i = first; i < last; ++i) {
            items[i].key = buffer.data() + offsets[i - first];
        }
    });
    if (std::find(failed.begin(), failed.end(), 1) != failed.end()) {
        return std::nullopt;
    }
    const auto compare = [](const ByteKeyItem& a, const ByteKeyItem& b) {
        const int c = std::memcmp(a.key, b.key, std::min(a.length, b.length));
        return c != 0 ? c : (a.length < b.length ? -1 : a.length > b.length ? 1 : 0);
    };
    return rowsInOrder(items, workers, descending, compare);
}

#if KESTRUNE_HAVE_ICU
// ICU's own sort keys. The collator is set up as QCollator sets up its ICU
// collator, so that both give the same order.
class IcuKeyWriter {
public:
    explicit IcuKeyWriter(const QCollator& collator) {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray name = collator.locale().bcp47Name().replace(u'-', u'_').toLatin1();
        icu_ = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            icu_ = nullptr;
            return;
        }
        const auto set = [this](UColAttribute attribute, UColAttributeValue value) {
            UErrorCode ignored = U_ZERO_ERROR;
            ucol_setAttribute(icu_, attribute, value, &ignored);
        };
        set(UCOL_NORMALIZATION_MODE, UCOL_ON);
        set(UCOL_STRENGTH, collator.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH
                                                                           : UCOL_SECONDARY);
        set(UCOL_NUMERIC_COLLATION, collator.numericMode() ? UCOL_ON : UCOL_OFF);
        set(UCOL_ALTERNATE_HANDLING,
            collator.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE);
    }
    ~IcuKeyWriter() {
        if (icu_ != nullptr) {
            ucol_close(icu_);
        }
    }
    IcuKeyWriter(const IcuKeyWriter&) = delete;
    IcuKeyWriter& operator=(const IcuKeyWriter&) = delete;

    bool ready() const { return icu_ != nullptr; }
    std::int32_t write(const QString& text, std::uint8_t* out, std::int32_t room) const {
        return ucol_getSortKey(icu_, reinterpret_cast<const UChar*>(text.utf16()),
                               std::int32_t(text.size()), out, room);
    }

private:
    UCollator* icu_ = nullptr;
};
#endif

#ifdef Q_OS_WIN
// The sort keys of Windows itself, made with the flags QCollator gives Windows,
// so that the order is that of QCollator::compare. QCollatorSortKey cannot be
// used here: Qt 6.4 takes the key's size in bytes for a count of UTF-16 units
// and compares a key twice as long, whose second half was never written.
class WindowsKeyWriter {
public:
    explicit WindowsKeyWriter(const QCollator& collator)
        : locale_(collator.locale().bcp47Name().toStdWString()) {
        if (!IsValidLocaleName(locale_.c_str())) {
            locale_.clear(); // the user's own
        }
        if (collator.caseSensitivity() == Qt::CaseInsensitive) {
            flags_ |= NORM_IGNORECASE;
        }
        if (collator.numericMode()) {
            flags_ |= SORT_DIGITSASNUMBERS;
        }
        if (collator.ignorePunctuation()) {
            flags_ |= NORM_IGNORESYMBOLS;
        }
    }

    bool ready() const { return true; }
    std::int32_t write(const QString& text, std::uint8_t* out, std::int32_t room) const {
        // An empty text comes before every other, as QCollator::compare has it.
        if (text.isEmpty()) {
            if (room > 0) {
                out[0] = 0;
            }
            return 1;
        }
        const wchar_t* name = locale_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_.c_str();
        const auto* chars = reinterpret_cast<const wchar_t*>(text.utf16());
        const int length = int(std::min<qsizetype>(text.size(), INT32_MAX));
        // For a sort key the size of the output is counted in bytes.
        int size = LCMapStringEx(name, flags_, chars, length, reinterpret_cast<wchar_t*>(out), room,
                                 nullptr, nullptr, 0);
        if (size > 0) {
            return size;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return -1;
        }
        size = LCMapStringEx(name, flags_, chars, length, nullptr, 0, nullptr, nullptr, 0);
        return size > 0 ? size : -1;
    }

private:
    std::wstring locale_;
    DWORD flags_ = LCMAP_SORTKEY;
};
#endif

struct KeyItem {
    const QCollatorSortKey* key;
    std::uint32_t row;
};

std::vector<std::uint32_t> collatedOrder(const std::vector<Entry>& rows, int column,
                                         bool descending, const QCollator& collator) {
    const std::size_t n = rows.size();
    const unsigned workers = workersFor(n);
    // One key per row, computed once. A collator is not to be shared between
    // threads, so each slice makes its own.
    std::vector<std::optional<QCollatorSortKey>> keys(n);
    inSlices(n, workers, [&](std::size_t first, std::size_t last) {
        QCollator own(collator.locale());
        own.setCaseSensitivity(collator.caseSensitivity());
        own.setNumericMode(collator.numericMode());
        own.setIgnorePunctuation(collator.ignorePunctuation());
        for (std::size_t i = first; i < last; ++i) {
            keys[i].emplace(own.sortKey(ColumnText(rows[i], column)));
        }
    });
    std::vector<KeyItem> items(n);
    for (std::size_t i = 0; i < n; ++i) {
        items[i] = {&*keys[i], std::uint32_t(i)};
    }
    return rowsInOrder(items, workers, descending,
                       [](const KeyItem& a, const KeyItem& b) { return a.key->compare(*b.key); });
}

} // namespace

const QString& ColumnText(const Entry& entry, int column) {
    switch (column) {
    case 1:
        return entry.password;
    case 2:
        return entry.location;
    default:
        return entry.username;
    }
}

int CompareTexts(const QString& a, const QString& b, const TextOrdering& ordering) {
    if (ordering.foldCase) {
        std::vector<char16_t> foldedA(std::size_t(a.size()));
        std::vector<char16_t> foldedB(std::size_t(b.size()));
        foldInto(a, foldedA.data());
        foldInto(b, foldedB.data());
        return QStringView(foldedA.data(), a.size()).compare(QStringView(foldedB.data(), b.size()));
    }
    return ordering.collator.compare(a, b);
}

std::vector<std::uint32_t> SortedRowOrder(const std::vector<Entry>& rows, int column,
                                          bool descending, const TextOrdering& ordering) {
    if (ordering.foldCase) {
        return foldedOrder(rows, column, descending);
    }
#if KESTRUNE_HAVE_ICU
    if (auto order = byteKeyOrder(rows, column, descending,
                                  [&] { return IcuKeyWriter(ordering.collator); })) {
        return std::move(*order);
    }
#endif
#ifdef Q_OS_WIN
    if (auto order = byteKeyOrder(rows, column, descending,
                                  [&] { return WindowsKeyWriter(ordering.collator); })) {
        return std::move(*order);
    }
#endif
    return collatedOrder(rows, column, descending, ordering.collator);
}

} // namespace kestrune::store
