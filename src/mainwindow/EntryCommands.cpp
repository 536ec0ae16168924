#include "mainwindow/EntryCommands.h"

#include "dialogs/frmWebsite.h"
#include "mainwindow/EntryFind.h"
#include "mainwindow/EntryHandOver.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmFind.h"
#include "platform/Platform.h"
#include "platform/SecretClipboard.h"
#include "store/LocationRules.h"
#include "widgets/Forms.h"

#include <QLineEdit>

namespace kestrune::ui {

qsizetype EntryCommands::selectedRow() const {
    return main_.lstPass->firstSelected();
}

void EntryCommands::Add() {
    entryHandOver().EntryMode = QStringLiteral("Add");
    forms().show<frmAdd>();
}

void EntryCommands::Edit() {
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select an entry to edit."));
        return;
    }
    const EntryListModel& rows = main_.lstPass->rows();
    EntryHandOver& handOver = entryHandOver();
    handOver.EditUsername = rows.text(row);
    handOver.EditPassword = rows.subItem(row, 1);
    handOver.EditLocation = rows.subItem(row, 2);
    handOver.EditRow = row;
    handOver.EntryMode = QStringLiteral("Edit");
    forms().show<frmAdd>();
}

void EntryCommands::Delete() {
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select an entry to delete."));
        return;
    }
    EntryListModel& rows = main_.lstPass->rows();
    const store::Entry entry = rows.row(row);
    const QString text = QStringLiteral("Are you sure you want to delete the following "
                                        "information?\r\n\r\nUsername: ") +
                         entry.username + QStringLiteral("\r\nPassword: ") + entry.password +
                         QStringLiteral("\r\nUsed At: ") + entry.location;
    const platform::Answer answer = platform::services().messages->show(
        &main_, text, QStringLiteral("Confirm Delete"), platform::Buttons::OkCancel);
    if (answer != platform::Answer::Ok) {
        main_.StatusMessage(QStringLiteral("Entry not deleted, cancelled by user"));
        return;
    }
    const quint64 id = rows.idAt(row);
    // When the file still holds the entry, the list gets it back, in its place.
    const auto putBack = [&] {
        rows.insert(row, entry, id);
        main_.lstPass->selectRow(row);
    };
    if (!changeAndSave([&] { rows.remove(row); }, putBack)) {
        return;
    }
    main_.StatusMessage(QStringLiteral("Entry deleted successfully, data saved."));
}

void EntryCommands::Copy(int index) {
    platform::Clipboard& clipboard = *platform::services().clipboard;
    clipboard.clear();
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select a row to copy from."));
        return;
    }
    const EntryListModel& rows = main_.lstPass->rows();
    switch (index) {
    case 0:
        clipboard.setText(rows.text(row), false);
        main_.StatusMessage(QStringLiteral("Copied Username ") + rows.text(row));
        break;
    case 1:
        // A copied password does not stay: it is emptied from the clipboard
        // 30 seconds later, or when the program ends, unless something else
        // has been copied over it by then.
        platform::secretClipboard().put(rows.subItem(row, 1), kPasswordOnClipboardMs);
        main_.StatusMessage(QStringLiteral("Copied Password ") + rows.subItem(row, 1));
        break;
    case 2:
        clipboard.setText(rows.subItem(row, 2), false);
        main_.StatusMessage(QStringLiteral("Copied Location ") + rows.subItem(row, 2));
        break;
    default:
        break;
    }
}

void EntryCommands::GoTo() {
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select an entry to go to."));
        return;
    }
    main_.StatusMessage(QStringLiteral("Opening Location..."));
    const QString location = main_.lstPass->rows().subItem(row, 2);
    // The location goes to the file explorer as its one argument, the window
    // shown minimized; no shell ever reads it, so nothing in it can run as a
    // command.
    if (!platform::services().opener->explore(store::GotoTarget(location))) {
        main_.StatusMessage(QStringLiteral("Could not open ") + location);
    }
}

void EntryCommands::Website() {
    OpenOwnerWebsite();
}

void EntryCommands::Find() {
    frmFind* window = forms().show<frmFind>();
    window->txtFind->setFocus(Qt::OtherFocusReason);
    window->txtFind->selectAll();
}

void EntryCommands::FindNext() {
    const FindRequest& request = findRequest();
    if (request.text.isEmpty()) {
        Find();
        return;
    }
    const qsizetype found = FindNextRow(main_.lstPass->rows(), selectedRow(), request);
    if (found == 0) {
        main_.StatusMessage(QStringLiteral("Cannot find \"%1\".").arg(request.text));
        return;
    }
    // No status text: the line keeps its last message.
    main_.lstPass->selectRow(found);
}

} // namespace kestrune::ui
