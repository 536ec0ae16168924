#include "mainwindow/EntryCommands.h"

#include "dialogs/frmWebsite.h"
#include "exchange/EntryRules.h"
#include "mainwindow/EntryFind.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmFind.h"
#include "mainwindow/frmReport.h"
#include "platform/Platform.h"
#include "platform/SecretClipboard.h"
#include "store/LocationRules.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QLineEdit>

namespace kestrune::ui {

qsizetype EntryCommands::selectedRow() const {
    return main_.lstPass->firstSelected();
}

frmAdd* EntryCommands::newEntryDialog() {
    if (frmAdd* open = forms().find<frmAdd>()) {
        Forms::showWindow(open);
        return nullptr;
    }
    frmAdd* dialog = forms().load<frmAdd>();
    QObject::connect(dialog, &frmAdd::saveRequested, &main_,
                     [this, dialog](const store::Entry& typed) { SaveEntry(*dialog, typed); });
    return dialog;
}

void EntryCommands::Add() {
    if (frmAdd* dialog = newEntryDialog()) {
        Forms::showWindow(dialog);
    }
}

void EntryCommands::Edit() {
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select an entry to edit."));
        return;
    }
    if (frmAdd* dialog = newEntryDialog()) {
        const EntryListModel& rows = main_.lstPass->rows();
        dialog->edit(rows.row(row), rows.idAt(row));
        Forms::showWindow(dialog);
    }
}

void EntryCommands::SaveEntry(frmAdd& dialog, const store::Entry& entry) {
    if (const exchange::EntryTextsCheck check =
            exchange::checkEntryTexts(entry, ProgramIdentity().ProductName);
        !check.accepted()) {
        refuseEntry(dialog, check.message);
        return;
    }
    const quint64 saved = dialog.addMode() ? addEntry(entry) : changeEntry(dialog, entry);
    if (saved == 0) {
        return;
    }
    const qsizetype shownAt = main_.lstPass->rows().positionOf(saved);
    main_.StatusMessage(QStringLiteral("Added new entry.  Data saved."));
    main_.lstPass->selectRow(shownAt);
    forms().unload<frmAdd>();
}

quint64 EntryCommands::addEntry(const store::Entry& entry) {
    EntryListModel& rows = main_.lstPass->rows();
    quint64 added = 0;
    // Not on disk, so not in the list either; the dialog keeps the texts.
    const auto add = [&] { added = rows.idAt(rows.append(entry)); };
    const auto takeBack = [&] { rows.remove(rows.positionOf(added)); };
    // Saved first: `added` is known only once the change has run.
    const store::StoreOutcome saved = changeAndSave(store::EntryChange::add(entry), add, takeBack);
    return savedRow(saved, added, entry);
}

quint64 EntryCommands::changeEntry(frmAdd& dialog, const store::Entry& entry) {
    EntryListModel& rows = main_.lstPass->rows();
    const quint64 id = dialog.editedRow();
    const qsizetype position = rows.positionOf(id);
    if (position == 0) {
        refuseEntry(dialog,
                    QStringLiteral("The entry you opened for editing is no longer in the list, "
                                   "so your changes cannot be saved to it."));
        return 0;
    }
    const store::Entry before = rows.row(position);
    const bool wasSelected = main_.lstPass->isSelected(position);
    // The old texts go back to the old place. While sorting is on the changed
    // row may have moved, and sorting the old texts in again could put the
    // row behind another with an equal key.
    const auto putBack = [&] {
        rows.remove(rows.positionOf(id));
        rows.insert(position, before, id);
        if (wasSelected) {
            main_.lstPass->selectRow(position);
        }
    };
    const store::StoreOutcome saved = changeAndSave(
        store::EntryChange::edit(before, entry), [&] { rows.setRow(position, entry); }, putBack);
    return savedRow(saved, id, entry);
}

quint64 EntryCommands::savedRow(const store::StoreOutcome& saved, quint64 id,
                                const store::Entry& entry) const {
    if (!saved) {
        return 0;
    }
    if (!saved.merged) {
        return id;
    }
    // Merged onto another program's change: the rows are new, and the entry
    // is the first one equal to it.
    const EntryListModel& rows = main_.lstPass->rows();
    for (qsizetype position = 1; position <= rows.count(); ++position) {
        if (rows.row(position) == entry) {
            return rows.idAt(position);
        }
    }
    return id; // saved all the same; no row of it to select
}

void EntryCommands::refuseEntry(frmAdd& dialog, const QString& why) {
    platform::services().messages->show(&dialog, why, QStringLiteral("Error"),
                                        platform::Buttons::Ok);
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
    if (!changeAndSave(
            store::EntryChange::remove(entry), [&] { rows.remove(row); }, putBack)) {
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

bool EntryCommands::confirmGoto(const QString& target) {
    // The exact target on a line of its own: a program, a network share or
    // another scheme is opened only when the user has seen it.
    return platform::services().messages->show(
               &main_, QStringLiteral("Open this location?\n\n") + target,
               ProgramIdentity().ProductName, platform::Buttons::OkCancel,
               platform::Icon::Warning) == platform::Answer::Ok;
}

void EntryCommands::GoTo() {
    const qsizetype row = selectedRow();
    if (row == 0) {
        main_.StatusMessage(QStringLiteral("You must first select an entry to go to."));
        return;
    }
    const QString location = main_.lstPass->rows().subItem(row, 2);
    const store::GotoDecision decision = store::decideGoto(location);
    if (decision.askFirst && !confirmGoto(decision.target)) {
        return;
    }
    main_.StatusMessage(QStringLiteral("Opening Location..."));
    // The location goes to the file explorer as its one argument, the window
    // shown minimized; no shell ever reads it, so nothing in it can run as a
    // command.
    if (!platform::services().opener->explore(decision.target)) {
        main_.StatusMessage(QStringLiteral("Could not open ") + location);
    }
}

void EntryCommands::Website() {
    OpenOwnerWebsite();
}

void EntryCommands::Find() {
    frmFind* window = forms().find<frmFind>();
    if (window == nullptr) {
        window = forms().load<frmFind>();
        window->setRequest(findRequest_);
        QObject::connect(window, &frmFind::requestChanged, &main_,
                         [this](const FindRequest& request) { findRequest_ = request; });
        QObject::connect(window, &frmFind::findNextRequested, &main_, [this] { FindNext(); });
    }
    Forms::showWindow(window);
    window->txtFind->setFocus(Qt::OtherFocusReason);
    window->txtFind->selectAll();
}

void EntryCommands::FindNext() {
    if (findRequest_.text.isEmpty()) {
        Find();
        return;
    }
    const qsizetype found = FindNextRow(main_.lstPass->rows(), selectedRow(), findRequest_);
    if (found == 0) {
        main_.StatusMessage(QStringLiteral("Cannot find \"%1\".").arg(findRequest_.text));
        return;
    }
    // No status text: the line keeps its last message.
    main_.lstPass->selectRow(found);
}

void EntryCommands::PasswordReport() {
    frmReport* window = forms().load<frmReport>();
    Forms::showWindow(window);
    window->lstReport->setFocus(Qt::OtherFocusReason);
}

} // namespace kestrune::ui
