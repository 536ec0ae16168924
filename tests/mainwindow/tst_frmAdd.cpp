#include "support/MainWindowTestUtil.h"

#include "mainwindow/Form1.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/modListViewEnh.h"
#include "store/CredentialStore.h"
#include "widgets/Forms.h"
#include "widgets/Twips.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <QToolButton>
#include <sodium.h>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmAdd;

class tst_frmAdd : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }

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

    // Whatever the dialog accepts is appended, saved and selected, exactly as
    // typed.
    void anAcceptedEntryIsAppendedSavedAndSelected_data() {
        QTest::addColumn<Entry>("typed");
        QTest::addColumn<QByteArray>("inTheFile"); // bytes the file must hold
        // The website may be empty. The euro sign and S with caron are the
        // bytes 80 and 8A in the file.
        QTest::newRow("texts as typed, without trimming")
            << Entry{" ", u" p\u00e9 \u20ac\u0160 "_s, {}} << QByteArray("\xa0\x00\x0a\xa0", 4);
        QTest::newRow("same username again") << Entry{"ann", "pw", "x"} << QByteArray();
        QTest::newRow("bars the file can hold") << Entry{"|a||b", "||p", "||x|"} << QByteArray();
    }
    void anAcceptedEntryIsAppendedSavedAndSelected() {
        QFETCH(Entry, typed);
        QFETCH(QByteArray, inTheFile);
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}});
        frmAdd* dialog = openAdd(main);
        type(dialog, typed);
        dialog->cmdAdd->click();

        expectNoMessage();
        QVERIFY(!forms().isLoaded<frmAdd>());
        const std::vector<Entry> expected = {{"ann", "pw", "x"}, typed};
        QCOMPARE(test::shownRows(main), expected);
        QCOMPARE(fixture->readDataFile(), test::fileWith(expected));
        // What was written reads back as typed.
        QCOMPARE(store::entriesOf(fixture->readDataFile()), expected);
        QVERIFY(fixture->readDataFile().contains(inTheFile));
        QCOMPARE(main->statusText(), QStringLiteral("Added new entry.  Data saved."));
        // The new row is selected, so the commands act on it next.
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2));
    }

    // A missing username or password, or a text the file could not hold, is
    // refused with a message; the dialog keeps the texts and nothing changes.
    void aRefusedEntryKeepsTheDialogAndChangesNothing_data() {
        QTest::addColumn<Entry>("typed");
        QTest::addColumn<QString>("message");
        const QString username = u"You must enter a username"_s;
        QTest::newRow("both empty") << Entry{{}, {}, "site"} << username;
        QTest::newRow("username empty") << Entry{{}, "pw", "site"} << username;
        QTest::newRow("password empty")
            << Entry{"bob", {}, "site"} << u"You must enter a password"_s;
        const QString sep = u"cannot contain \"|||\": Kestrune uses it to separate the parts of "
                            u"an entry in its data file."_s;
        const QString bar = u"cannot end with \"|\": Kestrune could not tell it apart from the "
                            u"separator that follows it in its data file."_s;
        QTest::newRow("separator in the username")
            << Entry{"a|||b", "pw", {}} << u"The username "_s + sep;
        QTest::newRow("separator in the website")
            << Entry{"a", "pw", "x|||y"} << u"The website "_s + sep;
        QTest::newRow("username ending in a bar")
            << Entry{"a|", "pw", {}} << u"The username "_s + bar;
        QTest::newRow("password ending in a bar")
            << Entry{"a", "p||", {}} << u"The password "_s + bar;
        QTest::newRow("outside Windows-1252")
            << Entry{"a", "pw", u"\u03a9"_s}
            << u"Kestrune cannot store the character \"\u03a9\" in the website.  Please remove "
               u"it."_s;
        QTest::newRow("code 141")
            << Entry{"a", u"p\u008dw"_s, {}}
            << u"Kestrune cannot store the character \"\u008d\" in the password.  Please remove "
               u"it."_s;
    }
    void aRefusedEntryKeepsTheDialogAndChangesNothing() {
        QFETCH(Entry, typed);
        QFETCH(QString, message);
        Form1* main = test::loggedInMainWindow(*fixture, {});
        const QByteArray before = fixture->readDataFile();
        frmAdd* dialog = openAdd(main);
        type(dialog, typed);
        dialog->cmdAdd->click();

        expectOneMessage(message, u"Error"_s, platform::Buttons::Ok, platform::Icon::None);
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(Entry({dialog->txtUsername->text(), dialog->txtPassword->text(),
                        dialog->txtWebsite->text()}),
                 typed);
        QCOMPARE(main->lstPass->rows().count(), qsizetype(0));
        QCOMPARE(fixture->readDataFile(), before);
    }

    void enterSavesFromTheWebsiteBoxOnly() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        frmAdd* dialog = openAdd(main);
        type(dialog, {"bob", "pw", {}});
        QTest::keyClick(dialog->txtUsername, Qt::Key_Return);
        QTest::keyClick(dialog->txtPassword, Qt::Key_Return);
        QTest::keyClick(dialog->txtPassword, Qt::Key_Escape); // Esc does nothing either
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(main->lstPass->rows().count(), qsizetype(0));
        expectNoMessage();

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
        type(dialog, {"bob", "pw", {}});
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
        expectOneMessage(u"You must enter a username"_s, u"Error"_s, platform::Buttons::Ok,
                         platform::Icon::None);
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
        fake().messages.shown.clear(); // the question of the delete
        dialog->txtPassword->setText(QStringLiteral("new"));
        dialog->cmdAdd->click();

        expectOneMessage(u"The entry you opened for editing is no longer in the list, so your "
                         u"changes cannot be saved to it."_s,
                         u"Error"_s, platform::Buttons::Ok, platform::Icon::None);
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
        expectFileFailure(test::kEntriesNotSaved, how, before);
        QVERIFY(forms().isLoaded<frmAdd>());
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("zed"));
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
    static void type(frmAdd* dialog, const Entry& e) {
        dialog->txtUsername->setText(e.username);
        dialog->txtPassword->setText(e.password);
        dialog->txtWebsite->setText(e.location);
    }
    static frmAdd* openAdd(Form1* main) {
        main->commands().Add();
        return forms().find<frmAdd>();
    }
    static frmAdd* openEdit(Form1* main, qsizetype row) {
        main->lstPass->selectRow(row);
        main->commands().Edit();
        return forms().find<frmAdd>();
    }
};

QTEST_MAIN(tst_frmAdd)
#include "tst_frmAdd.moc"
