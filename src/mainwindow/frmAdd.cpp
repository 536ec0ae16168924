#include "mainwindow/frmAdd.h"

#include "dialogs/Dialog.h"
#include "exchange/EntryRules.h"
#include "mainwindow/EntryHandOver.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"
#include "platform/Platform.h"
#include "store/DataFileFormat.h"
#include "store/PasswordGenerator.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"
#include "widgets/PictureButton.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/TextBox.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

namespace kestrune::ui {

namespace {

// Design client area in twips.
constexpr int kClientWidth = 4680;
constexpr int kClientHeight = 2610;
// The captions stand in the middle of their height, beside the text boxes.
constexpr Qt::Alignment kCaptionAlignment = Qt::AlignLeft | Qt::AlignVCenter;

} // namespace

frmAdd::frmAdd() : QWidget(nullptr, kDialogFlags) {
    setObjectName(QStringLiteral("frmAdd"));
    setFont(Forms::designFont());

    // Created in the tab order of the design.
    cmdDelete = makePictureButton(this, "cmdDelete", QStringLiteral("Cancel"), "btn-cancel");
    cmdAdd = makePictureButton(this, "cmdAdd", QStringLiteral("Save"), "btn-save");
    cmdGenerate =
        makePictureButton(this, "cmdGenerate", QStringLiteral("Generate"), "btn-generate");
    SkinLabel1 = makeLabel(this, "SkinLabel1", QStringLiteral("Username:"), kCaptionAlignment);
    txtUsername = makeTextBox(this, "txtUsername");
    SkinLabel2 = makeLabel(this, "SkinLabel2", QStringLiteral("Password:"), kCaptionAlignment);
    txtPassword = makeTextBox(this, "txtPassword"); // shown in clear text
    SkinLabel3 = makeLabel(this, "SkinLabel3", QStringLiteral("Website:"), kCaptionAlignment);
    txtWebsite = makeTextBox(this, "txtWebsite");
    setTabOrder(cmdDelete, cmdAdd);
    setTabOrder(cmdAdd, cmdGenerate);
    setTabOrder(cmdGenerate, txtUsername);
    setTabOrder(txtUsername, txtPassword);
    setTabOrder(txtPassword, txtWebsite);
    QFont bold = Forms::designFont();
    bold.setBold(true);
    for (QLabel* caption : {SkinLabel1, SkinLabel2, SkinLabel3}) {
        caption->setFont(bold);
    }

    placeInTwips(cmdDelete, 3420, 1500, 1155, 1035);
    placeInTwips(cmdAdd, 120, 1500, 1155, 1035);
    placeInTwips(cmdGenerate, 1770, 1500, 1155, 1035);
    placeInTwips(SkinLabel1, 120, 120, 1155, 255);
    placeInTwips(txtUsername, 1320, 60, 3255, 315);
    placeInTwips(SkinLabel2, 120, 540, 1155, 255);
    placeInTwips(txtPassword, 1320, 480, 3255, 315);
    placeInTwips(SkinLabel3, 120, 960, 1155, 255);
    placeInTwips(txtWebsite, 1320, 900, 3255, 315);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    connect(cmdAdd, &QToolButton::clicked, this, &frmAdd::cmdAdd_Click);
    connect(cmdDelete, &QToolButton::clicked, this, &frmAdd::cmdDelete_Click);
    connect(cmdGenerate, &QToolButton::clicked, this, &frmAdd::cmdGenerate_Click);
    auto* generate = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(generate, &QShortcut::activated, this, &frmAdd::cmdGenerate_Click);
    // Enter saves from the website box only, and on a focused button clicks it.
    connect(txtWebsite, &QLineEdit::returnPressed, this, &frmAdd::cmdAdd_Click);
    enterClicksButtons(this);
}

EntryListModel* frmAdd::list() {
    Form1* main = forms().find<Form1>();
    return main == nullptr ? nullptr : &main->lstPass->rows();
}

void frmAdd::Load() {
    const EntryHandOver& handOver = entryHandOver();
    addMode_ = handOver.EntryMode == QLatin1String("Add");
    if (addMode_) {
        setWindowTitle(QStringLiteral("Add an entry"));
    } else {
        setWindowTitle(QStringLiteral("Edit an entry"));
        txtUsername->setText(handOver.EditUsername);
        txtPassword->setText(handOver.EditPassword);
        txtWebsite->setText(handOver.EditLocation);
        // The row is held by its identity, not by its position, which a sort
        // or a delete in the main window may change while the dialog is open.
        const EntryListModel* rows = list();
        if (rows != nullptr && handOver.EditRow >= 1 && handOver.EditRow <= rows->count()) {
            editedId_ = rows->idAt(handOver.EditRow);
        }
    }
    Forms::centreOnScreen(this);
    dressInSkin(this);
}

void frmAdd::showError(const QString& text) {
    platform::services().messages->show(this, text, QStringLiteral("Error"), platform::Buttons::Ok);
}

void frmAdd::cmdAdd_Click() {
    const store::Entry entry{txtUsername->text(), txtPassword->text(), txtWebsite->text()};
    if (const exchange::EntryTextsCheck check =
            exchange::checkEntryTexts(entry, ProgramIdentity().ProductName);
        !check.accepted()) {
        showError(check.message);
        return;
    }
    Form1* main = forms().find<Form1>();
    if (main == nullptr) {
        return;
    }
    EntryListModel& rows = main->lstPass->rows();

    quint64 saved = 0; // the identity of the row that holds the entry
    if (addMode_) {
        // Not on disk, so not in the list either; the dialog keeps the texts.
        const auto add = [&] { saved = rows.idAt(rows.append(entry)); };
        const auto takeBack = [&] { rows.remove(rows.positionOf(saved)); };
        if (!changeAndSave(add, takeBack)) {
            return;
        }
    } else {
        const qsizetype position = rows.positionOf(editedId_);
        if (position == 0) {
            showError(QStringLiteral("The entry you opened for editing is no longer in the list, "
                                     "so your changes cannot be saved to it."));
            return;
        }
        const store::Entry before = rows.row(position);
        const bool wasSelected = main->lstPass->isSelected(position);
        // The old texts go back to the old place. While sorting is on the
        // changed row may have moved, and sorting the old texts in again could
        // put the row behind another with an equal key.
        const auto putBack = [&] {
            rows.remove(rows.positionOf(editedId_));
            rows.insert(position, before, editedId_);
            if (wasSelected) {
                main->lstPass->selectRow(position);
            }
        };
        if (!changeAndSave([&] { rows.setRow(position, entry); }, putBack)) {
            return;
        }
        saved = editedId_;
    }
    const qsizetype shownAt = rows.positionOf(saved);
    main->StatusMessage(QStringLiteral("Added new entry.  Data saved."));
    main->lstPass->selectRow(shownAt);
    forms().unload<frmAdd>();
}

void frmAdd::cmdDelete_Click() {
    forms().unload<frmAdd>();
}

void frmAdd::cmdGenerate_Click() {
    // Typed over the box's text, so that Undo brings back what was there.
    txtPassword->selectAll();
    txtPassword->insert(store::GeneratePassword());
}

void frmAdd::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
}

} // namespace kestrune::ui
