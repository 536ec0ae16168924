#pragma once

#include "mainwindow/EntryFind.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrune::ui {

// The Find window: the text to look for, Find Next and Match case. It is
// modeless and stays above the main window; Enter in the text box is Find
// Next and Esc closes it. It shows the main window's find request and tells
// the main window's commands of every change to it and of every Find Next.
class frmFind final : public QWidget {
    Q_OBJECT
public:
    frmFind();

    // Stays above the main window.
    void Load();
    // Shows `request` in the controls.
    void setRequest(const FindRequest& request);

    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFindNext = nullptr;
    QCheckBox* chkMatchCase = nullptr;

public slots:
    // Find Next: the button, Enter in the text box or F3: findNextRequested().
    void cmdFindNext_Click();

signals:
    // The text or Match case changed: the request as the controls say it now.
    void requestChanged(const FindRequest& request);
    void findNextRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    FindRequest shownRequest() const;
};

} // namespace kestrune::ui
