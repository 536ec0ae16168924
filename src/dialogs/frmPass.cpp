#include "dialogs/frmPass.h"

#include "dialogs/Dialog.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/SealedPasswordTry.h"
#include "store/Wipe.h"
#include "widgets/Background.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"
#include "widgets/OnTop.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/TextBox.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace kestrune::ui {

namespace {

constexpr int kClientWidth = 6825;
const char* const kTwipsProperty = "twipsBox";

store::CredentialStore& store() {
    return store::credentialStore();
}

QLineEdit* makePasswordBox(QWidget* parent, const char* name) {
    QLineEdit* box = makeTextBox(parent, name);
    box->setEchoMode(QLineEdit::Password);
    // Every character shows as "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    return box;
}

// A copy of the text of its own, not shared with the box it came from: it can
// be wiped without touching the box, and the box's can be wiped without it.
QString ownCopy(const QString& text) {
    return QString(text.constData(), text.size());
}

// Empties a password box and wipes the text it held: once the box has let go
// of it, the copy taken here is its only holder.
void wipeBox(QLineEdit* box) {
    QString held = box->text();
    box->clear();
    store::wipe(held);
}

} // namespace

frmPass::frmPass() : QWidget(nullptr, kDialogFlags) {
    makeDialog(this, "frmPass", QStringLiteral("Password Required"));

    // Created in the tab order of the design.
    SkinLabel1 = makeLabel(this, "SkinLabel1", QStringLiteral("Please enter your password"));
    SkinLabel1->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    txtPass = makePasswordBox(this, "txtPass");
    SkinLabel2 = makeLabel(this, "SkinLabel2", QStringLiteral("Password:"));
    txtPass2 = makePasswordBox(this, "txtPass2");
    SkinLabel3 = makeLabel(this, "SkinLabel3", QStringLiteral("Retype Password:"));
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, txtPass);
    setTabOrder(txtPass, txtPass2);
    // Neither button is a default or cancel button: Enter belongs to the
    // password boxes, and Esc does nothing. Enter on a focused button clicks it.
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    enterClicksButtons(this);

    place(SkinLabel1, 120, 60, 6615, 315);
    place(cmdOK, 4500, 1260, 1095, 495);
    place(cmdCancel, 5700, 1260, 1035, 495);
    place(txtPass, 1740, 480, 4995, 315);
    place(SkinLabel2, 120, 540, 915, 255);
    place(txtPass2, 1740, 2400, 4995, 315);
    place(SkinLabel3, 120, 2460, 1935, 255);
    setOuterHeight(1800 + kDialogFrameHeightTwips);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    connect(cmdOK, &QPushButton::clicked, this, &frmPass::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPass::cmdCancel_Click);
    connect(txtPass, &QLineEdit::returnPressed, this, &frmPass::cmdOK_Click);
    connect(txtPass2, &QLineEdit::returnPressed, this, &frmPass::cmdOK_Click);
    connect(Timer1, &QTimer::timeout, this, &frmPass::Timer1_Timer);
}

void frmPass::place(QWidget* control, int left, int top, int width, int height) {
    control->setProperty(kTwipsProperty, QRect(left, top, width, height));
    placeInTwips(control, left, top, width, height);
}

frmPass::TwipsBox frmPass::boxOf(const QWidget* control) const {
    const QRect r = control->property(kTwipsProperty).toRect();
    return {r.x(), r.y(), r.width(), r.height()};
}

void frmPass::setTop(QWidget* control, int topTwips) {
    const TwipsBox b = boxOf(control);
    place(control, b.left, topTwips, b.width, b.height);
}

void frmPass::setHeight(QWidget* control, int heightTwips) {
    const TwipsBox b = boxOf(control);
    place(control, b.left, b.top, b.width, heightTwips);
}

void frmPass::setOuterHeight(int twips) {
    outerHeightTwips_ = twips;
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(twips - kDialogFrameHeightTwips));
}

void frmPass::Load() {
    if (auto* main = forms().mainWindow()) {
        main->setVisible(false);
    }
    PasswordTries = 0;
    if (store().state.CreatingPassword) {
        layOutCreateMode();
    } else {
        layOutCheckMode();
    }
    Forms::centreOnScreen(this);
    raise();
    SetOnTop(this, true);
    Forms::letPendingEventsRun();
    txtPass->clear();
    dressInSkin(this);
    Timer1->start();
}

void frmPass::layOutCreateMode() {
    SkinLabel1->setText(
        QStringLiteral("Because this is the first time you have used ") +
        ProgramIdentity().ProductName +
        QStringLiteral(", you will need to create a master password.  This password "
                       "will be required to open the program from now on, and can "
                       "not be reset.\n\nPlease enter a password that you will not "
                       "forget."));
    setHeight(SkinLabel1, 1500);
    setTop(txtPass, 1700);
    setTop(txtPass2, boxOf(txtPass).height + 1700 + 60);
    setTop(cmdOK, boxOf(txtPass2).top + boxOf(txtPass2).height + 60);
    setTop(cmdCancel, boxOf(cmdOK).top);
    setTop(SkinLabel3, boxOf(txtPass2).top);
    SkinLabel3->setVisible(true);
    setTop(SkinLabel2, boxOf(txtPass).top);
    txtPass2->setVisible(true);
    setOuterHeight(boxOf(cmdOK).top + boxOf(cmdOK).height + 60 + 500);
}

void frmPass::layOutCheckMode() {
    setOuterHeight(1845);
    SkinLabel1->setText(QStringLiteral("Please enter your password"));
    setTop(txtPass, 360);
    setTop(cmdOK, 780);
    setTop(cmdCancel, 780);
    SkinLabel3->setVisible(false);
    setTop(SkinLabel2, boxOf(txtPass).top);
    txtPass2->setVisible(false);
}

