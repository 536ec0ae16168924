#pragma once

#include "skin/SkinLabel.h"
#include "store/Entry.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kestrune::ui {

class EntryListModel;

// The entry dialog: the user types a new entry or changes the one opened for
// editing. Save writes the row into the main list and saves the store at
// once; Cancel changes nothing. The dialog is modeless, so the main window
// stays usable while it is open.
class frmAdd final : public QWidget {
    Q_OBJECT
public:
    frmAdd();

    // Takes the mode and, for an edit, the entry to change from the hand-over.
    // What it takes stays fixed until the dialog closes, whatever the main
    // window does meanwhile.
    void Load();

    bool addMode() const { return addMode_; }

    QToolButton* cmdDelete = nullptr;   // "Cancel"
    QToolButton* cmdAdd = nullptr;      // "Save"
    QToolButton* cmdGenerate = nullptr; // "Generate"
    skin::SkinLabel* SkinLabel1 = nullptr;
    QLineEdit* txtUsername = nullptr;
    skin::SkinLabel* SkinLabel2 = nullptr;
    QLineEdit* txtPassword = nullptr;
    skin::SkinLabel* SkinLabel3 = nullptr;
    QLineEdit* txtWebsite = nullptr;

public slots:
    // Save: a click on Save, or Enter in the website box.
    void cmdAdd_Click();
    // Cancel.
    void cmdDelete_Click();
    // Generate (or Ctrl+G): a new password in the password box, in clear.
    // Nothing is saved until Save.
    void cmdGenerate_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showError(const QString& text);
    static EntryListModel* list();

    bool addMode_ = true;
    quint64 editedId_ = 0; // the row opened for editing; 0 when none
};

} // namespace kestrune::ui
