#include "support/MainWindowTestUtil.h"

#include "dialogs/frmPass.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmFind.h"
#include "mainwindow/modListViewEnh.h"
#include "platform/SessionLock.h"
#include "store/Seal.h"
#include "widgets/ProgramIdentity.h"

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#endif

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::test::shownColumn;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmAdd;
using kestrune::ui::frmPass;
using kestrune::ui::Locking;

namespace {

const std::vector<Entry> kEntries = {
    {"bob", "pw-b", "b.example"}, {"ann", "pw-a", "c.example"}, {"carl", "pw-c", "a.example"}};
constexpr qint64 kMinute = 60'000;

// How a lock comes about.
enum class Source { ByHand, Idle, Session };

// What the store holds of the login, and whether it holds a key.
std::pair<store::StoreState, bool> storeSecrets() {
    const store::CredentialStore& store = store::credentialStore();
    return {store.state, store.isSealed()};
}

} // namespace

Q_DECLARE_METATYPE(Source)

class tst_Locking : public test::WindowTestBase {
    Q_OBJECT

    test::FakeTimers& timers() { return fake().timers; }

    // Brings the lock about as `source` does.
    void lockBy(Source source, Form1* main) {
        switch (source) {
        case Source::ByHand:
            main->locking().lockItem()->trigger();
            break;
        case Source::Idle:
            timers().advance(Locking::kDefaultIdleMinutes * kMinute);
            break;
        case Source::Session:
            fake().sessionLock.sessionLocks();
            break;
        }
    }

    // Gives the password dialog the master password, and waits until the
    // main window shows again.
    static void unlock(Form1* main) {
        auto* dialog = forms().find<frmPass>();
        QVERIFY(dialog != nullptr);
        dialog->txtPass->setText(test::kMasterPassword);
        dialog->cmdOK_Click();
        QTRY_VERIFY(main->isVisible());
        QVERIFY(!main->locking().isLocked());
    }

