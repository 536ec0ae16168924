#include "dialogs/frmImportColumns.h"

#include "dialogs/Dialog.h"
#include "platform/Platform.h"
#include "widgets/Forms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>

namespace kestrune::ui {

namespace {

// What a password shows in the preview: the same for every password, so that
// not even its length shows.
const QString kHidden = QStringLiteral("********");

QComboBox* makeChoice(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(24);
    return box;
}

} // namespace

frmImportColumns::frmImportColumns()
    : ImportDialog("frmImportColumns", QStringLiteral("Import: Choose the Columns")) {
    chkFirstLine = new QCheckBox(QStringLiteral("The first line names the columns"), this);
    chkFirstLine->setObjectName(QStringLiteral("chkFirstLine"));
    lblUsername = makeLabel(this, "lblUsername", QStringLiteral("Username:"));
    cboUsername = makeChoice(this, "cboUsername");
    lblPassword = makeLabel(this, "lblPassword", QStringLiteral("Password:"));
    cboPassword = makeChoice(this, "cboPassword");
    lblLocation = makeLabel(this, "lblLocation", QStringLiteral("Website/Location:"));
    cboLocation = makeChoice(this, "cboLocation");
    lblPreview = makeLabel(this, "lblPreview",
                           QStringLiteral("The first rows of the file (passwords hidden):"));
    grdPreview = new QTableWidget(this);
    grdPreview->setObjectName(QStringLiteral("grdPreview"));
    grdPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPreview->setSelectionMode(QAbstractItemView::NoSelection);
    grdPreview->setFocusPolicy(Qt::NoFocus);
    grdPreview->verticalHeader()->setVisible(false);
    grdPreview->setMinimumSize(560, 150);
    QHBoxLayout* buttons = makeAnswerButtons();
    for (skin::SkinLabel* label : {lblUsername, lblPassword, lblLocation}) {
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
    }
    lblUsername->setBuddy(cboUsername);
    lblPassword->setBuddy(cboPassword);
    lblLocation->setBuddy(cboLocation);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(lblFile, 0, 0, 1, 2);
    grid->addWidget(chkFirstLine, 1, 0, 1, 2);
    grid->addWidget(lblUsername, 2, 0);
    grid->addWidget(cboUsername, 2, 1);
    grid->addWidget(lblPassword, 3, 0);
    grid->addWidget(cboPassword, 3, 1);
    grid->addWidget(lblLocation, 4, 0);
    grid->addWidget(cboLocation, 4, 1);
    grid->addWidget(lblPreview, 5, 0, 1, 2);
    grid->addWidget(grdPreview, 6, 0, 1, 2);
    grid->addLayout(buttons, 7, 0, 1, 2);

    setTabOrder(chkFirstLine, cboUsername);
    setTabOrder(cboUsername, cboPassword);
    setTabOrder(cboPassword, cboLocation);
    setTabOrder(cboLocation, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(chkFirstLine, &QCheckBox::toggled, this, [this] {
        showNames();
        showPreview();
    });
    connect(cboPassword, &QComboBox::currentIndexChanged, this, &frmImportColumns::showPreview);
    // The keyboard: Enter anywhere is OK (on a focused button it clicks that
    // button), Esc is Cancel.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this,
                &frmImportColumns::cmdOK_Click);
    }
}

void frmImportColumns::setFile(const QString& fileName, ImportPreview preview,
                               const exchange::ColumnMapping& chosen) {
    preview_ = std::move(preview);
    lblFile->setText(QStringLiteral("Kestrune does not know the layout of %1.  Choose the "
                                    "columns that hold the username, the password and the "
                                    "location.")
                         .arg(QDir::toNativeSeparators(fileName)));
    const QSignalBlocker blocker(chkFirstLine);
    chkFirstLine->setChecked(chosen.firstLineNames);
    showNames();
    const int username = std::max(chosen.username, 0);
    cboUsername->setCurrentIndex(username);
    cboPassword->setCurrentIndex(chosen.password >= 0 ? chosen.password : username == 0 ? 1 : 0);
    cboLocation->setCurrentIndex(chosen.location + 1);
    showPreview();
    cboUsername->setFocus();
    adjustSize();
    Forms::centreOnScreen(this);
}

