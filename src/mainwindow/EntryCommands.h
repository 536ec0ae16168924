#pragma once

#include "mainwindow/EntryFind.h"
#include "store/Entry.h"
#include "store/StoreOutcome.h"

#include <QtGlobal>

namespace kestrune::ui {

class Form1;
class frmAdd;

// How long a copied password stays on the clipboard.
inline constexpr int kPasswordOnClipboardMs = 30'000;

// The commands of the main window. A button, its menu item and its keyboard
// shortcut all call the one function here. Each command acts on the first
// selected row as shown and reports its result in the status line.
class EntryCommands {
public:
    explicit EntryCommands(Form1& main) : main_(main) {}

    // Opens the entry dialog for a new entry. An entry dialog that is open
    // already comes to the front as it is.
    void Add();
    // Opens the entry dialog on the selected row, as Add does.
    void Edit();
    // The entry dialog's Save: refuses texts the file cannot hold, with a
    // message over the dialog; otherwise appends the entry (or changes the
    // row opened for editing), saves, selects the row, says so on the status
    // line and closes the dialog. A save that fails or is refused takes the
    // change back and leaves the dialog open.
    void SaveEntry(frmAdd& dialog, const store::Entry& entry);
    // Deletes the selected row after the user confirms, and saves.
    void Delete();
    // Copies a field of the selected row: 0 username, 1 password, 2 location.
    void Copy(int index);
    // Opens the selected row's location in the browser or the file manager;
    // a location that is neither a web address nor a local folder only once
    // the user has confirmed it.
    void GoTo();
    // Opens the owner's web site.
    void Website();
    // Opens the Find window on the find request, or brings it to the front,
    // ready for typing.
    void Find();
    // Selects the next row after the selected one whose username or location
    // holds the find request's text, and scrolls it into view; says so on the
    // status line when none does. With nothing to look for yet it opens the
    // Find window.
    void FindNext();
    // Opens the password report, or brings it to the front: the entries
    // whose password is weak, reused or short.
    void PasswordReport();

    // What Find Next looks for: what the Find window says, kept when the
    // window closes, so that F3 goes on with it.
    FindRequest& findRequest() { return findRequest_; }

private:
    // The first selected row, or 0 when there is none.
    qsizetype selectedRow() const;
    // A new entry dialog, loaded and wired to SaveEntry, not shown yet; or
    // nullptr when one is open already, which then comes to the front as it is.
    frmAdd* newEntryDialog();
    // Each returns the identity of the row that holds the entry, or 0 when
    // the change was not saved.
    quint64 addEntry(const store::Entry& entry);
    quint64 changeEntry(frmAdd& dialog, const store::Entry& entry);
    void refuseEntry(frmAdd& dialog, const QString& why);
    // Asks whether Go To may open `target`: true when the user agrees.
    bool confirmGoto(const QString& target);
    // The identity of the row `id` or, when the save merged it onto another
    // program's change, of the first row equal to `entry`; 0 when not saved.
    quint64 savedRow(const store::StoreOutcome& saved, quint64 id, const store::Entry& entry) const;

    Form1& main_;
    FindRequest findRequest_;
};

} // namespace kestrune::ui
