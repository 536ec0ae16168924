#include "dialogs/frmMergePassword.h"

#include "dialogs/Dialog.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace kestrune::ui {

frmMergePassword::frmMergePassword() : QWidget(nullptr, kDialogFlags) {
    makeDialog(this, "frmMergePassword", QStringLiteral("Merge: Password"));
    setWindowModality(Qt::ApplicationModal);

    lblFile = makeLabel(this, "lblFile", QString());
    lblFile->setWordWrap(true);
    lblPassword = makeLabel(this, "lblPassword", QStringLiteral("Password:"));
    txtPass = new QLineEdit(this);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPass);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(lblPassword);
    passwordRow->addWidget(txtPass, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(lblFile);
    column->addLayout(passwordRow);
    column->addLayout(buttons);
    lblFile->setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, &frmMergePassword::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMergePassword::cmdCancel_Click);
    connect(txtPass, &QLineEdit::returnPressed, this, &frmMergePassword::cmdOK_Click);
    enterClicksButtons(this);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &frmMergePassword::cmdCancel_Click);
    setTabOrder(txtPass, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
}

frmMergePassword::~frmMergePassword() {
    setChecking(false);
}

void frmMergePassword::Load() {
    dressInSkin(this);
}

void frmMergePassword::setFile(const QString& fileName) {
    lblFile->setText(QStringLiteral("%1\n\nThis file is locked with another master password.  "
                                    "Type that password to merge its entries:")
                         .arg(QDir::toNativeSeparators(fileName)));
    txtPass->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

void frmMergePassword::setChecking(bool checking) {
    if (checking == checking_) {
        return;
    }
    checking_ = checking;
    showPasswordCheck({cmdOK, cmdCancel, txtPass}, checking);
    if (!checking) {
        txtPass->setFocus();
    }
}

void frmMergePassword::cmdOK_Click() {
    if (checking_ || txtPass->text().isEmpty()) {
        return;
    }
    emit passwordGiven(txtPass->text());
}

void frmMergePassword::cmdCancel_Click() {
    close();
}

void frmMergePassword::closeEvent(QCloseEvent* event) {
    // While a password is being tried too: its answer then finds the merge
    // cancelled and is dropped.
    event->accept();
    forms().forget(this);
    emit cancelled();
}

} // namespace kestrune::ui