void frmImportColumns::showNames() {
    static const std::vector<QString> noNames;
    const bool named = chkFirstLine->isChecked() && !preview_.firstRows.empty();
    const std::vector<QString>& first = named ? preview_.firstRows.front() : noNames;
    const auto fill = [&](QComboBox* box, bool none) {
        const int current = box->currentIndex();
        const QSignalBlocker blocker(box);
        box->clear();
        if (none) {
            box->addItem(QStringLiteral("(none)"));
        }
        for (int c = 0; c < preview_.columns; ++c) {
            QString text = QStringLiteral("Column %1").arg(c + 1);
            if (std::size_t(c) < first.size() && !first[std::size_t(c)].isEmpty()) {
                text += QStringLiteral(": ") + first[std::size_t(c)];
            }
            box->addItem(text);
        }
        box->setCurrentIndex(std::max(current, 0));
    };
    fill(cboUsername, false);
    fill(cboPassword, false);
    fill(cboLocation, true);
}

void frmImportColumns::showPreview() {
    const bool named = chkFirstLine->isChecked();
    const std::size_t first = named ? 1 : 0;
    const int password = cboPassword->currentIndex();
    grdPreview->clear();
    grdPreview->setColumnCount(preview_.columns);
    QStringList headers;
    for (int c = 0; c < preview_.columns; ++c) {
        headers << QStringLiteral("Column %1").arg(c + 1);
    }
    grdPreview->setHorizontalHeaderLabels(headers);
    int shown = 0;
    for (std::size_t r = first; r < preview_.firstRows.size() && shown < kPreviewRows; ++r) {
        grdPreview->setRowCount(shown + 1);
        const std::vector<QString>& fields = preview_.firstRows[r];
        for (int c = 0; c < preview_.columns; ++c) {
            const QString text =
                std::size_t(c) < fields.size() ? fields[std::size_t(c)] : QString();
            grdPreview->setItem(
                shown, c, new QTableWidgetItem(c == password && !text.isEmpty() ? kHidden : text));
        }
        ++shown;
    }
    grdPreview->setRowCount(shown);
}

exchange::ColumnMapping frmImportColumns::mapping() const {
    exchange::ColumnMapping chosen;
    chosen.firstLineNames = chkFirstLine->isChecked();
    chosen.username = cboUsername->currentIndex();
    chosen.password = cboPassword->currentIndex();
    chosen.location = cboLocation->currentIndex() - 1;
    chosen.kinds.assign(std::size_t(preview_.columns), exchange::ColumnKind::Other);
    const auto mark = [&](int column, exchange::ColumnKind kind) {
        if (column >= 0 && column < preview_.columns) {
            chosen.kinds[std::size_t(column)] = kind;
        }
    };
    mark(chosen.location, exchange::ColumnKind::Location);
    mark(chosen.password, exchange::ColumnKind::Password);
    mark(chosen.username, exchange::ColumnKind::Username);
    return chosen;
}

bool frmImportColumns::choicesAccepted() {
    const exchange::ColumnMapping chosen = mapping();
    QString problem;
    if (chosen.username == chosen.password) {
        problem = QStringLiteral("The username and the password cannot come from the same "
                                 "column.  Please choose another column for one of them.");
    } else if (chosen.location >= 0 &&
               (chosen.location == chosen.username || chosen.location == chosen.password)) {
        problem = QStringLiteral("The location cannot come from the column of the username or "
                                 "of the password.  Please choose another column, or (none).");
    }
    if (problem.isEmpty()) {
        return true;
    }
    platform::services().messages->show(this, problem, QStringLiteral("Import"),
                                        platform::Buttons::Ok, platform::Icon::Warning);
    return false;
}

} // namespace kestrune::ui
