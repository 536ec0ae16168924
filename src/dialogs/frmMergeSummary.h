#pragma once

#include "dialogs/ImportDialog.h"

#include <QString>

class QPlainTextEdit;

namespace kestrune::ui {

// The account of a merge before anything changes: how many entries of the
// other data file will be added and how many are there already, and what a
// merge of two files cannot know. OK adds the entries, Cancel leaves
// everything as it was.
class frmMergeSummary final : public ImportDialog {
    Q_OBJECT
public:
    frmMergeSummary();

    // What the merge would do. A conflict copy is named as one, and said to
    // be deleted once its entries are saved.
    void setSummary(const QString& fileName, bool conflictCopy, qsizetype added,
                    qsizetype alreadyThere);

    QPlainTextEdit* txtSummary = nullptr;
};

} // namespace kestrune::ui
