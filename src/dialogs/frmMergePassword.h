#pragma once

#include "skin/SkinLabel.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace kestrune::ui {

// Asks for the master password of a data file to merge that the running
// master password does not open. OK reports the password typed
// (passwordGiven()); the dialog stays, disabled while it is tried, until the
// caller unloads it. Cancel, Esc or the close box report cancelled().
class frmMergePassword final : public QWidget {
    Q_OBJECT
public:
    frmMergePassword();
    ~frmMergePassword() override;

    void Load();

    // Names the file whose password is asked for.
    void setFile(const QString& fileName);
    // While a password is tried: the box and the buttons are disabled and a
    // wait cursor shows.
    void setChecking(bool checking);
    bool isChecking() const { return checking_; }

    skin::SkinLabel* lblFile = nullptr;
    skin::SkinLabel* lblPassword = nullptr;
    QLineEdit* txtPass = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

signals:
    void passwordGiven(const QString& password);
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool checking_ = false;
};

} // namespace kestrune::ui
