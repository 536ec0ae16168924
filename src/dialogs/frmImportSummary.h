#pragma once

#include "dialogs/ImportDialog.h"

#include <QString>

class QPlainTextEdit;

namespace kestrune::ui {

// The account of an import before anything changes: how many entries will be
// added, which rows are skipped or cannot be stored and why, what is not
// kept. OK adds the entries, Cancel leaves everything as it was.
class frmImportSummary final : public ImportDialog {
    Q_OBJECT
public:
    frmImportSummary();

    void setSummary(const QString& fileName, const QString& text);

    QPlainTextEdit* txtSummary = nullptr;
};

} // namespace kestrune::ui
