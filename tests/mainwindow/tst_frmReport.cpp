#include "support/MainWindowTestUtil.h"

#include "mainwindow/EntryListModel.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PasswordReportModel.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmReport.h"
#include "mainwindow/modListViewEnh.h"
#include "widgets/Forms.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmAdd;
using kestrune::ui::frmReport;
using Column = kestrune::ui::PasswordReportModel::Column;

namespace {

const QString kStrong = QStringLiteral("Vq8#kR2!mZt7$Lw9pXe4");
const QString kShared = QStringLiteral("q2W#umbrella-Ferry-9xK!");
const QString kShort = QStringLiteral(": fewer than 12 characters");

// ann is fine; bob's is a dictionary word; carl and dora share one strong
// password; erik's is a word in disguise.
const std::vector<Entry> kFive = {{"ann", kStrong, "www.example.com"},
                                  {"bob", "sunshine", "mail.example.org"},
                                  {"carl", kShared, "bank.example"},
                                  {"dora", kShared, "shop.example"},
                                  {"erik", "Tr0ub4dor&3", "intranet"}};

QStringList shownColumn(frmReport* report, int column) {
    QStringList texts;
    const auto& rows = report->rows();
    for (int i = 0; i < rows.rowCount(); ++i) {
        texts << rows.index(i, column).data().toString();
    }
    return texts;
}

} // namespace

