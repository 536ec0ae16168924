#pragma once

#include <QtGlobal>

namespace kestrune::ui {

class Form1;

// How long a copied password stays on the clipboard.
inline constexpr int kPasswordOnClipboardMs = 30'000;

// The commands of the main window. A button, its menu item and its keyboard
// shortcut all call the one function here. Each command acts on the first
// selected row as shown and reports its result in the status line.
class EntryCommands {
public:
    explicit EntryCommands(Form1& main) : main_(main) {}

    // Opens the entry dialog for a new entry.
    void Add();
    // Opens the entry dialog on the selected row.
    void Edit();
    // Deletes the selected row after the user confirms, and saves.
    void Delete();
    // Copies a field of the selected row: 0 username, 1 password, 2 location.
    void Copy(int index);
    // Opens the selected row's location in the browser or the file manager.
    void GoTo();
    // Opens the owner's web site.
    void Website();
    // Opens the Find window, or brings it to the front, ready for typing.
    void Find();
    // Selects the next row after the selected one whose username or location
    // holds the find request's text, and scrolls it into view; says so on the
    // status line when none does. With nothing to look for yet it opens the
    // Find window.
    void FindNext();

private:
    // The first selected row, or 0 when there is none.
    qsizetype selectedRow() const;

    Form1& main_;
};

} // namespace kestrune::ui
