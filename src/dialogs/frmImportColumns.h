#pragma once

#include "dialogs/ImportDialog.h"
#include "exchange/ImportLayouts.h"
#include "skin/SkinLabel.h"

#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;
class QTableWidget;

namespace kestrune::ui {

// The first lines of a file to import, as the column dialog shows them.
struct ImportPreview {
    std::vector<std::vector<QString>> firstRows; // a few more than are shown
    int columns = 0;                             // the most fields a row has
};

// The dialog for a CSV file of no known layout: the user picks the columns
// that hold the username, the password and the location, and says whether the
// first line names the columns; the first rows show below, the passwords
// hidden. OK takes the columns only when each of them is its own.
class frmImportColumns final : public ImportDialog {
    Q_OBJECT
public:
    frmImportColumns();

    // What to show, and the columns chosen at first.
    void setFile(const QString& fileName, ImportPreview preview,
                 const exchange::ColumnMapping& chosen);
    // The columns as chosen now.
    exchange::ColumnMapping mapping() const;

    // How many rows of the file the preview shows.
    static constexpr int kPreviewRows = 5;

    QCheckBox* chkFirstLine = nullptr;
    skin::SkinLabel* lblUsername = nullptr;
    QComboBox* cboUsername = nullptr;
    skin::SkinLabel* lblPassword = nullptr;
    QComboBox* cboPassword = nullptr;
    skin::SkinLabel* lblLocation = nullptr;
    QComboBox* cboLocation = nullptr; // its first item is "(none)"
    skin::SkinLabel* lblPreview = nullptr;
    QTableWidget* grdPreview = nullptr;

protected:
    // A username and a password column, each its own, and a location column
    // (if any) apart from both.
    bool choicesAccepted() override;

private:
    void showNames();
    void showPreview();

    ImportPreview preview_;
};

} // namespace kestrune::ui
