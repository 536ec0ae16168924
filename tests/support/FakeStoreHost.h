#pragma once

#include "store/CredentialStore.h"

#include <vector>

namespace kestrune::test {

// A plain list of entries standing in for the main list.
class VectorRows final : public store::EntryRows {
public:
    std::vector<store::Entry> rows;
    qsizetype entryCount() const override { return qsizetype(rows.size()); }
    const store::Entry& entryAt(qsizetype index) const override { return rows[std::size_t(index)]; }
    void appendEntries(std::vector<store::Entry>&& entries) override {
        rows.insert(rows.end(), std::make_move_iterator(entries.begin()),
                    std::make_move_iterator(entries.end()));
    }
};

// The main window as the store sees it: the list of entries.
class FakeStoreHost final : public store::StoreHost {
public:
    VectorRows list;

    store::EntryRows& entryRows() override { return list; }
    void replaceEntries(std::vector<store::Entry>&& entries) override {
        list.rows = std::move(entries);
    }
};

} // namespace kestrune::test
