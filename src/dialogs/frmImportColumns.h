#pragma once

#include "exchange/ImportLayouts.h"
#include "skin/SkinLabel.h"

#include <QString>
#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
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
// hidden. It stays in front of the main window until it is answered.
class frmImportColumns final : public QWidget {
    Q_OBJECT
public:
    frmImportColumns();
    void Load();

    // What to show, and the columns chosen at first.
    void setFile(const QString& fileName, ImportPreview preview,
                 const exchange::ColumnMapping& chosen);
    // The columns as chosen now.
    exchange::ColumnMapping mapping() const;

    // How many rows of the file the preview shows.
    static constexpr int kPreviewRows = 5;

    skin::SkinLabel* lblFile = nullptr;
    QCheckBox* chkFirstLine = nullptr;
    skin::SkinLabel* lblUsername = nullptr;
    QComboBox* cboUsername = nullptr;
    skin::SkinLabel* lblPassword = nullptr;
    QComboBox* cboPassword = nullptr;
    skin::SkinLabel* lblLocation = nullptr;
    QComboBox* cboLocation = nullptr; // its first item is "(none)"
    skin::SkinLabel* lblPreview = nullptr;
    QTableWidget* grdPreview = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    // OK: a username and a password column, each its own, then confirmed().
    void cmdOK_Click();
    // Cancel, Esc or the close box: cancelled().
    void cmdCancel_Click();

signals:
    void confirmed();
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showNames();
    void showPreview();

    ImportPreview preview_;
    bool answered_ = false;
};

} // namespace kestrune::ui
