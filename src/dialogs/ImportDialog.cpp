#include "dialogs/ImportDialog.h"

#include "dialogs/Dialog.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

namespace kestrune::ui {

ImportDialog::ImportDialog(const char* name, const QString& title)
    : QWidget(nullptr, kDialogFlags) {
    makeDialog(this, name, title);
    setWindowModality(Qt::ApplicationModal);

    lblFile = makeLabel(this, "lblFile", QString());
    lblFile->setWordWrap(true);
}

QHBoxLayout* ImportDialog::makeAnswerButtons() {
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &ImportDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &ImportDialog::cmdCancel_Click);
    enterClicksButtons(this);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &ImportDialog::cmdCancel_Click);
    return buttons;
}

void ImportDialog::Load() {
    dressInSkin(this);
}

void ImportDialog::cmdOK_Click() {
    if (!choicesAccepted()) {
        return;
    }
    answered_ = true;
    emit confirmed();
}

void ImportDialog::cmdCancel_Click() {
    close();
}

void ImportDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
    if (!answered_) {
        answered_ = true;
        emit cancelled();
    }
}

} // namespace kestrune::ui
