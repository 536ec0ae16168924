#pragma once

#include "skin/SkinLabel.h"
#include "store/Entry.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kestrune::ui {

// The entry dialog: the user types a new entry or changes the one opened for
// editing. Save asks the main window's commands to store what is typed
// (saveRequested); they check it, change the list, save and close the dialog,
// or say why not and leave it open. Cancel changes nothing. The dialog is
// modeless, so the main window stays usable while it is open.
class frmAdd final : public QWidget {
    Q_OBJECT
public:
    frmAdd();

    void Load();

    // A dialog is loaded for a new entry. Given an entry of the list instead,
    // it edits that entry: `row` is the identity of the list's row that holds
    // it, which a sort or a delete in the main window does not change. What
    // the dialog is given stays fixed until it closes.
    void edit(const store::Entry& entry, quint64 row);

    bool addMode() const { return addMode_; }
    // The identity of the row opened for editing; 0 for a new entry.
    quint64 editedRow() const { return editedRow_; }
    // The texts as typed.
    store::Entry typedEntry() const;

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
    // Save: a click on Save, or Enter in the website box: saveRequested().
    void cmdAdd_Click();
    // Cancel.
    void cmdDelete_Click();
    // Generate (or Ctrl+G): a new password in the password box, in clear.
    // Nothing is saved until Save.
    void cmdGenerate_Click();

signals:
    // The user asks to store the entry typed.
    void saveRequested(const store::Entry& typed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool addMode_ = true;
    quint64 editedRow_ = 0;
};

} // namespace kestrune::ui
