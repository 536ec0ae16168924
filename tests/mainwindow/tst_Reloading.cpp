#include "support/MainWindowTestUtil.h"

#include "mainwindow/frmAdd.h"
#include "mainwindow/modListViewEnh.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::Reloading;

namespace {
const Entry kAnn{"ann", "pw-a", "www.example.com"}, kBob{"bob", "pw-b", "C:\\Data"},
    kCarl{"carl", "pw-c", "mail"}, kAl{"al", "pw-al", "x"}, kDora{"dora", "pw-d", "y"};
} // namespace

class tst_Reloading : public test::WindowTestBase {
    Q_OBJECT
private slots:
    // Another program's change is read once nothing is pending: the list
    // keeps its sort and its selected entry, and the status line says so. A
    // file of another vault is not loaded, and the user is told once.
    void aReloadWaitsForTheEntryDialogAndKeepsSortAndSelection() {
        Form1* main = test::loggedInMainWindow(*fixture, {kAnn, kCarl, kBob});
        QCOMPARE(fake().watcher.watched, store::credentialStore().dataFilePath());
        QVERIFY(ui::EnhListView_SortColumns(*main->lstPass, 1, false)); // carl, bob, ann
        main->lstPass->selectRow(2);
        main->commands().Edit();
        QVERIFY(forms().isLoaded<ui::frmAdd>());
        main->StatusMessage(u"before"_s);

        const std::vector<Entry> outside = {kDora, kBob, kAl, kAnn};
        fixture->writeDataFile(test::fileWith(outside));
        fake().watcher.fire();
        fake().watcher.fire(); // a burst is read once
        fake().timers.advance(Reloading::kSettleMs + 4 * Reloading::kWaitMs);
        QCOMPARE(test::shownRows(main), (std::vector<Entry>{kCarl, kBob, kAnn}));
        QCOMPARE(main->statusText(), u"before"_s);

        forms().unload<ui::frmAdd>();
        fake().timers.advance(Reloading::kWaitMs);
        QCOMPARE(test::shownRows(main), (std::vector<Entry>{kDora, kBob, kAnn, kAl}));
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2)); // bob, still
        QCOMPARE(main->statusText(),
                 u"Reloaded: the data file was changed by another program.  4 entries."_s);
        expectNoMessage();

        // Another vault: nothing loaded, told once, saves refused as before.
        test::VectorRows other;
        other.rows = {kAl};
        fixture->writeDataFile(store::savedDataFile(u"another"_s, other));
        for (int i = 0; i < 2; ++i) {
            fake().watcher.fire();
            fake().timers.advance(Reloading::kSettleMs);
        }
        QCOMPARE(fake().messages.shown.size(), std::size_t(1));
        QVERIFY(fake().messages.shown.front().text.startsWith(
            u"The data file has been replaced by another program with a file that your master "
            "password does not open."_s));
        fake().messages.shown.clear();
        QCOMPARE(main->statusText(),
                 u"Not reloaded: the data file does not open with your master password."_s);
        QCOMPARE(test::shownRows(main), (std::vector<Entry>{kDora, kBob, kAnn, kAl}));
        QVERIFY(main->mnuEncrypt->isEnabled());
    }
};

QTEST_MAIN(tst_Reloading)
#include "tst_Reloading.moc"
