#include "ui/main/EntryFind.h"

#include "ui/main/EntryListModel.h"

#include <array>

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

template <typename Fold>
qsizetype scan(const EntryListModel& rows, qsizetype after, const QString& text) {
    std::u16string needle(std::size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        needle[std::size_t(i)] = Fold::of(text[i].unicode());
    }
    const auto matches = [&](qsizetype index) {
        const store::Entry& entry = rows.entryAt(index);
        return holds<Fold>(entry.username, needle) || holds<Fold>(entry.location, needle);
    };
    // 0-based: the rows after `after` first, then from the top to `after` itself.
    const qsizetype count = rows.count();
    for (qsizetype index = after; index < count; ++index) {
        if (matches(index)) {
            return index + 1;
        }
    }
    for (qsizetype index = 0; index < after; ++index) {
        if (matches(index)) {
            return index + 1;
        }
    }
    return 0;
}

} // namespace

FindRequest& findRequest() {
    static FindRequest request;
    return request;
}

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
