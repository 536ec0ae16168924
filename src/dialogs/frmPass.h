#pragma once

#include "skin/SkinLabel.h"
#include "store/SealedPasswordTry.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTimer;

namespace kestrune::ui {

// What the password dialog reports of the password, to the login steps of
// the main window's layer, which go on from there. The dialog has set
// MasterPassword (and, for a sealed file, given the store its seal) before it
// reports a password.
class PasswordDialogSteps {
public:
    virtual ~PasswordDialogSteps() = default;
    // A new master password, typed twice. True when it is on disk and the
    // dialog has been unloaded; false leaves the dialog as it was.
    virtual bool passwordCreated() = 0;
    // Before a password is checked in check mode: true when the check may go
    // on. The steps may have the store read the file again first, and may
    // end the check (the dialog then stays, or the program ends).
    virtual bool beforePasswordCheck() { return true; }
    // The password matched the stored one, or opened the sealed file.
    virtual void passwordAccepted() = 0;
    // The try on a sealed file found it damaged, or had no memory for the key.
    virtual void passwordTryFailed(store::SealedPasswordTry::Outcome outcome) = 0;
};

// The master password dialog, the gate of the program. In create mode (no
// master password yet) the user chooses one and types it twice; in check mode
// the user has three tries. Cancel, the close box or a third wrong password
// end the program. While it is open the main window stays hidden.
class frmPass final : public QWidget {
    Q_OBJECT
public:
    frmPass();
    ~frmPass() override;

    void Load();

    // Where the dialog reports the password it was given.
    void reportTo(PasswordDialogSteps& steps) { steps_ = &steps; }

    // True while the password typed for a sealed data file is being tried
    // (its key takes about half a second to make, on a thread of its own):
    // the buttons and the box are disabled and a wait cursor shows.
    bool isChecking() const { return checking_; }

    // Wrong passwords answered with Retry since the dialog was loaded.
    int PasswordTries = 0;

    skin::SkinLabel* SkinLabel1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLineEdit* txtPass = nullptr;
    skin::SkinLabel* SkinLabel2 = nullptr;
    QLineEdit* txtPass2 = nullptr;
    skin::SkinLabel* SkinLabel3 = nullptr;
    QTimer* Timer1 = nullptr;

    // Positions and sizes of the controls in twips, as laid out.
    struct TwipsBox {
        int left = 0, top = 0, width = 0, height = 0;
    };
    TwipsBox boxOf(const QWidget* control) const;
    int outerHeightTwips() const { return outerHeightTwips_; }

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutCreateMode();
    void layOutCheckMode();
    void okCreate();
    void okCheck();
    void checkSealed();
    void setChecking(bool checking);
    void wrongPassword();
    void endProgram();
    void setTop(QWidget* control, int topTwips);
    void setHeight(QWidget* control, int heightTwips);
    void setOuterHeight(int twips);
    void place(QWidget* control, int left, int top, int width, int height);

    int outerHeightTwips_ = 0;
    bool checking_ = false;
    PasswordDialogSteps* steps_ = nullptr;
};

} // namespace kestrune::ui