void frmPass::cmdOK_Click() {
    if (store().state.CreatingPassword) {
        okCreate();
    } else {
        okCheck();
    }
}

void frmPass::okCreate() {
    const QString title = ProgramIdentity().ProductName;
    const QString typed = txtPass->text();
    if (typed.size() < 4) {
        showMessageOffTop(
            this, QStringLiteral("You must enter a password that is at least 4 characters long"),
            title, platform::Buttons::Ok);
        return;
    }
    // Line 1 is read only so far before a password is given.
    if (typed.size() > store::kMasterPasswordMaxLength) {
        showMessageOffTop(this,
                          QStringLiteral("The master password can be at most %1 characters long.")
                              .arg(store::kMasterPasswordMaxLength),
                          title, platform::Buttons::Ok);
        return;
    }
    if (txtPass2->text() != typed) {
        showMessageOffTop(this, QStringLiteral("Your passwords did not match.  Please try again."),
                          title, platform::Buttons::Ok);
        wipeBox(txtPass2);
        wipeBox(txtPass);
        return;
    }
    // The data file holds Windows-1252 text, and the character at byte 8D
    // would end the line: a password with either could not be read back.
    if (const QString bad = store::firstUnstorableCharacter(typed); !bad.isEmpty()) {
        const QString shown = bad == QString(QChar(0x008D)) ? QStringLiteral("U+008D") : bad;
        showMessageOffTop(this,
                          QStringLiteral("%1 cannot store the character \"%2\" in the master "
                                         "password.  Please choose a password without it.")
                              .arg(ProgramIdentity().ProductName, shown),
                          title, platform::Buttons::Ok);
        return;
    }
    store().state.MasterPassword = ownCopy(typed);
    Timer1->stop();
    if (steps_ == nullptr || !steps_->passwordCreated()) {
        // Nothing was written: the dialog stays as it was, ready for another try.
        store::wipe(store().state.MasterPassword);
        Timer1->start();
    }
}

void frmPass::okCheck() {
    if (steps_ != nullptr && !steps_->beforePasswordCheck()) {
        return;
    }
    if (store().sealedLock()) {
        checkSealed();
        return;
    }
    if (txtPass->text() == store().state.StoredPassword) {
        store().state.MasterPassword = ownCopy(store().state.StoredPassword);
        Timer1->stop();
        if (steps_ != nullptr) {
            steps_->passwordAccepted();
        }
        return;
    }
    wrongPassword();
}

void frmPass::checkSealed() {
    if (checking_) {
        return;
    }
    setChecking(true);
    // The password tried is held here alone, not shared with the box nor
    // copied with the work handed to the thread: a failed try wipes it.
    auto typed = std::make_shared<QString>(ownCopy(txtPass->text()));
    std::shared_ptr<const store::SealedLock> lock = store().sealedLock();
    runInBackground<store::SealedPasswordTry>(
        this, [lock, typed] { return store::trySealedPassword(*lock, *typed); },
        [this, typed](store::SealedPasswordTry&& tried) {
            if (tried.outcome != store::SealedPasswordTry::Outcome::Opens) {
                store::wipe(*typed);
            }
            switch (tried.outcome) {
            case store::SealedPasswordTry::Outcome::Opens:
                store().state.MasterPassword = std::move(*typed);
                Timer1->stop();
                store().acceptSeal(std::move(tried.seal));
                if (steps_ != nullptr) {
                    steps_->passwordAccepted();
                }
                setChecking(false);
                return;
            case store::SealedPasswordTry::Outcome::Wrong:
                setChecking(false);
                txtPass->setFocus();
                wrongPassword();
                return;
            default:
                setChecking(false);
                Timer1->stop();
                if (steps_ != nullptr) {
                    steps_->passwordTryFailed(tried.outcome);
                }
                return;
            }
        });
}

void frmPass::setChecking(bool checking) {
    if (checking == checking_) {
        return;
    }
    checking_ = checking;
    showPasswordCheck({cmdOK, cmdCancel, txtPass}, checking);
}

frmPass::~frmPass() {
    setChecking(false);
    // What the boxes still hold goes with them: the master password is a copy
    // of its own by now.
    wipeBox(txtPass);
    wipeBox(txtPass2);
}

void frmPass::wrongPassword() {
    auto& messages = *platform::services().messages;
    const platform::Answer answer =
        messages.show(this, QStringLiteral("Sorry, the password you entered was not correct."),
                      QStringLiteral("Incorrect Password"), platform::Buttons::RetryCancel);
    if (answer != platform::Answer::Retry) {
        endProgram();
        return;
    }
    PasswordTries += 1;
    if (PasswordTries == 3) {
        messages.show(this, QStringLiteral("Only 3 tries allowed.  Click Ok to close."),
                      ProgramIdentity().ProductName, platform::Buttons::Ok);
        endProgram();
        return;
    }
    wipeBox(txtPass);
}

void frmPass::cmdCancel_Click() {
    endProgram();
}

void frmPass::endProgram() {
    Timer1->stop();
    platform::endProgram();
}

void frmPass::Timer1_Timer() {
    if (auto* main = forms().mainWindow()) {
        main->setVisible(false);
    }
}

void frmPass::closeEvent(QCloseEvent* event) {
    event->accept();
    Timer1->stop();
    forms().forget(this);
    if (store().state.MasterPassword.isEmpty()) {
        platform::endProgram();
    }
}

} // namespace kestrune::ui
