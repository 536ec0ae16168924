#pragma once

#include "skin/SkinLabel.h"

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace kestrune::ui {

// The account of an import before anything changes: how many entries will be
// added, which rows are skipped or cannot be stored and why, what is not
// kept. OK adds the entries, Cancel leaves everything as it was. It stays in
// front of the main window until it is answered.
class frmImportSummary final : public QWidget {
    Q_OBJECT
public:
    frmImportSummary();
    void Load();

    void setSummary(const QString& fileName, const QString& text);

    skin::SkinLabel* lblFile = nullptr;
    QPlainTextEdit* txtSummary = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdOK_Click();
    // Cancel, Esc or the close box.
    void cmdCancel_Click();

signals:
    void confirmed();
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool answered_ = false;
};

} // namespace kestrune::ui
