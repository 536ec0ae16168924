#include "MainWindowTestUtil.h"
#include "support/WriteFailure.h"

#include "store/CredentialStore.h"
#include "ui/Forms.h"
#include "ui/Twips.h"
#include "ui/main/EntryHandOver.h"
#include "ui/main/Form1.h"
#include "ui/main/frmAdd.h"
#include "ui/main/modListViewEnh.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <QToolButton>
#include <sodium.h>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmAdd;

class tst_frmAdd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }
    void init() { fixture = std::make_unique<test::ProgramFixture>(); }
    void cleanup() { fixture.reset(); }

    void addModeStartsEmptyAndEditModeShowsTheRowInClear() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "s3cret", "mail"}});
        frmAdd* dialog = openAdd(main);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add an entry"));
        QVERIFY(dialog->txtUsername->text().isEmpty() && dialog->txtPassword->text().isEmpty() &&
                dialog->txtWebsite->text().isEmpty());
        dialog->cmdDelete->click();

        dialog = openEdit(main, 1);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit an entry"));
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("ann"));
        QCOMPARE(dialog->txtPassword->text(), QStringLiteral("s3cret"));
        QCOMPARE(dialog->txtPassword->echoMode(), QLineEdit::Normal);
        QCOMPARE(dialog->txtWebsite->text(), QStringLiteral("mail"));
    }

    void missingUsernameOrPasswordIsReportedAndTheTextsStay_data() {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "You must enter a username";
        QTest::newRow("username empty") << ""
                                        << "pw"
                                        << "You must enter a username";
        QTest::newRow("password empty") << "bob"
                                        << ""
                                        << "You must enter a password";
    }
    void missingUsernameOrPasswordIsReportedAndTheTextsStay() {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, message);
        Form1* main = test::loggedInMainWindow(*fixture, {});
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(username);
        dialog->txtPassword->setText(password);
        dialog->txtWebsite->setText(QStringLiteral("site"));
        dialog->cmdAdd->click();

        const auto& shown = fixture->fake->messages.shown;
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, message);
        QCOMPARE(shown[0].title, QStringLiteral("Error"));
        QCOMPARE(shown[0].buttons, platform::Buttons::Ok);
        QCOMPARE(shown[0].icon, platform::Icon::None);
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(dialog->txtWebsite->text(), QStringLiteral("site"));
        QCOMPARE(main->lstPass->rows().count(), qsizetype(0));
        QCOMPARE(fixture->readDataFile(), before);
    }

    void textsAreStoredAsTypedWithoutTrimming() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}});
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(QStringLiteral(" "));
        dialog->txtPassword->setText(QStringLiteral(" p\u00e9 \u20ac\u0160 "));
        dialog->cmdAdd->click(); // the website may be empty

        QVERIFY(!forms().isLoaded<frmAdd>());
        const std::vector<Entry> expected = {{"ann", "pw", "x"},
                                             {" ", QStringLiteral(" p\u00e9 \u20ac\u0160 "), ""}};
        QCOMPARE(test::shownRows(main), expected);
        QCOMPARE(fixture->readDataFile(), test::fileWith(expected));
        // The euro sign and S with caron are the bytes 80 and 8A in the file.
        QVERIFY(fixture->readDataFile().contains(QByteArray("\xa0\x00\x0a\xa0", 4)));
        QCOMPARE(main->statusText(), QStringLiteral("Added new entry.  Data saved."));
        // The new row is selected, so the commands act on it next.
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2));
    }

    void aSecondEntryWithTheSameUsernameIsAppended() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}});
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(QStringLiteral("ann"));
        dialog->txtPassword->setText(QStringLiteral("pw"));
        dialog->txtWebsite->setText(QStringLiteral("x"));
        dialog->cmdAdd->click();
        QCOMPARE(main->lstPass->rows().count(), qsizetype(2));
    }

    void enterSavesFromTheWebsiteBoxOnly() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(QStringLiteral("bob"));
        dialog->txtPassword->setText(QStringLiteral("pw"));
        QTest::keyClick(dialog->txtUsername, Qt::Key_Return);
        QTest::keyClick(dialog->txtPassword, Qt::Key_Return);
        QTest::keyClick(dialog->txtPassword, Qt::Key_Escape); // Esc does nothing either
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(main->lstPass->rows().count(), qsizetype(0));
        QVERIFY(fixture->fake->messages.shown.empty());

        QTest::keyClick(dialog->txtWebsite, Qt::Key_Return);
        QCOMPARE(main->lstPass->rows().count(), qsizetype(1));
        QVERIFY(!forms().isLoaded<frmAdd>());
    }

    // Enter on a focused button clicks it: Save saves, Cancel writes nothing.
    void enterOnAFocusedButtonClicksIt_data() {
        QTest::addColumn<bool>("onSave");
        QTest::newRow("Save") << true;
        QTest::newRow("Cancel") << false;
    }
    void enterOnAFocusedButtonClicksIt() {
        QFETCH(bool, onSave);
        Form1* main = test::loggedInMainWindow(*fixture, {});
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(QStringLiteral("bob"));
        dialog->txtPassword->setText(QStringLiteral("pw"));
        QTest::keyClick(onSave ? dialog->cmdAdd : dialog->cmdDelete, Qt::Key_Return);
        QVERIFY(!forms().isLoaded<frmAdd>());
        QCOMPARE(main->lstPass->rows().count(), qsizetype(onSave ? 1 : 0));
        QCOMPARE(fixture->readDataFile() != before, onSave);
    }

    void enterInTheWebsiteBoxChecksTheUsernameFirst() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        frmAdd* dialog = openAdd(main);
        dialog->txtPassword->setText(QStringLiteral("pw"));
        QTest::keyClick(dialog->txtWebsite, Qt::Key_Enter);
        QCOMPARE(fixture->fake->messages.shown.size(), std::size_t(1));
        QCOMPARE(fixture->fake->messages.shown[0].text,
                 QStringLiteral("You must enter a username"));
    }

    void cancelWritesNothing() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}});
        main->StatusMessage(QStringLiteral("before"));
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openEdit(main, 1);
        dialog->txtUsername->setText(QStringLiteral("changed"));
        dialog->cmdDelete->click();
        QVERIFY(!forms().isLoaded<frmAdd>());
        QCOMPARE(test::shownRows(main), std::vector<Entry>({{"ann", "pw", "x"}}));
        QCOMPARE(fixture->readDataFile(), before);
        QCOMPARE(main->statusText(), QStringLiteral("before"));
    }

    void editWithoutChangesRewritesTheSameRow() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}, {"bob", "pw2", ""}});
        openEdit(main, 2)->cmdAdd->click();
        QCOMPARE(test::shownRows(main),
                 std::vector<Entry>({{"ann", "pw", "x"}, {"bob", "pw2", ""}}));
        QCOMPARE(main->statusText(), QStringLiteral("Added new entry.  Data saved."));
    }

    void editAfterAResortChangesTheEntryThatWasOpened() {
        Form1* main = test::loggedInMainWindow(
            *fixture, {{"carl", "p1", "a"}, {"ann", "p2", "b"}, {"bob", "p3", "c"}});
        frmAdd* dialog = openEdit(main, 1);                             // carl
        QVERIFY(ui::EnhListView_SortColumns(*main->lstPass, 1, false)); // ann, bob, carl reversed
        QCOMPARE(main->lstPass->rows().text(1), QStringLiteral("carl"));
        QVERIFY(ui::EnhListView_SortColumns(*main->lstPass, 1, false)); // ann, bob, carl
        dialog->txtPassword->setText(QStringLiteral("new"));
        dialog->cmdAdd->click();
        QCOMPARE(
            test::shownRows(main),
            std::vector<Entry>({{"ann", "p2", "b"}, {"bob", "p3", "c"}, {"carl", "new", "a"}}));
        QCOMPARE(fixture->readDataFile(), test::fileWith(test::shownRows(main)));
    }

    void editAfterADeleteOfAnotherRowChangesTheEntryThatWasOpened() {
        Form1* main = test::loggedInMainWindow(
            *fixture, {{"ann", "p1", "a"}, {"bob", "p2", "b"}, {"carl", "p3", "c"}});
        frmAdd* dialog = openEdit(main, 3); // carl
        main->lstPass->selectRow(1);
        main->commands().Delete(); // answered Ok
        dialog->txtPassword->setText(QStringLiteral("new"));
        dialog->cmdAdd->click();
        QCOMPARE(test::shownRows(main),
                 std::vector<Entry>({{"bob", "p2", "b"}, {"carl", "new", "c"}}));
    }

    void editOfADeletedRowIsRefusedAndTheDialogStays() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "p1", "a"}, {"bob", "p2", "b"}});
        frmAdd* dialog = openEdit(main, 1);
        main->lstPass->selectRow(1);
        main->commands().Delete();
        const QByteArray afterDelete = fixture->readDataFile();
        fixture->fake->messages.shown.clear();
        dialog->txtPassword->setText(QStringLiteral("new"));
        dialog->cmdAdd->click();

        QCOMPARE(fixture->fake->messages.shown.size(), std::size_t(1));
        QCOMPARE(fixture->fake->messages.shown[0].title, QStringLiteral("Error"));
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(dialog->txtPassword->text(), QStringLiteral("new"));
        QCOMPARE(test::shownRows(main), std::vector<Entry>({{"bob", "p2", "b"}}));
        QCOMPARE(fixture->readDataFile(), afterDelete);
    }

    void anotherAddOrEditWhileOpenLeavesTheDialogAsItIs() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "p1", "a"}, {"bob", "p2", "b"}});
        frmAdd* dialog = openEdit(main, 1);
        dialog->txtPassword->setText(QStringLiteral("typed"));
        main->commands().Add();
        QCOMPARE(forms().find<frmAdd>(), dialog);
        main->lstPass->selectRow(2);
        main->commands().Edit();
        QCOMPARE(forms().find<frmAdd>(), dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit an entry"));
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("ann"));
        QCOMPARE(dialog->txtPassword->text(), QStringLiteral("typed"));
        // Save still edits the entry that was opened, not bob, and adds nothing.
        dialog->cmdAdd->click();
        QCOMPARE(test::shownRows(main),
                 std::vector<Entry>({{"ann", "typed", "a"}, {"bob", "p2", "b"}}));
    }

    void textsTheFileCannotHoldAreRefused_data() {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("website");
        QTest::addColumn<QString>("message");
        const QString sep = QStringLiteral(
            "cannot contain \"|||\": Kestrune uses it to separate the parts of an entry in its "
            "data file.");
        const QString bar = QStringLiteral(
            "cannot end with \"|\": Kestrune could not tell it apart from the separator that "
            "follows it in its data file.");
        QTest::newRow("separator in the username") << "a|||b"
                                                   << "pw"
                                                   << ""
                                                   << "The username " + sep;
        QTest::newRow("separator in the website") << "a"
                                                  << "pw"
                                                  << "x|||y"
                                                  << "The website " + sep;
        QTest::newRow("username ending in a bar") << "a|"
                                                  << "pw"
                                                  << ""
                                                  << "The username " + bar;
        QTest::newRow("password ending in a bar") << "a"
                                                  << "p||"
                                                  << ""
                                                  << "The password " + bar;
        QTest::newRow("outside Windows-1252")
            << "a"
            << "pw" << QStringLiteral("\u03a9")
            << QStringLiteral(
                   "Kestrune cannot store the character \"\u03a9\" in the website.  Please remove "
                   "it.");
        QTest::newRow("code 141") << "a" << QStringLiteral("p\u008dw") << ""
                                  << QStringLiteral("Kestrune cannot store the character "
                                                    "\"\u008d\" in the password.  Please remove "
                                                    "it.");
    }
    void textsTheFileCannotHoldAreRefused() {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, website);
        QFETCH(QString, message);
        Form1* main = test::loggedInMainWindow(*fixture, {});
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(username);
        dialog->txtPassword->setText(password);
        dialog->txtWebsite->setText(website);
        dialog->cmdAdd->click();
        QCOMPARE(fixture->fake->messages.shown.size(), std::size_t(1));
        QCOMPARE(fixture->fake->messages.shown[0].text, message);
        QCOMPARE(fixture->fake->messages.shown[0].title, QStringLiteral("Error"));
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(dialog->txtUsername->text(), username);
        QCOMPARE(main->lstPass->rows().count(), qsizetype(0));
        QCOMPARE(fixture->readDataFile(), before);
    }

    void barsThatTheFileCanHoldAreAccepted() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        frmAdd* dialog = openAdd(main);
        dialog->txtUsername->setText(QStringLiteral("|a||b"));
        dialog->txtPassword->setText(QStringLiteral("||p"));
        dialog->txtWebsite->setText(QStringLiteral("||x|"));
        dialog->cmdAdd->click();
        QVERIFY(fixture->fake->messages.shown.empty());
        // What was written reads back as typed.
        const std::vector<Entry> back = store::entriesOf(fixture->readDataFile());
        QCOMPARE(back, std::vector<Entry>({{"|a||b", "||p", "||x|"}}));
    }

    // A save that fails, on a full disk or with a folder where data.enc
    // belongs, tells the user why and leaves everything as it was before the
    // click: the file, the rows in their order, the selection, the status line;
    // the dialog stays with what was typed.
    void aFailedSaveUndoesTheChangeAndKeepsTheDialog_data() {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<int>("failure");
        for (const auto& [name, failure] : test::writeFailures()) {
            QTest::addRow("add, %s", name) << false << false << int(failure);
            QTest::addRow("edit, %s", name) << true << false << int(failure);
            QTest::addRow("add to a sorted list, %s", name) << false << true << int(failure);
            QTest::addRow("edit in a sorted list, %s", name) << true << true << int(failure);
        }
    }
    void aFailedSaveUndoesTheChangeAndKeepsTheDialog() {
        QFETCH(bool, edit);
        QFETCH(bool, sorted);
        QFETCH(int, failure);
        const auto how = test::WriteFailure(failure);
        // Two rows with the same username: sorted by username, a row that
        // moved away and came back could land behind its twin.
        const std::vector<Entry> entries = {
            {"bob", "p1", "a"}, {"bob", "p2", "b"}, {"carl", "p3", "c"}};
        Form1* main = test::loggedInMainWindow(*fixture, entries);
        if (sorted) {
            main->lstPass->rows().sortBy(0, 0);
        }
        main->StatusMessage(QStringLiteral("before"));
        frmAdd* dialog = edit ? openEdit(main, 1) : openAdd(main);
        main->lstPass->selectRow(edit ? 1 : 2);
        const QByteArray before = fixture->readDataFile();
        dialog->txtUsername->setText(QStringLiteral("zed"));
        dialog->txtPassword->setText(QStringLiteral("pz"));
        QVERIFY(
            test::runWhileWritesFail(how, fixture->dataFile(), [&] { dialog->cmdAdd->click(); }));

        QCOMPARE(test::shownRows(main), entries);
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(edit ? 1 : 2));
        const QString file = test::untouchedFileProblem(fixture->dataFile(), how, before);
        QVERIFY2(file.isEmpty(), qPrintable(file));
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("zed"));
        QCOMPARE(fixture->fake->messages.shown.size(), std::size_t(1));
        const QString text = fixture->fake->messages.shown[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("Kestrune could not save your entries.")),
                 qPrintable(text));
        const QString message = test::failureMessageProblem(text, fixture->dataFile(), how);
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QCOMPARE(main->statusText(), QStringLiteral("before"));

        // Once the file can be written again, the same click saves.
        if (how == test::WriteFailure::FolderAtThePath) {
            QVERIFY(QDir(fixture->dataFile()).removeRecursively());
        }
        dialog->cmdAdd->click();
        QVERIFY(!forms().isLoaded<frmAdd>());
        QCOMPARE(fixture->readDataFile(), test::fileWith(test::shownRows(main)));
        QCOMPARE(main->lstPass->rows().count(), qsizetype(edit ? 3 : 4));
    }

    // Generate, between Save and Cancel and after Save in the tab order,
    // fills the password box with a new password; nothing is saved until Save.
    void generateFillsThePasswordBoxAndOnlySaveStoresIt() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openAdd(main);
        QCOMPARE(dialog->cmdGenerate->text(), QStringLiteral("Generate"));
        QVERIFY(!dialog->cmdGenerate->icon().isNull());
        QCOMPARE(dialog->cmdGenerate->geometry(), ui::twipsRect(1770, 1500, 1155, 1035));
        QCOMPARE(dialog->cmdGenerate->geometry().size(), dialog->cmdAdd->size());
        QCOMPARE(nextTabStop(dialog->cmdAdd), dialog->cmdGenerate);
        QCOMPARE(nextTabStop(dialog->cmdGenerate), dialog->txtUsername);

        dialog->txtUsername->setText(QStringLiteral("dave"));
        dialog->txtPassword->setText(QStringLiteral("typed"));
        dialog->cmdGenerate->click();
        const QString first = dialog->txtPassword->text();
        QCOMPARE(first.size(), qsizetype(20));
        QCOMPARE(dialog->txtPassword->echoMode(), QLineEdit::Normal);
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(dialog->txtUsername, Qt::Key_G, Qt::ControlModifier);
        const QString second = dialog->txtPassword->text();
        QCOMPARE(second.size(), qsizetype(20));
        QVERIFY(second != first);
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("dave"));
        QCOMPARE(fixture->readDataFile(), before);
        QVERIFY(fixture->fake->messages.shown.empty());

        dialog->cmdAdd->click();
        QCOMPARE(fixture->readDataFile(), test::fileWith({{"dave", second, ""}}));
    }

private:
    // The control that Tab moves the focus to from `from`.
    static QWidget* nextTabStop(QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus)) {
            next = next->nextInFocusChain();
        }
        return next;
    }
    frmAdd* openAdd(Form1* main) {
        main->commands().Add();
        auto* dialog = forms().find<frmAdd>();
        return dialog;
    }
    frmAdd* openEdit(Form1* main, qsizetype row) {
        main->lstPass->selectRow(row);
        main->commands().Edit();
        return forms().find<frmAdd>();
    }

    std::unique_ptr<test::ProgramFixture> fixture;
};

QTEST_MAIN(tst_frmAdd)
#include "tst_frmAdd.moc"
