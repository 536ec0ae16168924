#include "dialogs/frmPass.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/SealedFileMemory.h"
#include "store/SealedWriter.h"
#include "support/WindowTestBase.h"
#include "support/WriteFailure.h"
#include "widgets/Forms.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::platform::Answer;
using kestrune::ui::forms;
using kestrune::ui::frmPass;

namespace {
const QString kTooShort = u"You must enter a password that is at least 4 characters long"_s;
const QString kMismatch = u"Your passwords did not match.  Please try again."_s;
const QString kWrong = u"Sorry, the password you entered was not correct."_s;
const QByteArray kTwoEntries = test::encoded("Secret1") + "\r\n" +
                               test::encoded("alice|||pw1|||www.one.example") + "\r\n" +
                               test::encoded("bob|||pw2|||") + "\r\n\r\n";
} // namespace

class tst_frmPass : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void createModeLayout() {
        frmPass* dialog = start();
        QVERIFY(store::credentialStore().state.CreatingPassword);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Password Required"));
        QVERIFY(dialog->SkinLabel1->text().startsWith(QStringLiteral(
            "Because this is the first time you have used Kestrune, you will need to "
            "create a master password.  This password will be required to open the "
            "program from now on, and can not be reset.")));
        QVERIFY(dialog->SkinLabel1->text().endsWith(
            QStringLiteral("\n\nPlease enter a password that you will not forget.")));
        QCOMPARE(dialog->boxOf(dialog->SkinLabel1).height, 1500);
        QCOMPARE(dialog->boxOf(dialog->txtPass).top, 1700);
        QCOMPARE(dialog->boxOf(dialog->txtPass2).top, 2075);
        QCOMPARE(dialog->boxOf(dialog->cmdOK).top, 2450);
        QCOMPARE(dialog->boxOf(dialog->cmdCancel).top, 2450);
        QCOMPARE(dialog->boxOf(dialog->SkinLabel3).top, 2075);
        QCOMPARE(dialog->boxOf(dialog->SkinLabel2).top, 1700);
        QCOMPARE(dialog->outerHeightTwips(), 3505);
        QVERIFY(dialog->txtPass2->isVisible());
        QVERIFY(dialog->SkinLabel3->isVisible());
        QCOMPARE(dialog->txtPass->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog->txtPass2->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog->PasswordTries, 0);
        // Topmost from its load; the main window stays hidden.
        QVERIFY(!fake().onTop.calls.empty());
        QCOMPARE(fake().onTop.calls.back(), std::make_pair(static_cast<QWidget*>(dialog), true));
        QVERIFY(mainWindow()->isHidden());
    }

    void checkModeLayout() {
        fixture->writeDataFile(kTwoEntries);
        frmPass* dialog = start();
        QVERIFY(!store::credentialStore().state.CreatingPassword);
        QCOMPARE(store::credentialStore().state.StoredPassword, QStringLiteral("Secret1"));
        QCOMPARE(dialog->SkinLabel1->text(), QStringLiteral("Please enter your password"));
        QCOMPARE(dialog->outerHeightTwips(), 1845);
        QCOMPARE(dialog->boxOf(dialog->txtPass).top, 360);
        QCOMPARE(dialog->boxOf(dialog->SkinLabel2).top, 360);
        QCOMPARE(dialog->boxOf(dialog->cmdOK).top, 780);
        QCOMPARE(dialog->boxOf(dialog->cmdCancel).top, 780);
        QVERIFY(dialog->txtPass2->isHidden());
        QVERIFY(dialog->SkinLabel3->isHidden());
    }

    void createModeRefusesShortMismatchedAndCaseDifferentPasswords() {
        frmPass* dialog = start();
        type(dialog->txtPass, "abc");
        type(dialog->txtPass2, "abc");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        expectOneMessage(kTooShort, u"Kestrune"_s, platform::Buttons::Ok, platform::Icon::None);
        QCOMPARE(dialog->txtPass->text(), QStringLiteral("abc"));
        QCOMPARE(dialog->txtPass2->text(), QStringLiteral("abc"));
        // Released from the top band while the message shows, then back.
        const auto& onTop = fake().onTop.calls;
        QCOMPARE(onTop[onTop.size() - 2].second, false);
        QCOMPARE(onTop.back().second, true);

        type(dialog->txtPass, "Abcd");
        type(dialog->txtPass2, "abcd");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        expectOneMessage(kMismatch, u"Kestrune"_s, platform::Buttons::Ok, platform::Icon::None);
        QCOMPARE(dialog->txtPass->text(), QString());
        QCOMPARE(dialog->txtPass2->text(), QString());

        // Enter in the first box while the second is still empty: a mismatch.
        type(dialog->txtPass, "Abcd");
        QTest::keyClick(dialog->txtPass, Qt::Key_Return);
        expectOneMessage(kMismatch, u"Kestrune"_s, platform::Buttons::Ok, platform::Icon::None);

        QCOMPARE(fixture->readDataFile(), QByteArray("\r\n"));
        QCOMPARE(fake().exit.calls, 0);
        QVERIFY(forms().isLoaded<frmPass>());
    }

    void createModeAcceptsFourCharactersAndWritesOnlyThePasswordLine() {
        fixture->writeDataFile("\r\n" + test::encoded("old|||line|||x") + "\r\n");
        frmPass* dialog = start();
        type(dialog->txtPass, "Ab d");
        type(dialog->txtPass2, "Ab d");
        test::runInEventLoop([&] { QTest::keyClick(dialog->txtPass2, Qt::Key_Enter); });
        expectNoMessage();
        QCOMPARE(fixture->readDataFile(), test::encoded("Ab d") + "\r\n");
        QCOMPARE(store::credentialStore().state.MasterPassword, QStringLiteral("Ab d"));
        QVERIFY(!forms().isLoaded<frmPass>());
        QVERIFY(mainWindow()->isVisible());
        QCOMPARE(mainWindow()->statusText(), QStringLiteral("Password created successfully"));
        QCOMPARE(mainWindow()->lstPass->rows().count(), 0);
        QCOMPARE(fake().exit.calls, 0);
    }

    // Qt's line edit would cut a pasted text at 32,767 characters: the owner of
    // a longer master password could never log in again.
    void aPasswordLongerThan32767CharactersIsKeptWhole_data() {
        QTest::addColumn<bool>("creating");
        QTest::newRow("create") << true;
        QTest::newRow("check") << false;
    }
    void aPasswordLongerThan32767CharactersIsKeptWhole() {
        QFETCH(bool, creating);
        QByteArray password;
        for (int i = 0; password.size() < 40000; ++i) {
            password += QByteArray::number(i) + ' ';
        }
        password.truncate(40000);
        const QByteArray firstLine = test::encoded(password) + "\r\n";
        if (!creating) {
            fixture->writeDataFile(firstLine + "\r\n");
        }
        frmPass* dialog = start();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(password));
        for (QLineEdit* box : {dialog->txtPass, dialog->txtPass2}) {
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text().size(), 40000);
            if (!creating) {
                break;
            }
        }
        test::runInEventLoop([&] { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); });
        expectNoMessage();
        QCOMPARE(mainWindow()->statusText(), creating
                                                 ? QStringLiteral("Password created successfully")
                                                 : QStringLiteral("Loaded 0 entries"));
        QCOMPARE(fixture->readDataFile().left(firstLine.size()), firstLine);
    }

    void createModeRefusesPasswordsTheFileCannotHold_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("character"); // as the message names it
        QTest::newRow("outside Windows-1252") << u"pass\u03A9word"_s << u"\u03A9"_s;
        QTest::newRow("emoji") << u"pass\U0001F511"_s << u"\U0001F511"_s;
        QTest::newRow("encodes to CR") << u"pa\u008Dss"_s << u"U+008D"_s;
    }
    void createModeRefusesPasswordsTheFileCannotHold() {
        QFETCH(QString, password);
        QFETCH(QString, character);
        frmPass* dialog = start();
        dialog->txtPass->setText(password);
        dialog->txtPass2->setText(password);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        expectOneMessage(u"Kestrune cannot store the character \""_s + character +
                             u"\" in the master password.  Please choose a password without it."_s,
                         u"Kestrune"_s, platform::Buttons::Ok, platform::Icon::None);
        QCOMPARE(dialog->txtPass->text(), password);
        QCOMPARE(dialog->txtPass2->text(), password);
        QCOMPARE(fixture->readDataFile(), QByteArray("\r\n"));
        QVERIFY(store::credentialStore().state.MasterPassword.isEmpty());
    }

    void createModeKeepsTheDialogWhenTheFileCannotBeWritten_data() {
        QTest::addColumn<int>("failure");
        for (const auto& [name, failure] : test::writeFailures()) {
            QTest::newRow(name) << int(failure);
        }
    }
    void createModeKeepsTheDialogWhenTheFileCannotBeWritten() {
        QFETCH(int, failure);
        const auto how = test::WriteFailure(failure);
        frmPass* dialog = start();
        const QByteArray before = fixture->readDataFile();
        type(dialog->txtPass, "Secret1");
        type(dialog->txtPass2, "Secret1");
        QVERIFY(test::runWhileWritesFail(
            how, fixture->dataFile(), [&] { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); }));
        expectFileFailure(u"Kestrune could not save the master password.  Nothing has been "
                          u"changed; please try again."_s,
                          how, before);
        QVERIFY(forms().isLoaded<frmPass>());
        QVERIFY(dialog->Timer1->isActive());
        QCOMPARE(dialog->txtPass->text(), QStringLiteral("Secret1"));
        QVERIFY(store::credentialStore().state.MasterPassword.isEmpty());
        QVERIFY(mainWindow()->isHidden());
        QVERIFY(mainWindow()->statusText().isEmpty());
        QCOMPARE(fake().exit.calls, 0);
    }

    void checkModeAcceptsTheExactPasswordAndLoadsTheEntries() {
        fixture->writeDataFile(kTwoEntries);
        frmPass* dialog = start();
        type(dialog->txtPass, "Secret1");
        test::runInEventLoop([&] { QTest::keyClick(dialog->txtPass, Qt::Key_Return); });
        QVERIFY(!forms().isLoaded<frmPass>());
        QVERIFY(mainWindow()->isVisible());
        QCOMPARE(mainWindow()->statusText(), QStringLiteral("Loaded 2 entries"));
        const auto& rows = mainWindow()->lstPass->rows();
        QCOMPARE(rows.count(), 2);
        QCOMPARE(rows.text(1), QStringLiteral("alice"));
        QCOMPARE(rows.subItem(1, 1), QStringLiteral("pw1"));
        QCOMPARE(rows.subItem(1, 2), QStringLiteral("www.one.example"));
        QCOMPARE(rows.text(2), QStringLiteral("bob"));
        QCOMPARE(rows.subItem(2, 2), QString());
        QCOMPARE(fixture->readDataFile(), kTwoEntries);
        QCOMPARE(fake().exit.calls, 0);
    }

    void checkModeWrongPasswords_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letter case differs") << QStringLiteral("secret1");
        QTest::newRow("empty") << QString();
        QTest::newRow("trailing blank") << QStringLiteral("Secret1 ");
    }
    void checkModeWrongPasswords() {
        QFETCH(QString, typed);
        fixture->writeDataFile(kTwoEntries);
        frmPass* dialog = start();
        dialog->txtPass->setText(typed);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        expectOneMessage(kWrong, u"Incorrect Password"_s, platform::Buttons::RetryCancel,
                         platform::Icon::None);
        QCOMPARE(dialog->PasswordTries, 1);
        QCOMPARE(dialog->txtPass->text(), QString());
        QCOMPARE(mainWindow()->lstPass->rows().count(), 0);
    }

    void threeWrongPasswordsWithRetryEndTheProgram() {
        fixture->writeDataFile(kTwoEntries);
        frmPass* dialog = start();
        for (int attempt = 1; attempt <= 2; ++attempt) {
            type(dialog->txtPass, "wrong");
            QTest::keyClick(dialog->txtPass, Qt::Key_Return);
            QCOMPARE(dialog->PasswordTries, attempt);
            QCOMPARE(dialog->txtPass->text(), QString()); // emptied; the dialog waits
            QCOMPARE(fake().exit.calls, 0);
            QVERIFY(dialog->Timer1->isActive());
            expectOneMessage(kWrong, u"Incorrect Password"_s, platform::Buttons::RetryCancel,
                             platform::Icon::None);
        }
        type(dialog->txtPass, "wrong");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        expectMessages({{kWrong, u"Incorrect Password"_s, platform::Buttons::RetryCancel,
                         platform::Icon::None},
                        {u"Only 3 tries allowed.  Click Ok to close."_s, u"Kestrune"_s,
                         platform::Buttons::Ok, platform::Icon::None}});
        QCOMPARE(fake().exit.calls, 1);
        QVERIFY(!dialog->Timer1->isActive());
        QCOMPARE(fixture->readDataFile(), kTwoEntries);
    }

    void cancelInTheWrongPasswordMessageEndsTheProgramAtOnce_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel") << int(Answer::Cancel);
        QTest::newRow("box closed") << int(Answer::Closed);
    }
    void cancelInTheWrongPasswordMessageEndsTheProgramAtOnce() {
        QFETCH(int, answer);
        fixture->writeDataFile(kTwoEntries);
        frmPass* dialog = start();
        fake().messages.answers.push_back(Answer(answer));
        type(dialog->txtPass, "wrong");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        // No limit message.
        expectOneMessage(kWrong, u"Incorrect Password"_s, platform::Buttons::RetryCancel,
                         platform::Icon::None);
        QCOMPARE(fake().exit.calls, 1);
        QCOMPARE(fixture->readDataFile(), kTwoEntries);
    }

    void cancelAndTheCloseBoxEndTheProgramWithNothingWritten_data() {
        QTest::addColumn<bool>("creating");
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("create mode, Cancel") << true << false;
        QTest::newRow("create mode, close box") << true << true;
        QTest::newRow("check mode, Cancel") << false << false;
        QTest::newRow("check mode, close box") << false << true;
    }
    void cancelAndTheCloseBoxEndTheProgramWithNothingWritten() {
        QFETCH(bool, creating);
        QFETCH(bool, closeBox);
        if (!creating) {
            fixture->writeDataFile(kTwoEntries);
        }
        const QByteArray before = creating ? QByteArray("\r\n") : kTwoEntries;
        frmPass* dialog = start();
        type(dialog->txtPass, "Secret1");
        if (closeBox) {
            dialog->close();
        } else {
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        }
        QCOMPARE(fake().exit.calls, 1);
        QCOMPARE(fixture->readDataFile(), before);
        QVERIFY(store::credentialStore().state.MasterPassword.isEmpty());
    }

    // Enter on a focused button clicks it; neither is a default button.
    void enterOnAFocusedButtonClicksIt_data() {
        QTest::addColumn<bool>("onCancel");
        QTest::addColumn<int>("key");
        QTest::newRow("Ok, Return") << false << int(Qt::Key_Return);
        QTest::newRow("Ok, keypad Enter") << false << int(Qt::Key_Enter);
        QTest::newRow("Cancel, Return") << true << int(Qt::Key_Return);
    }
    void enterOnAFocusedButtonClicksIt() {
        QFETCH(bool, onCancel);
        QFETCH(int, key);
        frmPass* dialog = start();
        type(dialog->txtPass, "abc");
        QTest::keyClick(onCancel ? dialog->cmdCancel : dialog->cmdOK, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(fake().exit.calls, onCancel ? 1 : 0);
        if (onCancel) {
            expectNoMessage();
        } else {
            expectOneMessage(kTooShort, u"Kestrune"_s, platform::Buttons::Ok, platform::Icon::None);
        }
    }

    void escapeDoesNothing() {
        frmPass* dialog = start();
        QTest::keyClick(dialog->txtPass, Qt::Key_Escape);
        QCOMPARE(fake().exit.calls, 0);
        QVERIFY(forms().isLoaded<frmPass>());
    }

    void timerKeepsTheMainWindowHidden() {
        frmPass* dialog = start();
        QCOMPARE(dialog->Timer1->interval(), 100);
        QVERIFY(dialog->Timer1->isActive());
        mainWindow()->QMainWindow::setVisible(true);
        dialog->Timer1_Timer();
        QVERIFY(mainWindow()->isHidden());
        // Nor can it be shown while the dialog waits.
        mainWindow()->show();
        QVERIFY(mainWindow()->isHidden());
    }

    // A sealed file: the typed password is tried on a thread of its own while
    // the dialog keeps painting, its buttons and box disabled under a wait
    // cursor. A wrong one is a wrong try, as for a written file; the right
    // one loads the entries.
    void aSealedFileHasItsPasswordTriedOffTheUserInterfaceThread() {
        fixture->writeDataFile(store::sealedFile(
            store::makeSeal(QStringLiteral("Secret1"), store::lowestKeyLimits()).value(),
            kTwoEntries));
        QPointer<frmPass> dialog = start();
        QVERIFY(!store::credentialStore().state.CreatingPassword);
        QCOMPARE(dialog->outerHeightTwips(), 1845);
        const auto& shown = fixture->fake->messages.shown;

        type(dialog->txtPass, "secret1");
        QTest::keyClick(dialog->txtPass, Qt::Key_Return);
        QVERIFY(dialog->isChecking());
        QVERIFY(!dialog->cmdOK->isEnabled() && !dialog->cmdCancel->isEnabled() &&
                !dialog->txtPass->isEnabled());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(shown.empty());
        QTRY_VERIFY(!dialog->isChecking());
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("Sorry, the password you entered was not correct."));
        QCOMPARE(shown[0].buttons, platform::Buttons::RetryCancel);
        QCOMPARE(dialog->PasswordTries, 1);
        QCOMPARE(dialog->txtPass->text(), QString());
        QVERIFY(dialog->cmdOK->isEnabled() && dialog->txtPass->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        type(dialog->txtPass, "Secret1");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(!forms().isLoaded<frmPass>());
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY(mainWindow()->isVisible());
        QCOMPARE(mainWindow()->statusText(), QStringLiteral("Loaded 2 entries"));
        QCOMPARE(mainWindow()->lstPass->rows().count(), 2);
        QCOMPARE(mainWindow()->lstPass->rows().subItem(1, 1), QStringLiteral("pw1"));
        QVERIFY(store::credentialStore().isSealed());
        QVERIFY(store::wasSealed(u"Kestrune"_s, fixture->dataFile())); // for the next login
        QVERIFY(!mainWindow()->mnuEncrypt->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(fixture->fake->exit.calls, 0);
    }

private:
    frmPass* start() {
        forms().load<ui::Form1>();
        // A sealed file is checked whole on a thread of its own first.
        const bool opened = QTest::qWaitFor([] { return forms().find<frmPass>() != nullptr; });
        Q_ASSERT(opened);
        Q_UNUSED(opened);
        auto* dialog = forms().find<frmPass>();
        Q_ASSERT(dialog != nullptr);
        return dialog;
    }
    static ui::Form1* mainWindow() { return forms().find<ui::Form1>(); }
    static void type(QLineEdit* box, const char* text) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(text));
    }
};

QTEST_MAIN(tst_frmPass)
#include "tst_frmPass.moc"
