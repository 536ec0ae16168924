#pragma once

#include <QString>

namespace kestrune::ui {

// What the Add and Edit commands hand to the entry dialog: the mode, and for
// an edit the texts and 1-based position of the row as shown at that moment.
// The dialog reads them once, when it loads.
struct EntryHandOver {
    QString EntryMode; // "Add" or "Edit"
    QString EditUsername;
    QString EditPassword;
    QString EditLocation;
    qsizetype EditRow = 0;
};

EntryHandOver& entryHandOver();

} // namespace kestrune::ui
