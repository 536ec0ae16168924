#pragma once

#include "store/Entry.h"

#include <vector>

// The merge of two versions of one vault that know nothing of each other's
// history (a data file and its conflict copy, or any other data file): every
// entry of the other is kept, and only the entries the list lacks are added.
// It cannot tell an entry deleted on one side from one added on the other, so
// a deleted entry comes back; nor an edit from a new entry, so an entry
// edited on both sides is kept in both versions.
namespace kestrune::store {

struct TwoWayMerge {
    std::vector<Entry> additions; // the other's entries the list lacks, in the other's order
    qsizetype alreadyThere = 0;   // the other's entries the list holds already
};

// Entries are equal when all three texts are. An entry the other holds twice
// and the list once is added once: after the merge the list holds every entry
// at least as often as the other does.
TwoWayMerge mergeTwoWay(const EntryRows& list, std::vector<Entry>&& other);

} // namespace kestrune::store
