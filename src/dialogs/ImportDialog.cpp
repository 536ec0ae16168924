#include "dialogs/ImportDialog.h"

#include "dialogs/Dialog.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

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

QPlainTextEdit* ImportDialog::makeSummaryLayout(int minimumHeight) {
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("txtSummary"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setMinimumSize(520, minimumHeight);
    QHBoxLayout* buttons = makeAnswerButtons();

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(lblFile);
    column->addWidget(text);
    column->addLayout(buttons);
    // The keyboard: Enter on OK confirms; Esc cancels.
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, text);
    return text;
}

} // namespace kestrune::ui
