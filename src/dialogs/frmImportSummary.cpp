#include "dialogs/frmImportSummary.h"

#include "widgets/Forms.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune::ui {

frmImportSummary::frmImportSummary()
    : ImportDialog("frmImportSummary", QStringLiteral("Import: Summary")) {
    txtSummary = new QPlainTextEdit(this);
    txtSummary->setObjectName(QStringLiteral("txtSummary"));
    txtSummary->setReadOnly(true);
    txtSummary->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtSummary->setMinimumSize(520, 260);
    QHBoxLayout* buttons = makeAnswerButtons();

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(lblFile);
    column->addWidget(txtSummary);
    column->addLayout(buttons);
    // The keyboard: the focus starts on OK, so Enter imports; Esc cancels.
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, txtSummary);
}

void frmImportSummary::setSummary(const QString& fileName, const QString& text) {
    lblFile->setText(QStringLiteral("Import from %1:").arg(QDir::toNativeSeparators(fileName)));
    txtSummary->setPlainText(text);
    cmdOK->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

} // namespace kestrune::ui
