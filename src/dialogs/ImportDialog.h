#pragma once

#include "skin/SkinLabel.h"

#include <QWidget>

class QHBoxLayout;
class QPlainTextEdit;
class QPushButton;

namespace kestrune::ui {

// A dialog of the import, answered once: OK confirms it (confirmed()), and
// Cancel, Esc or the close box cancels it (cancelled()). Whichever comes
// first is the answer; the other is not reported. It names the file at its
// top and stays in front of the main window until it is answered.
class ImportDialog : public QWidget {
    Q_OBJECT
public:
    void Load();

    skin::SkinLabel* lblFile = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    // OK: confirmed(), once the dialog accepts what the user chose.
    void cmdOK_Click();
    // Cancel, Esc or the close box: cancelled().
    void cmdCancel_Click();

signals:
    void confirmed();
    void cancelled();

protected:
    ImportDialog(const char* name, const QString& title);

    // Makes OK and Cancel, in a row at the right for the dialog's layout; Esc
    // is Cancel, and Enter on a focused button clicks it. Called once the
    // controls before them in the tab order are made.
    QHBoxLayout* makeAnswerButtons();
    // The layout of a summary: the file's name, a read-only text of at least
    // `minimumHeight` pixels, and OK and Cancel, the focus starting on OK so
    // that Enter confirms. Returns the text.
    QPlainTextEdit* makeSummaryLayout(int minimumHeight);
    // Whether OK may confirm: a dialog whose choices can be wrong says why in
    // a message and answers false, and stays open.
    virtual bool choicesAccepted() { return true; }

    void closeEvent(QCloseEvent* event) override;

private:
    bool answered_ = false;
};

} // namespace kestrune::ui
