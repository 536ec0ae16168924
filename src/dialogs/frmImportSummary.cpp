#include "dialogs/frmImportSummary.h"

#include "dialogs/Dialog.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace kestrune::ui {

frmImportSummary::frmImportSummary() : QWidget(nullptr, kDialogFlags) {
    setObjectName(QStringLiteral("frmImportSummary"));
    setWindowTitle(QStringLiteral("Import: Summary"));
    setFont(Forms::designFont());
    setWindowModality(Qt::ApplicationModal);

    lblFile = makeLabel(this, "lblFile", QString());
    lblFile->setWordWrap(true);
    txtSummary = new QPlainTextEdit(this);
    txtSummary->setObjectName(QStringLiteral("txtSummary"));
    txtSummary->setReadOnly(true);
    txtSummary->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtSummary->setMinimumSize(520, 260);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(lblFile);
    column->addWidget(txtSummary);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    column->addLayout(buttons);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, txtSummary);

    connect(cmdOK, &QPushButton::clicked, this, &frmImportSummary::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmImportSummary::cmdCancel_Click);
    // The keyboard: the focus starts on OK, so Enter imports; Esc cancels.
    enterClicksButtons(this);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &frmImportSummary::cmdCancel_Click);
}

void frmImportSummary::Load() {
    dressInSkin(this);
}

void frmImportSummary::setSummary(const QString& fileName, const QString& text) {
    lblFile->setText(QStringLiteral("Import from %1:").arg(QDir::toNativeSeparators(fileName)));
    txtSummary->setPlainText(text);
    cmdOK->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

void frmImportSummary::cmdOK_Click() {
    answered_ = true;
    emit confirmed();
}

void frmImportSummary::cmdCancel_Click() {
    close();
}

void frmImportSummary::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
    if (!answered_) {
        answered_ = true;
        emit cancelled();
    }
}

} // namespace kestrune::ui
