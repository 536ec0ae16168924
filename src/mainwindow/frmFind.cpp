#include "mainwindow/frmFind.h"

#include "dialogs/Dialog.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"
#include "widgets/TextBox.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace kestrune::ui {

frmFind::frmFind() : QWidget(nullptr, kDialogFlags) {
    makeDialog(this, "frmFind", QStringLiteral("Find"));

    // Created in the tab order.
    txtFind = makeTextBox(this, "txtFind");
    cmdFindNext = new QPushButton(QStringLiteral("Find Next"), this);
    cmdFindNext->setObjectName(QStringLiteral("cmdFindNext"));
    cmdFindNext->setAutoDefault(false);
    chkMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    placeInTwips(txtFind, 120, 120, 3615, 315);
    placeInTwips(cmdFindNext, 3855, 90, 1425, 375);
    placeInTwips(chkMatchCase, 120, 540, 3615, 255);
    setFixedSize(twipsSize(5400, 915));

    // The controls are the request: F3 in the main window uses what they say.
    connect(txtFind, &QLineEdit::textChanged, this,
            [this] { emit requestChanged(shownRequest()); });
    connect(chkMatchCase, &QCheckBox::toggled, this,
            [this] { emit requestChanged(shownRequest()); });
    connect(txtFind, &QLineEdit::returnPressed, this, &frmFind::cmdFindNext_Click);
    connect(cmdFindNext, &QPushButton::clicked, this, &frmFind::cmdFindNext_Click);
    auto* findNext = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(findNext, &QShortcut::activated, this, &frmFind::cmdFindNext_Click);
    enterClicksButtons(this);
}

void frmFind::Load() {
    if (QWidget* main = forms().mainWindow()) {
        // Owned by the main window: above it, and never behind it.
        setParent(main, windowFlags());
        const QRect area = main->geometry();
        move(area.right() - width() - 24, area.top() + 24);
    } else {
        Forms::centreOnScreen(this);
    }
    dressInSkin(this);
}

void frmFind::setRequest(const FindRequest& request) {
    txtFind->setText(request.text);
    chkMatchCase->setChecked(request.matchCase);
}

FindRequest frmFind::shownRequest() const {
    return {txtFind->text(), chkMatchCase->isChecked()};
}

void frmFind::cmdFindNext_Click() {
    emit findNextRequested();
}

void frmFind::keyPressEvent(QKeyEvent* event) {
    // Esc, wherever the focus is in the window, closes it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmFind::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
}

} // namespace kestrune::ui
