#include "dialogs/frmMergeSummary.h"

#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

namespace kestrune::ui {

frmMergeSummary::frmMergeSummary()
    : ImportDialog("frmMergeSummary", QStringLiteral("Merge: Summary")) {
    txtSummary = makeSummaryLayout(220);
}

void frmMergeSummary::setSummary(const QString& fileName, bool conflictCopy, qsizetype added,
                                 qsizetype alreadyThere) {
    const QString product = ProgramIdentity().ProductName;
    const QString shown = QDir::toNativeSeparators(fileName);
    lblFile->setText(conflictCopy
                         ? QStringLiteral("A sync engine has left a copy of your data file with "
                                          "changes made on another computer:\n%1")
                               .arg(shown)
                         : QStringLiteral("Merge from %1:").arg(shown));
    QStringList lines;
    lines << (added == 1 ? QStringLiteral("1 entry will be added.")
                         : QStringLiteral("%1 entries will be added.").arg(added))
          << (alreadyThere == 1 ? QStringLiteral("1 entry is already there.")
                                : QStringLiteral("%1 entries are already there.").arg(alreadyThere))
          << QString()
          << QStringLiteral("%1 cannot tell from the two files what was done on each computer:")
                 .arg(product)
          << QStringLiteral("- An entry deleted on one computer comes back.")
          << QStringLiteral("- An entry edited on both computers is kept in both versions.")
          << QStringLiteral("Delete or edit them again after the merge if need be.");
    if (conflictCopy) {
        lines << QString()
              << QStringLiteral("Once its entries are saved in your data file, the copy is "
                                "deleted.  Cancel keeps both files as they are; %1 asks again "
                                "at the next start.")
                     .arg(product);
    }
    txtSummary->setPlainText(lines.join(QLatin1Char('\n')));
    cmdOK->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

} // namespace kestrune::ui
