#pragma once

#include <QString>

#include <vector>

namespace kestrune::store {

// One credential. In the main list it is one row: the row's text is the
// username, sub-item 1 the password, sub-item 2 the location.
struct Entry {
    QString username;
    QString password;
    QString location;

    bool operator==(const Entry&) const = default;
};

// What the store needs of the list that holds the entries: it reads the rows
// in the order shown when it saves, and appends rows when it loads.
class EntryRows {
public:
    virtual ~EntryRows() = default;
    virtual qsizetype entryCount() const = 0;
    // 0-based, in the order shown.
    virtual const Entry& entryAt(qsizetype index) const = 0;
    // Appends after the rows already there, keeping the given order.
    virtual void appendEntries(std::vector<Entry>&& entries) = 0;
};

} // namespace kestrune::store
