#pragma once

#include "dialogs/frmPass.h"
#include "store/StoreOutcome.h"

namespace kestrune::ui {

class Form1;

// The steps from the data file to the main window: the store checks the file,
// the password dialog opens in the mode the file asks for, and the password
// the user creates or gives leads to the entries being loaded and the main
// window shown. A failure on the way is told, and ends the program where
// the store's outcome means that.
class LoginSteps final : public PasswordDialogSteps {
public:
    explicit LoginSteps(Form1& main) : main_(main) {}

    // Checks the data file, then shows the password dialog in create or check
    // mode, reporting to these steps.
    void BeginLogin();
    // True while BeginLogin checks a sealed file whole, before the password
    // dialog opens: the main window stays hidden meanwhile.
    bool checkingFile() const { return checkingFile_; }

    // PasswordDialogSteps
    // While the program is locked, a data file changed since the lock is read
    // again, so that the password is checked against the file as it is now.
    bool beforePasswordCheck() override;
    bool passwordCreated() override;
    void passwordAccepted() override;
    void passwordTryFailed(store::SealedPasswordTry::Outcome outcome) override;

private:
    // Tells the outcome of BeginLogin, then opens the password dialog.
    void showPasswordDialog(const store::StoreOutcome& begun);

    Form1& main_;
    bool checkingFile_ = false;
};

} // namespace kestrune::ui
