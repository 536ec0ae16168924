#include "dialogs/frmImportSummary.h"

#include "widgets/Forms.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrune::ui {

frmImportSummary::frmImportSummary()
    : ImportDialog("frmImportSummary", QStringLiteral("Import: Summary")) {
    txtSummary = makeSummaryLayout(260);
}

void frmImportSummary::setSummary(const QString& fileName, const QString& text) {
    lblFile->setText(QStringLiteral("Import from %1:").arg(QDir::toNativeSeparators(fileName)));
    txtSummary->setPlainText(text);
    cmdOK->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

} // namespace kestrune::ui
