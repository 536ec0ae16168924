#pragma once

#include "mainwindow/DataFileCommands.h"
#include "mainwindow/EntryCommands.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/ExchangeCommands.h"
#include "mainwindow/Locking.h"
#include "mainwindow/LoginSteps.h"
#include "mainwindow/MergeCommands.h"
#include "mainwindow/Reloading.h"
#include "store/CredentialStore.h"

#include <QMainWindow>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;

namespace kestrune::ui {

// The main window: two rows of picture buttons, the entry list, the menus and
// the status line. Its load sets it up and starts the login; it becomes
// visible only once the master password has been accepted or created.
class Form1 final : public QMainWindow, public store::StoreHost {
    Q_OBJECT
public:
    Form1();

    void Load();

    // Replaces the text of the status line; it stays until the next message.
    void StatusMessage(const QString& text);
    QString statusText() const;

    // Shows the window once the store is ready, opens the help window when the
    // user wants it at start-up, and closes the password dialog.
    void afterFormLoad();

    // store::StoreHost
    store::EntryRows& entryRows() override { return lstPass->rows(); }
    void replaceEntries(std::vector<store::Entry>&& entries) override {
        lstPass->replaceEntries(std::move(entries));
    }

    // The owner of a message box about the data file: the password dialog
    // while it shows, else this window while it shows, else none.
    QWidget* messageOwner();

    // Design controls.
    std::array<QToolButton*, 1> cmdAdd{};
    QToolButton* cmdEdit = nullptr;
    QToolButton* cmdDelete = nullptr;
    std::array<QToolButton*, 1> cmdWebsite{};
    EntryList* lstPass = nullptr;
    std::array<QToolButton*, 3> cmdCopy{};
    QToolButton* cmdGoto = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel = nullptr; // panel 1 of StatusBar1

    QMenu* mnuFile = nullptr;
    QAction* mnuFileImport = nullptr;      // "Import..."
    QAction* mnuFileExport = nullptr;      // "Export..."
    QAction* mnuFileMerge = nullptr;       // "Merge From..."
    std::array<QAction*, 1> mnuFileItem{}; // Exit
    QAction* mnuEncrypt = nullptr;
    QAction* mnuRemoveEncryption = nullptr;
    QMenu* mnuData = nullptr;
    std::array<QAction*, 4> mnuDataItem{};
    QAction* mnuDataFind = nullptr;     // "Find...", after a separator
    QAction* mnuDataFindNext = nullptr; // "Find Next"
    QAction* mnuDataReport = nullptr;   // "Password Report..."
    QMenu* mnuCopy = nullptr;
    std::array<QAction*, 3> mnuCopyItem{};
    QMenu* mnuHelp = nullptr;
    std::array<QAction*, 1> mnuHelpItem{};
    QMenu* mnuAbout = nullptr;
    std::array<QAction*, 1> mnuAboutItem{};

    // The commands behind the buttons, menu items and shortcuts.
    EntryCommands& commands() { return commands_; }
    DataFileCommands& dataFileCommands() { return dataFileCommands_; }
    // The login: the password dialog, the entries loaded, this window shown.
    LoginSteps& loginSteps() { return loginSteps_; }

    // File, Lock and Lock When Idle; the lock by idle time and by the session.
    Locking& locking() { return locking_; }
    // Closes the windows this window opened beside itself (Find, the entry
    // dialog, the import dialogs, help and about): before the program ends
    // or locks.
    void unloadOwnWindows();

    // Of Encrypt Data File and Remove Encryption, only the one that applies
    // to the data file as it is now is enabled; Import and Export are disabled
    // while the entry dialog is open.
    void updateFileMenu();
    // File, Import... and File, Export...
    ExchangeCommands& exchange() { return exchange_; }
    // File, Merge From..., and the conflict copies sync engines leave.
    MergeCommands& merges() { return merges_; }
    // Reads the data file again when another program changes it.
    Reloading& reloading() { return reloading_; }

    // A click on a column header: sorts by that column (1-based).
    void lstPass_ColumnClick(int columnHeader);

    // Help, View Help: the help window, whatever the start-up setting says.
    void ViewHelp();
    // About, About this software.
    void ShowAbout();

    // Lays the list out for the window's current outer size. Run on every
    // resize, and again whenever the frame may have changed the outer size
    // without one (the window manager's frame comes after the first show).
    void layOutList();

    // While the master password dialog waits for its password the main window
    // stays hidden: a request to show it then is not carried out, so that it
    // does not flash up behind the dialog.
    void setVisible(bool visible) override;

signals:
    // The window is closing: its own dialogs are unloaded, and the program
    // ends next. The start-up's windows unload themselves on it.
    void closing();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QToolButton* makeButton(const char* name, const QString& caption, const char* picture, int left,
                            int top, int width, int height);
    void buildMenus();
    void connectCommands();
    void showHelpAtStartup();

    EntryCommands commands_{*this};
    DataFileCommands dataFileCommands_{*this};
    LoginSteps loginSteps_{*this};
    ExchangeCommands exchange_{*this};
    MergeCommands merges_{*this};
    Locking locking_{*this};
    Reloading reloading_{*this};
};

} // namespace kestrune::ui
