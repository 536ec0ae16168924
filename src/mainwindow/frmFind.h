#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrune::ui {

// The Find window: the text to look for, Find Next and Match case. It is
// modeless and stays above the main window; Enter in the text box is Find
// Next and Esc closes it. What it holds is the main window's find request,
// kept when the window closes, so that F3 goes on with it.
class frmFind final : public QWidget {
    Q_OBJECT
public:
    frmFind();

    // Shows the last request and stays above the main window.
    void Load();

    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFindNext = nullptr;
    QCheckBox* chkMatchCase = nullptr;

public slots:
    void cmdFindNext_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace kestrune::ui
