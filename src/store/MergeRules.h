#pragma once

#include "store/Entry.h"

#include <vector>

// How one change of the list is applied to the entries of a data file that
// another program changed meanwhile: the change is made again on the new
// content, so that neither side's work is lost.
namespace kestrune::store {

// One change of the list, as it was saved.
struct EntryChange {
    enum class Kind {
        None,   // no entry changed (the file encrypted, or its encryption removed)
        Add,    // `after` added
        Edit,   // `before` changed into `after`
        Delete, // `before` deleted
        Append, // `added` appended at once (an import)
    };
    Kind kind = Kind::None;
    Entry before;
    Entry after;
    std::vector<Entry> added;

    static EntryChange add(Entry entry) { return {Kind::Add, {}, std::move(entry), {}}; }
    static EntryChange edit(Entry before, Entry after) {
        return {Kind::Edit, std::move(before), std::move(after), {}};
    }
    static EntryChange remove(Entry before) { return {Kind::Delete, std::move(before), {}, {}}; }
    static EntryChange append(std::vector<Entry> added) {
        return {Kind::Append, {}, {}, std::move(added)};
    }
};

// The new content with the change made on it.
struct AppliedChange {
    std::vector<Entry> entries;
    // Entries of an append that the content held already, and so were not
    // added again.
    qsizetype alreadyThere = 0;
};

// Applies `change` to `content`:
// - an added entry is appended;
// - an edited entry replaces the first entry equal to its old texts, or is
//   appended when no such entry is left (both versions are kept);
// - a deleted entry is removed when it is still there (the first equal one);
// - appended entries are appended, except those equal to an entry of the
//   content or to one appended before them;
// - no entry change leaves the content as it is.
AppliedChange applyChange(std::vector<Entry> content, const EntryChange& change);

} // namespace kestrune::store