class tst_frmReport : public test::WindowTestBase {
    Q_OBJECT
private:
    // Data, Password Report... on the main window, and the rating done.
    frmReport* openReport(Form1* main) {
        main->mnuDataReport->trigger();
        auto* report = forms().find<frmReport>();
        if (report != nullptr && !QTest::qWaitFor([&] { return !report->rating(); }, 10'000)) {
            return nullptr;
        }
        return report;
    }
    // The list changed in the main window: the report rates it again shortly.
    bool rateAgain(frmReport* report) {
        fake().timers.advance(frmReport::kRateAgainAfterMs);
        return QTest::qWaitFor([&] { return !report->rating(); }, 10'000);
    }

private slots:
    // The rows needing attention, worst first, with their band and reasons
    // and the summary; no password is shown anywhere in the window.
    void rowsWorstFirst_data() {
        QTest::addColumn<std::vector<Entry>>("entries");
        QTest::addColumn<QStringList>("usernames");
        QTest::addColumn<QStringList>("bands");
        QTest::addColumn<QStringList>("firstReasons");
        QTest::addColumn<QString>("summary");
        QTest::newRow("some need attention")
            << kFive << QStringList{"bob", "carl", "dora", "erik"}
            << QStringList{"Poor", "Weak", "Weak", "Weak"}
            << QStringList{"Poor: guessed instantly by an offline attack; Short" + kShort,
                           "Reused on 2 entries", "Reused on 2 entries"}
            << "4 of 5 passwords need attention.";
        QTest::newRow("none does, and an entry without a password is not rated")
            << std::vector<Entry>{{"ann", kStrong, "a"}, {"bob", "", "b"}, {"carl", kShared, "c"}}
            << QStringList{} << QStringList{} << QStringList{}
            << "All 2 passwords are fine: none needs attention.";
    }
    void rowsWorstFirst() {
        QFETCH(std::vector<Entry>, entries);
        QFETCH(QStringList, usernames);
        QFETCH(QStringList, bands);
        QFETCH(QStringList, firstReasons);
        QFETCH(QString, summary);
        Form1* main = test::loggedInMainWindow(*fixture, entries);
        frmReport* report = openReport(main);
        QVERIFY(report != nullptr && report->isVisible());
        QCOMPARE(report->windowTitle(), QStringLiteral("Password Report"));
        QCOMPARE(report->lblSummary->text(), summary);
        QVERIFY(report->prgRating->isHidden());
        QCOMPARE(shownColumn(report, Column::Username), usernames);
        QCOMPARE(shownColumn(report, Column::Strength), bands);
        QCOMPARE(shownColumn(report, Column::Reason).mid(0, firstReasons.size()), firstReasons);
        for (int column = 0; column < Column::ColumnCount; ++column) {
            for (const QString& text : shownColumn(report, column)) {
                for (const Entry& entry : entries) {
                    QVERIFY2(entry.password.isEmpty() || !text.contains(entry.password),
                             qPrintable(text));
                }
            }
        }
        // One window: the menu again brings the same one to the front.
        main->mnuDataReport->trigger();
        QCOMPARE(forms().find<frmReport>(), report);
    }

    // Enter, or a double-click, on a row opens that entry as Edit does, after
    // the report and the main list have each been sorted differently.
    void enterOpensTheEntryOfTheRowAfterASort() {
        Form1* main = test::loggedInMainWindow(*fixture, kFive);
        frmReport* report = openReport(main);
        QVERIFY(report != nullptr);
        QHeaderView* header = report->lstReport->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(Column::Username) + 5, 5));
        if (header->sortIndicatorOrder() == Qt::AscendingOrder) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(Column::Username) + 5, 5));
        }
        QCOMPARE(shownColumn(report, Column::Username),
                 QStringList({"erik", "dora", "carl", "bob"}));
        QVERIFY(ui::EnhListView_SortColumns(*main->lstPass, 3, false)); // location, descending
        QCOMPARE(test::shownColumn(main, 0), QStringList({"ann", "dora", "bob", "erik", "carl"}));

        report->lstReport->setCurrentIndex(report->rows().index(1, 0)); // dora
        QTest::keyClick(report->lstReport, Qt::Key_Return);
        auto* dialog = forms().find<frmAdd>();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("dora"));
        QCOMPARE(dialog->editedRow(), main->lstPass->rows().idAt(2));
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(2));

        forms().unload<frmAdd>();
        QTRY_VERIFY(!forms().isLoaded<frmAdd>());
        const QRect carl = report->lstReport->visualRect(report->rows().index(2, 0));
        QTest::mouseClick(report->lstReport->viewport(), Qt::LeftButton, {}, carl.center());
        QTest::mouseDClick(report->lstReport->viewport(), Qt::LeftButton, {}, carl.center());
        dialog = forms().find<frmAdd>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->txtUsername->text(), QStringLiteral("carl"));
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(5));
        expectNoMessage();
    }

    // An edit and a delete in the main window are followed: the report
    // rates the list again a moment later. Closing the main window closes it.
    void followsChangesInTheMainWindow() {
        Form1* main = test::loggedInMainWindow(*fixture, kFive);
        frmReport* report = openReport(main);
        QVERIFY(report != nullptr);

        main->lstPass->selectRow(2); // bob gets a strong password
        main->commands().Edit();
        auto* dialog = forms().find<frmAdd>();
        QVERIFY(dialog != nullptr);
        dialog->txtPassword->setText(QStringLiteral("umbrella quietly forgets the violet"));
        dialog->cmdAdd->click();
        QVERIFY(rateAgain(report));
        QCOMPARE(shownColumn(report, Column::Username), QStringList({"carl", "dora", "erik"}));

        main->lstPass->selectRow(4); // dora: carl's password is no longer reused
        main->commands().Delete();
        QVERIFY(rateAgain(report));
        QCOMPARE(shownColumn(report, Column::Username), QStringList({"erik"}));
        QCOMPARE(report->lblSummary->text(), QStringLiteral("1 of 4 passwords needs attention."));

        // Closed while a rating is under way.
        main->lstPass->rows().append({"fay", "fay", "fay.example"});
        fake().timers.advance(frmReport::kRateAgainAfterMs);
        main->close();
        QVERIFY(!forms().isLoaded<frmReport>());
        QCOMPARE(fake().exit.calls, 1);
    }
};

QTEST_MAIN(tst_frmReport)
#include "tst_frmReport.moc"
