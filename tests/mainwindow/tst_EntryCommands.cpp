#include "support/MainWindowTestUtil.h"

#include "mainwindow/frmAdd.h"
#include "mainwindow/modListViewEnh.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;

namespace {
// What a command did, to compare the ways of running it.
struct Outcome {
    QString status;
    QString clipboard;
    QStringList opened;
    bool dialogOpen = false;
    qsizetype rows = 0;
    bool operator==(const Outcome&) const = default;
};

const std::vector<Entry> kThree = {
    {"ann", "pw-a", "www.example.com"}, {"bob", "pw-b", "C:\\Data"}, {"carl", "pw-c", "mail"}};
} // namespace

class tst_EntryCommands : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void withoutASelectionEachCommandSaysSo() {
        for (const bool emptyList : {true, false}) {
            startAfresh();
            Form1* main =
                test::loggedInMainWindow(*fixture, emptyList ? std::vector<Entry>{} : kThree);
            const QByteArray before = fixture->readDataFile();
            auto& c = main->commands();
            c.Edit();
            QCOMPARE(main->statusText(), QStringLiteral("You must first select an entry to edit."));
            QVERIFY(!forms().isLoaded<ui::frmAdd>());
            c.Delete();
            QCOMPARE(main->statusText(),
                     QStringLiteral("You must first select an entry to delete."));
            c.GoTo();
            QCOMPARE(main->statusText(),
                     QStringLiteral("You must first select an entry to go to."));
            for (int i = 0; i < 3; ++i) {
                fake().clipboard.setText(QStringLiteral("old"), false);
                c.Copy(i);
                QCOMPARE(main->statusText(),
                         QStringLiteral("You must first select a row to copy from."));
                QCOMPARE(fake().clipboard.content, QString()); // emptied all the same
            }
            expectNoMessage();
            QVERIFY(fake().opener.opened.isEmpty());
            QCOMPARE(fixture->readDataFile(), before);
        }
    }

    void deleteAsksWithTheEntrysThreeFields() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->lstPass->selectRow(2);
        fake().messages.answers = {platform::Answer::Cancel};
        main->commands().Delete();
        expectOneMessage(
            QStringLiteral("Are you sure you want to delete the following information?\r\n"
                           "\r\nUsername: bob\r\nPassword: pw-b\r\nUsed At: C:\\Data"),
            QStringLiteral("Confirm Delete"), platform::Buttons::OkCancel, platform::Icon::None);
    }

    // Ok removes the row and saves; Cancel, or closing the box, changes nothing.
    void theAnswerDecidesTheDelete_data() {
        QTest::addColumn<platform::Answer>("answer");
        QTest::addColumn<std::vector<Entry>>("left");
        QTest::addColumn<QString>("status");
        const QString cancelled = u"Entry not deleted, cancelled by user"_s;
        QTest::newRow("Cancel") << platform::Answer::Cancel << kThree << cancelled;
        QTest::newRow("box closed") << platform::Answer::Closed << kThree << cancelled;
        QTest::newRow("Ok") << platform::Answer::Ok << std::vector<Entry>{kThree[1], kThree[2]}
                            << u"Entry deleted successfully, data saved."_s;
    }
    void theAnswerDecidesTheDelete() {
        QFETCH(platform::Answer, answer);
        QFETCH(std::vector<Entry>, left);
        QFETCH(QString, status);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->lstPass->selectRow(1);
        fake().messages.answers = {answer};
        main->commands().Delete();
        QCOMPARE(test::shownRows(main), left);
        QCOMPARE(fixture->readDataFile(), test::fileWith(left)); // as it was, or saved
        QCOMPARE(main->statusText(), status);
    }

    // The file still holds the entry after a failed save, so the list gets it
    // back in its place, selected, whatever the order.
    void aDeleteThatCannotBeSavedPutsTheRowBack_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<bool>("sorted");
        for (const auto& [name, failure] : test::writeFailures()) {
            QTest::addRow("%s", name) << int(failure) << false;
            QTest::addRow("sorted list, %s", name) << int(failure) << true;
        }
    }
    void aDeleteThatCannotBeSavedPutsTheRowBack() {
        QFETCH(int, failure);
        QFETCH(bool, sorted);
        const auto how = test::WriteFailure(failure);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        if (sorted) {
            main->lstPass->rows().sortBy(1, 1); // by password, descending
        }
        const std::vector<Entry> shown = test::shownRows(main);
        const QByteArray before = fixture->readDataFile();
        main->StatusMessage(QStringLiteral("before"));
        main->lstPass->selectRow(2);
        QVERIFY(
            test::runWhileWritesFail(how, fixture->dataFile(), [&] { main->commands().Delete(); }));
        QCOMPARE(test::shownRows(main), shown);
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2));
        auto& boxes = fake().messages.shown;
        QCOMPARE(boxes.size(), std::size_t(2)); // the question, then the failure
        boxes.erase(boxes.begin());
        expectFileFailure(test::kEntriesNotSaved, how, before);
        QCOMPARE(main->statusText(), QStringLiteral("before"));
    }

    void copyPutsTheFieldOnTheClipboardAndRepeatsIt_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("secret");
        QTest::newRow("username") << 0 << u"bob"_s << u"Copied Username bob"_s << false;
        QTest::newRow("password") << 1 << u"pw-b"_s << u"Copied Password pw-b"_s << true;
        QTest::newRow("location") << 2 << u"C:\\Data"_s << u"Copied Location C:\\Data"_s << false;
    }
    void copyPutsTheFieldOnTheClipboardAndRepeatsIt() {
        QFETCH(int, index);
        QFETCH(QString, copied);
        QFETCH(QString, status);
        QFETCH(bool, secret);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->lstPass->selectRow(2);
        main->commands().Copy(index);
        QCOMPARE(fake().clipboard.content, copied);
        QCOMPARE(fake().clipboard.secret, secret);
        QCOMPARE(main->statusText(), status);
    }

    // A copied password leaves the clipboard 30 seconds later, or when the
    // program ends, unless something else was copied over it; usernames and
    // locations stay. Each step: "copy N" (row 2, or "copy N row R"), "wait MS",
    // "user TEXT" (copied in another program), "close" (File, Exit), and
    // "expect TEXT" (what the clipboard holds now).
    void aCopiedPasswordLeavesTheClipboard_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("exits");
        QTest::newRow("cleared when still ours")
            << QStringList{"copy 1", "wait 29999", "expect pw-b", "wait 1", "expect "} << 0;
        QTest::newRow("kept when changed")
            << QStringList{"copy 1", "user other", "wait 30000", "expect other"} << 0;
        QTest::newRow("a location copied over it")
            << QStringList{"copy 1", "copy 2", "wait 30000", "expect C:\\Data"} << 0;
        QTest::newRow("restarted by a second copy")
            << QStringList{"copy 1",      "wait 20000", "copy 1 row 1", "wait 20000",
                           "expect pw-a", "wait 10000", "expect "}
            << 0;
        QTest::newRow("a username is not cleared")
            << QStringList{"copy 0", "wait 60000", "expect bob"} << 0;
        QTest::newRow("a location is not cleared")
            << QStringList{"copy 2", "wait 60000", "expect C:\\Data"} << 0;
        QTest::newRow("cleared at the end of the program")
            << QStringList{"copy 1", "wait 5000", "close", "expect "} << 1;
        QTest::newRow("at the end, kept when changed")
            << QStringList{"copy 1", "user other", "close", "expect other"} << 1;
    }
    void aCopiedPasswordLeavesTheClipboard() {
        QFETCH(QStringList, steps);
        QFETCH(int, exits);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        test::FakeClipboard& clipboard = fixture->fake->clipboard;
        QString status;
        for (const QString& step : steps) {
            const QString verb = step.section(u' ', 0, 0);
            const QString rest = step.section(u' ', 1);
            if (verb == u"copy") {
                main->lstPass->selectRow(rest.contains(u"row") ? rest.section(u' ', 2).toInt() : 2);
                main->commands().Copy(rest.section(u' ', 0, 0).toInt());
                status = main->statusText();
            } else if (verb == u"wait") {
                fixture->fake->timers.advance(rest.toInt());
            } else if (verb == u"user") {
                clipboard.setText(rest, false);
            } else if (verb == u"close") {
                main->close();
            } else {
                QCOMPARE(clipboard.content, rest);
            }
        }
        QCOMPARE(fixture->fake->exit.calls, exits);
        if (exits == 0) {
            QCOMPARE(main->statusText(), status); // the clearing posts nothing
        }
    }

    // The decisions themselves are the store's table (tst_LocationRules);
    // here: what reaches the opener, and the question asked first.
    void goToDecidesWhatToOpen_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("opened"); // empty: the question is answered Cancel
        QTest::addColumn<bool>("asks");
        QTest::newRow("www without a scheme")
            << u"www.example.com"_s << u"http://www.example.com"_s << false;
        QTest::newRow("https anywhere")
            << u"HTTPS://example.com"_s << u"HTTPS://example.com"_s << false;
        QTest::newRow("http in capitals")
            << u"see HTTP://example.com"_s << u"see HTTP://example.com"_s << true;
        QTest::newRow("folder path") << u"C:\\Data"_s << u"C:\\Data"_s << true;
        QTest::newRow(".ORG in capitals") << u"EXAMPLE.ORG"_s << u"http://EXAMPLE.ORG"_s << false;
        QTest::newRow("org inside a word")
            << u"Georgia office"_s << u"http://Georgia office"_s << false;
        QTest::newRow(".info without www") << u"example.info"_s << u"example.info"_s << true;
        QTest::newRow("biz") << u"shop.biz"_s << u"http://shop.biz"_s << false;
        QTest::newRow("edu") << u"uni.EDU"_s << u"http://uni.EDU"_s << false;
        QTest::newRow("net without the dot") << u"intranet"_s << u"intranet"_s << true;
        QTest::newRow("hostile, web-like")
            << u"example.com & rm -rf ~"_s << u"http://example.com & rm -rf ~"_s << false;
        QTest::newRow("hostile, command substitution") << u"$(reboot)"_s << u"$(reboot)"_s << true;
        QTest::newRow("hostile, quotes")
            << u"a.com\" && calc \""_s << u"http://a.com\" && calc \""_s << false;
        QTest::newRow("network share, declined") << u"\\\\host\\share"_s << QString() << true;
    }
    void goToDecidesWhatToOpen() {
        QFETCH(QString, location);
        QFETCH(QString, opened);
        QFETCH(bool, asks);
        Form1* main = test::loggedInMainWindow(*fixture, {{"u", "p", location}});
        main->lstPass->selectRow(1);
        fake().messages.shown.clear();
        if (opened.isEmpty()) {
            fake().messages.answers = {platform::Answer::Cancel};
        }
        main->commands().GoTo();
        QCOMPARE(fake().messages.shown.size(), asks ? 1u : 0u);
        if (asks) {
            QCOMPARE(fake().messages.shown[0].text, u"Open this location?\n\n"_s + location);
        }
        if (opened.isEmpty()) {
            QCOMPARE(fake().opener.opened, QStringList());
            QVERIFY(main->statusText() != QStringLiteral("Opening Location..."));
            return;
        }
        // One call, one argument, exactly the location: nothing else is run.
        // It goes to the file explorer, not to the web site's opener.
        QCOMPARE(fake().opener.opened, QStringList{opened});
        QCOMPARE(fake().opener.explored, QStringList{opened});
        QCOMPARE(main->statusText(), QStringLiteral("Opening Location..."));
    }

    void goToSaysSoWhenNothingCouldBeOpened() {
        Form1* main = test::loggedInMainWindow(*fixture, {{"u", "p", "C:\\Nowhere"}});
        fake().opener.succeeds = false;
        main->lstPass->selectRow(1);
        main->commands().GoTo();
        QCOMPARE(main->statusText(), QStringLiteral("Could not open C:\\Nowhere"));
    }

    void editHandsTheRowAsShownToTheDialog() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        QVERIFY(ui::EnhListView_SortColumns(*main->lstPass, 1, false)); // carl, bob, ann
        main->lstPass->selectRow(1);
        main->commands().Edit();
        ui::frmAdd* dialog = forms().find<ui::frmAdd>();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        QVERIFY(!dialog->addMode());
        QCOMPARE(dialog->typedEntry(), Entry({"carl", "pw-c", "mail"}));
        QCOMPARE(dialog->editedRow(), main->lstPass->rows().idAt(1));

        // Add opens a dialog for a new entry, with empty boxes, and posts nothing.
        forms().unload<ui::frmAdd>();
        main->StatusMessage(QStringLiteral("before"));
        main->commands().Add();
        dialog = forms().find<ui::frmAdd>();
        QVERIFY(dialog != nullptr && dialog->addMode());
        QCOMPARE(dialog->editedRow(), quint64(0));
        QCOMPARE(dialog->typedEntry(), Entry{});
        QCOMPARE(main->statusText(), QStringLiteral("before"));
    }

    void theWebSiteButtonOpensTheOwnersSite() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        main->StatusMessage(QStringLiteral("before"));
        main->cmdWebsite[0]->click();
        QCOMPARE(fake().opener.opened, QStringList{"http://www.kestrune.example"});
        QVERIFY(fake().opener.explored.isEmpty());
        QCOMPARE(main->statusText(), QStringLiteral("before"));
    }

    void buttonsMenuItemsAndShortcutsRunTheSameOperation_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("add") << 0 << QKeySequence(Qt::CTRL | Qt::Key_N);
        QTest::newRow("edit") << 1 << QKeySequence(Qt::Key_Return);
        QTest::newRow("delete") << 2 << QKeySequence(Qt::Key_Delete);
        QTest::newRow("go to") << 3 << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U);
        QTest::newRow("copy username") << 4 << QKeySequence(Qt::CTRL | Qt::Key_B);
        QTest::newRow("copy password") << 5 << QKeySequence(Qt::CTRL | Qt::Key_C);
        QTest::newRow("copy location") << 6 << QKeySequence(Qt::CTRL | Qt::Key_U);
    }
    void buttonsMenuItemsAndShortcutsRunTheSameOperation() {
        QFETCH(int, command);
        QFETCH(QKeySequence, keys);
        std::vector<Outcome> outcomes;
        for (int way = 0; way < 3; ++way) {
            startAfresh();
            Form1* main = test::loggedInMainWindow(*fixture, kThree);
            main->lstPass->selectRow(2);
            main->activateWindow();
            main->lstPass->setFocus();
            QVERIFY(QTest::qWaitForWindowActive(main));
            QToolButton* buttons[] = {main->cmdAdd[0], main->cmdEdit,    main->cmdDelete,
                                      main->cmdGoto,   main->cmdCopy[0], main->cmdCopy[1],
                                      main->cmdCopy[2]};
            QAction* items[] = {main->mnuDataItem[0], main->mnuDataItem[2], main->mnuDataItem[1],
                                main->mnuDataItem[3], main->mnuCopyItem[0], main->mnuCopyItem[1],
                                main->mnuCopyItem[2]};
            if (way == 0) {
                buttons[command]->click();
            } else if (way == 1) {
                items[command]->trigger();
            } else {
                QTest::keySequence(main->lstPass, keys);
            }
            outcomes.push_back({main->statusText(), fake().clipboard.content, fake().opener.opened,
                                forms().isLoaded<ui::frmAdd>(), main->lstPass->rows().count()});
        }
        QVERIFY(outcomes[0] != Outcome{});
        QVERIFY(outcomes[0] == outcomes[1]);
        QVERIFY(outcomes[0] == outcomes[2]);
    }

    void aDoubleClickOnARowEditsIt() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        const QRect cell = main->lstPass->visualRect(main->lstPass->rows().index(1, 1));
        QTest::mouseClick(main->lstPass->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(main->lstPass->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(forms().isLoaded<ui::frmAdd>());
        QCOMPARE(forms().find<ui::frmAdd>()->txtUsername->text(), QStringLiteral("bob"));
    }

    // File, Encrypt Data File...: after a confirmation that says what it
    // means, the file is sealed, and only Remove Encryption... is enabled;
    // Remove Encryption... writes the written layout again. Cancel changes
    // nothing.
    void theFileMenuEncryptsAndRemovesTheEncryption() {
        const std::vector<Entry> entries = {{"alice", "pw1", "www.one.example"},
                                            {"bob", "pw2", ""}};
        Form1* main = test::loggedInMainWindow(*fixture, entries);
        main->dataFileCommands().keyLimits = store::lowestKeyLimits();
        const QByteArray written = test::fileWith(entries);
        auto& messages = fixture->fake->messages;
        const auto menuState = [main] {
            return std::make_pair(main->mnuEncrypt->isEnabled(),
                                  main->mnuRemoveEncryption->isEnabled());
        };
        QCOMPARE(menuState(), std::make_pair(true, false));

        messages.answers = {platform::Answer::Cancel};
        main->mnuEncrypt->trigger();
        QCOMPARE(messages.shown.size(), std::size_t(1));
        const test::ShownMessage& question = messages.shown[0];
        QCOMPARE(question.title, QStringLiteral("Encrypt Data File"));
        QCOMPARE(question.buttons, platform::Buttons::OkCancel);
        for (const char* says :
             {"opens only with the master password", "cannot be changed", "nobody can recover",
              "made before now stay readable", "is short: 6 characters"}) {
            QVERIFY2(question.text.contains(QLatin1String(says)), says);
        }
        QCOMPARE(main->statusText(), QStringLiteral("Data file not encrypted, cancelled by user"));
        QCOMPARE(fixture->readDataFile(), written);

        main->mnuEncrypt->trigger(); // answered with OK
        // The key is made off the user-interface thread, the window disabled.
        QVERIFY(!main->isEnabled());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QTRY_VERIFY(main->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(
            main->statusText(),
            QStringLiteral("Data file encrypted: it now opens only with the master password."));
        const QByteArray sealed = fixture->readDataFile();
        QVERIFY(sealed.startsWith("KESTRUNE SEALED 1\r\n"));
        QVERIFY(!sealed.contains(test::encoded("alice|||pw1")));
        QCOMPARE(menuState(), std::make_pair(false, true));

        // Every save keeps it sealed.
        QVERIFY(store::credentialStore().SaveData());
        QVERIFY(fixture->readDataFile().startsWith("KESTRUNE SEALED 1\r\n"));

        messages.answers = {platform::Answer::Cancel};
        main->mnuRemoveEncryption->trigger();
        QCOMPARE(messages.shown.back().title, QStringLiteral("Remove Encryption"));
        QVERIFY(messages.shown.back().text.contains(
            QStringLiteral("will read every username and password")));
        QCOMPARE(main->statusText(), QStringLiteral("Encryption not removed, cancelled by user"));
        QVERIFY(fixture->readDataFile().startsWith("KESTRUNE SEALED 1\r\n"));

        main->mnuRemoveEncryption->trigger(); // answered with OK
        QCOMPARE(fixture->readDataFile(), written);
        QCOMPARE(main->statusText(),
                 QStringLiteral("Encryption removed: the data file can now be read without the "
                                "master password."));
        QCOMPARE(menuState(), std::make_pair(true, false));
        QCOMPARE(messages.shown.size(), std::size_t(4));
        QCOMPARE(fixture->fake->exit.calls, 0);
        // Twelve characters and more are not called short.
        QVERIFY(ui::DataFileCommands::encryptQuestion("12345678901", "K").contains("is short"));
        QVERIFY(!ui::DataFileCommands::encryptQuestion("123456789012", "K").contains("short"));
    }
};

QTEST_MAIN(tst_EntryCommands)
#include "tst_EntryCommands.moc"
