#pragma once

#include "store/Entry.h"
#include "store/MergeRules.h"
#include "store/StoreOutcome.h"

#include <functional>
#include <vector>

namespace kestrune::ui {

class EntryListModel;

// The one way to change the entries. `change` alters the rows of the main
// list; then the store writes them to data.enc at once (SaveData); when that
// write fails or is refused, `undo` puts the rows back as they were, so that
// the list never shows what the file does not hold. The outcome is done when
// the change is on disk, and the status line says when it was saved. When it
// is not done the user has already been told why, and the caller leaves its
// window as it was (a dialog keeps what was typed).
//
// `saved` says what `change` does, for a file that another program changed
// meanwhile: the store then makes the same change on the file's new content
// and the list shows the result (the outcome is `merged`; rows then have new
// identities).
//
// Every command that changes rows goes through here: add, edit and delete one
// row, or append many at once (an import), each as one change with one undo.
// `undo` runs on the rows as `change` left them. While sorting is on, rows
// move when they are added or changed, so an undo finds its rows by their
// identity (EntryListModel::idAt and positionOf), never by a position taken
// before the change.
store::StoreOutcome changeAndSave(const store::EntryChange& saved,
                                  const std::function<void()>& change,
                                  const std::function<void()>& undo);

// Many rows appended at the end of the list as one change (an import, a
// merge): all of them are saved, or, when the save fails or is refused, all
// of them are taken out again.
store::StoreOutcome appendAndSave(EntryListModel& rows, std::vector<store::Entry>&& entries);

} // namespace kestrune::ui
