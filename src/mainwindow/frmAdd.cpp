#include "mainwindow/frmAdd.h"

#include "dialogs/Dialog.h"
#include "store/PasswordGenerator.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"
#include "widgets/PictureButton.h"
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
    makeDialog(this, "frmAdd", QStringLiteral("Add an entry"));

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

void frmAdd::Load() {
    Forms::centreOnScreen(this);
    dressInSkin(this);
}

void frmAdd::edit(const store::Entry& entry, quint64 row) {
    addMode_ = false;
    editedRow_ = row;
    setWindowTitle(QStringLiteral("Edit an entry"));
    txtUsername->setText(entry.username);
    txtPassword->setText(entry.password);
    txtWebsite->setText(entry.location);
}

store::Entry frmAdd::typedEntry() const {
    return {txtUsername->text(), txtPassword->text(), txtWebsite->text()};
}

void frmAdd::cmdAdd_Click() {
    emit saveRequested(typedEntry());
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