    static void expectLocked(Form1* main) {
        QVERIFY(main->locking().isLocked());
        // A sealed file is checked whole on a thread of its own first.
        QTRY_VERIFY(!main->loginSteps().checkingFile());
        QCOMPARE(main->lstPass->rows().count(), 0);
        QVERIFY(main->isHidden());
        // The key and the master password are gone; what the store holds is
        // what it read of the file for the password dialog.
        const store::CredentialStore& store = store::credentialStore();
        QVERIFY(!store.isSealed());
        QCOMPARE(store.state.MasterPassword, QString());
        QCOMPARE(store.state.StoredPassword,
                 store.sealedLock() ? QString() : test::kMasterPassword);
        auto* dialog = forms().find<frmPass>();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        QCOMPARE(dialog->SkinLabel1->text(), QStringLiteral("Please enter your password"));
        QVERIFY(!dialog->txtPass2->isVisibleTo(dialog)); // check mode
    }

private slots:
    // Each way of locking empties the list, closes the windows that show
    // entries, empties the clipboard of a copied password and drops the key
    // and the master password; the right password brings everything back as
    // after the first login.
    void eachLockEmptiesTheListAndForgetsTheSecrets_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<bool>("sealed");
        QTest::newRow("by hand") << Source::ByHand << false;
        QTest::newRow("when idle") << Source::Idle << false;
        QTest::newRow("when the session locks") << Source::Session << false;
        QTest::newRow("by hand, sealed file") << Source::ByHand << true;
        QTest::newRow("when the session locks, sealed file") << Source::Session << true;
    }
    void eachLockEmptiesTheListAndForgetsTheSecrets() {
        QFETCH(Source, source);
        QFETCH(bool, sealed);
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        if (sealed) {
            std::optional<store::Seal> seal =
                store::makeSeal(test::kMasterPassword, store::lowestKeyLimits());
            QVERIFY(seal && store::credentialStore().EncryptDataFile(std::move(*seal)));
        }
        auto afterLogin = storeSecrets();
        QCOMPARE(afterLogin.first.MasterPassword, test::kMasterPassword);
        QCOMPARE(afterLogin.second, sealed);
        if (sealed) {
            // A login to a sealed file reads no stored password.
            afterLogin.first.StoredPassword.clear();
        }
        const QByteArray file = fixture->readDataFile();
        QCOMPARE(fake().sessionLock.listened, std::vector<quintptr>{quintptr(main->winId())});

        // Almost five minutes without input: not yet.
        timers().advance(Locking::kDefaultIdleMinutes * kMinute - 1);
        QVERIFY(!main->locking().isLocked());
        main->lstPass->selectRow(1);
        main->commands().Copy(1);
        QCOMPARE(fake().clipboard.content, QStringLiteral("pw-b"));
        main->commands().Find();
        QVERIFY(forms().isLoaded<ui::frmFind>());
        lockBy(source, main);
        expectLocked(main);
        QCOMPARE(fake().clipboard.content, QString());
        QVERIFY(!forms().isLoaded<ui::frmFind>());

        QSignalSpy unlocked(&main->locking(), &Locking::unlocked);
        unlock(main);
        QCOMPARE(test::shownRows(main), kEntries);
        QCOMPARE(storeSecrets(), afterLogin);
        QCOMPARE(unlocked.count(), 1);
        QCOMPARE(fixture->readDataFile(), file); // nothing written
        QCOMPARE(fake().exit.calls, 0);
        // Watched as before.
        QCOMPARE(fake().sessionLock.listened, std::vector<quintptr>(2, quintptr(main->winId())));
        fake().sessionLock.sessionLocks();
        QVERIFY(main->locking().isLocked());
    }

    // An automatic lock waits while the entry dialog holds changes, and comes
    // once the dialog has closed. A lock by hand asks first.
    void aLockWaitsForTheChangesInTheEntryDialog_data() {
        QTest::addColumn<Source>("source");
        QTest::newRow("when idle") << Source::Idle;
        QTest::newRow("when the session locks") << Source::Session;
        QTest::newRow("by hand") << Source::ByHand;
    }
    void aLockWaitsForTheChangesInTheEntryDialog() {
        QFETCH(Source, source);
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        main->commands().Add();
        auto* dialog = forms().find<frmAdd>();
        QVERIFY(dialog != nullptr);

        dialog->txtUsername->setText(QStringLiteral("dora"));
        fake().messages.answers = {platform::Answer::Cancel};
        lockBy(source, main);
        timers().advance(kMinute);
        QVERIFY(!main->locking().isLocked());
        QVERIFY(forms().isLoaded<frmAdd>());
        QVERIFY(main->isVisible());
        if (source == Source::ByHand) {
            const test::ShownMessage question{
                QStringLiteral("Discard the changes in the entry dialog and lock?"),
                ui::ProgramIdentity().ProductName, platform::Buttons::OkCancel,
                platform::Icon::Warning};
            expectMessages({question}); // answered with Cancel
            lockBy(source, main);
            expectMessages({question}); // answered with OK
        } else {
            expectNoMessage();
            dialog->cmdDelete->click(); // Cancel
            timers().advance(Locking::kRetryMs);
        }
        expectLocked(main);
        QVERIFY(!forms().isLoaded<frmAdd>());
        unlock(main);
        QCOMPARE(test::shownRows(main), kEntries);
        expectNoMessage();
    }

    // The right password reads the file as it is now, and shows it in the
    // sort and with the selected entry of before the lock.
    void unlockingKeepsTheSortAndTheSelection() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        ui::EnhListView_SortColumns(*main->lstPass, 3, false); // location, descending
        QCOMPARE(shownColumn(main, 0), QStringList({"ann", "bob", "carl"}));
        main->lstPass->selectRow(2); // bob
        main->locking().Lock();
        expectLocked(main);

        // Meanwhile another computer adds an entry.
        std::vector<Entry> now = kEntries;
        now.push_back({"abe", "pw-e", "d.example"});
        fixture->writeDataFile(test::fileWith(now));
        unlock(main);
        QCOMPARE(shownColumn(main, 0), QStringList({"abe", "ann", "bob", "carl"}));
        QCOMPARE(main->lstPass->firstSelected(), 3);
        QCOMPARE(fixture->readDataFile(), test::fileWith(now));
    }

    // File, Lock When Idle: the choice is kept in the settings, Off never
    // locks, and while locked the password dialog ends the program as at start.
    void theIdleTimeIsChosenAndKept() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        const QString key = ui::ProgramIdentity().ProductName + "/Settings/lockAfterMinutes";
        QMenu* menu = main->locking().idleMenu();
        QStringList captions;
        for (const QAction* item : menu->actions()) {
            captions.append(item->text());
        }
        QCOMPARE(captions,
                 QStringList({"Off", "1 Minute", "5 Minutes", "15 Minutes", "60 Minutes"}));
        QVERIFY(menu->actions()[2]->isChecked());

        menu->actions()[0]->trigger();
        QCOMPARE(fake().settings.values.value(key), QStringLiteral("0"));
        timers().advance(24 * 60 * kMinute);
        QVERIFY(!main->locking().isLocked());

        // Input restarts the wait.
        menu->actions()[1]->trigger();
        QCOMPARE(fake().settings.values.value(key), QStringLiteral("1"));
        QVERIFY(menu->actions()[1]->isChecked() && !menu->actions()[0]->isChecked());
        timers().advance(kMinute - 1);
        QTest::keyClick(main->lstPass, Qt::Key_Down);
        timers().advance(kMinute - 1);
        QVERIFY(!main->locking().isLocked());
        timers().advance(1);
        expectLocked(main);

        // A new start reads the choice; Cancel ends the program, and nothing
        // is written.
        const QByteArray file = fixture->readDataFile();
        forms().find<frmPass>()->cmdCancel->click();
        QCOMPARE(fake().exit.calls, 1);
        QCOMPARE(fixture->readDataFile(), file);
        QCOMPARE(Locking(*main).idleMinutes(), 1);
    }

    // The system's own source: on Windows it registers the window for the
    // session's notices; elsewhere a missing bus is no failure.
    void theSystemsSessionNoticesAreAskedFor() {
#ifdef Q_OS_WIN
        // A native window of this process, as the main window is on Windows
        // (offscreen, a widget has none).
        const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            nullptr, nullptr);
        QVERIFY(window != nullptr);
        {
            platform::SystemSessionLock session;
            QVERIFY(session.listen(quintptr(window)));
        }
        DestroyWindow(window);
#else
        platform::SystemSessionLock session;
        QWidget window;
        QVERIFY(session.listen(quintptr(window.winId())));
#endif
    }
};

QTEST_MAIN(tst_Locking)
#include "tst_Locking.moc"
