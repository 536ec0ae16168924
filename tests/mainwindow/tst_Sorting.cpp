#include "support/MainWindowTestUtil.h"

#include "mainwindow/frmAdd.h"
#include "mainwindow/modListViewEnh.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::test::shownColumn;
using kestrune::ui::EnhListView_SortColumns;
using kestrune::ui::Form1;
using kestrune::ui::forms;

namespace {
const std::vector<Entry> kEntries = {
    {"bob", "Zeta", "b.example"}, {"Ann", "alpha", "c.example"}, {"carl", "Mid", "a.example"}};
} // namespace

class tst_Sorting : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void aClickOnAnEmptyListChangesNothing() {
        Form1* main = test::loggedInMainWindow(*fixture, {});
        auto& rows = main->lstPass->rows();
        QVERIFY(EnhListView_SortColumns(*main->lstPass, 2, true));
        QVERIFY(!rows.sorted());
        QCOMPARE(rows.sortOrder(), 0);
        QCOMPARE(rows.sortKey(), 0);
        // The first click with rows still starts from ascending: descending.
        rows.append({"a", "1", ""});
        rows.append({"b", "2", ""});
        QVERIFY(EnhListView_SortColumns(*main->lstPass, 1, true));
        QCOMPARE(shownColumn(main, 0), QStringList({"b", "a"}));
        expectNoMessage();
    }

    void eachClickReversesTheDirectionAcrossAllHeaders() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        auto& rows = main->lstPass->rows();
        EnhListView_SortColumns(*main->lstPass, 1, false);
        QCOMPARE(shownColumn(main, 0), QStringList({"carl", "bob", "Ann"})); // descending
        QVERIFY(rows.sorted());
        EnhListView_SortColumns(*main->lstPass, 1, false);
        QCOMPARE(shownColumn(main, 0), QStringList({"Ann", "bob", "carl"})); // ascending
        EnhListView_SortColumns(*main->lstPass, 2, false);
        QCOMPARE(shownColumn(main, 1),
                 QStringList({"Zeta", "Mid", "alpha"})); // password, descending
        EnhListView_SortColumns(*main->lstPass, 3, false);
        QCOMPARE(shownColumn(main, 2), QStringList({"a.example", "b.example", "c.example"}));
        QCOMPARE(rows.sortKey(), 2);
        QCOMPARE(rows.sortOrder(), 0);
    }

    void aClickOnTheHeaderSorts() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QHeaderView* header = main->lstPass->header();
        const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(shownColumn(main, 1), QStringList({"Zeta", "Mid", "alpha"}));
    }

    void aHeaderThatDoesNotExistFailsAndSaysSoOnlyWhenAsked() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        QVERIFY(!EnhListView_SortColumns(*main->lstPass, 4, false));
        expectNoMessage();
        QVERIFY(!EnhListView_SortColumns(*main->lstPass, 0, true));
        expectOneMessage(QStringLiteral("Error35600\tIndex out of bounds"),
                         QStringLiteral("Error in Function : EnhListView_SortColumns"),
                         platform::Buttons::Ok, platform::Icon::Information);
        QCOMPARE(test::shownRows(main), kEntries); // as it was
        QVERIFY(!main->lstPass->rows().sorted());
    }

    void theNextSaveWritesTheOrderShownAndTheNextStartShowsIt() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        EnhListView_SortColumns(*main->lstPass, 3, false); // location, descending
        main->lstPass->selectRow(3);
        main->commands().Delete(); // a.example goes
        const std::vector<Entry> expected = {kEntries[1], kEntries[0]};
        QCOMPARE(test::shownRows(main), expected);
        QCOMPARE(fixture->readDataFile(), test::fileWith(expected));

        ui::forms().unloadAll();
        store::credentialStore().reset();
        Form1* again = ui::forms().load<Form1>();
        store::credentialStore().state.MasterPassword = test::kMasterPassword;
        store::credentialStore().LoadData();
        QCOMPARE(test::shownRows(again), expected);
    }

    void editAndDeleteActOnTheRowAsShown() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        EnhListView_SortColumns(*main->lstPass, 2, false); // Zeta, Mid, alpha
        main->lstPass->selectRow(1);
        main->commands().Edit();
        const ui::frmAdd* dialog = forms().find<ui::frmAdd>();
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("bob"));
        QCOMPARE(dialog->editedRow(), main->lstPass->rows().idAt(1));
        forms().unload<ui::frmAdd>();
        main->lstPass->selectRow(3);
        main->commands().Delete();
        QCOMPARE(shownColumn(main, 0), QStringList({"bob", "carl"}));
    }

    void rowsAddedOrChangedWhileSortedTakeTheirPlaceAtOnce() {
        Form1* main = test::loggedInMainWindow(*fixture, kEntries);
        EnhListView_SortColumns(*main->lstPass, 1, false);
        EnhListView_SortColumns(*main->lstPass, 1, false); // Ann, bob, carl
        main->commands().Add();
        auto* dialog = forms().find<ui::frmAdd>();
        dialog->txtUsername->setText(QStringLiteral("Bea"));
        dialog->txtPassword->setText(QStringLiteral("p"));
        dialog->cmdAdd->click();
        QCOMPARE(shownColumn(main, 0), QStringList({"Ann", "Bea", "bob", "carl"}));
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2));

        main->lstPass->selectRow(1); // Ann becomes zed
        main->commands().Edit();
        dialog = forms().find<ui::frmAdd>();
        dialog->txtUsername->setText(QStringLiteral("zed"));
        dialog->cmdAdd->click();
        QCOMPARE(shownColumn(main, 0), QStringList({"Bea", "bob", "carl", "zed"}));
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(4));
        QCOMPARE(fixture->readDataFile(), test::fileWith(test::shownRows(main)));
    }

    void equalTextsKeepTheirOrderInTheLocalesOrdering() {
        Form1* main = test::loggedInMainWindow(
            *fixture, {{"b", "1", ""}, {"A", "2", ""}, {"a", "3", ""}, {"\u00e1", "4", ""}});
        auto& rows = main->lstPass->rows();
        rows.setCollatorLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        EnhListView_SortColumns(*main->lstPass, 1, false);
        EnhListView_SortColumns(*main->lstPass, 1, false);
        // Case ignored, accents after the plain letter, b last.
        QCOMPARE(shownColumn(main, 0), QStringList({"A", "a", "\u00e1", "b"}));
        QCOMPARE(shownColumn(main, 1), QStringList({"2", "3", "4", "1"}));
    }
};

QTEST_MAIN(tst_Sorting)
#include "tst_Sorting.moc"
