#pragma once

#include "store/Entry.h"

#include <QCollator>

#include <cstdint>
#include <vector>

namespace kestrune::store {

// How the list orders its rows by one column's text: letter case ignored, by
// the collator's locale, or, in the "C" locale (where a collator compares code
// points and would put "B" before "a"), by the case-folded text.
struct TextOrdering {
    QCollator collator;    // case-insensitive
    bool foldCase = false; // compare case-folded code points instead
};

// The rows' places after a sort by `column` (0 username, 1 password,
// 2 location): element i is the index in `rows` of the row that comes i-th.
// Rows with equal texts keep their order, in either direction. Large lists
// are sorted on all cores; every key is computed once.
std::vector<std::uint32_t> SortedRowOrder(const std::vector<store::Entry>& rows, int column,
                                          bool descending, const TextOrdering& ordering);

// The text of a row in a column: 0 the username, 1 the password, 2 the location.
const QString& ColumnText(const store::Entry& entry, int column);

// Orders two texts as SortedRowOrder does (before the direction is applied).
int CompareTexts(const QString& a, const QString& b, const TextOrdering& ordering);

} // namespace kestrune::store
