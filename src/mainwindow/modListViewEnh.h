#pragma once

namespace kestrune::ui {

class EntryList;

// Sorts a list by one of its columns. `columnHeader` is the header's 1-based
// index. The list's sorting is switched on, the key becomes that column and
// the direction flips: one direction is shared by all columns, so each click
// reverses the direction in effect before it. An empty list is left as it is
// and its direction is not flipped.
//
// Returns false when a failure stopped it (the list then stays as it was);
// with `reportErrors` the failure is also shown in a message box.
bool EnhListView_SortColumns(EntryList& list, int columnHeader, bool reportErrors);

} // namespace kestrune::ui
