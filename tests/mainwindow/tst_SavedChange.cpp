#include "support/MainWindowTestUtil.h"
#include "support/WriteFailure.h"

#include "mainwindow/Form1.h"
#include "mainwindow/SavedChange.h"

#include <QTest>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::store::Entry;

namespace {
const std::vector<Entry> kTwo = {{"bob", "pw-b", "C:\\Data"}, {"ann", "pw-a", "www.example.com"}};
// Rows that land before, between and after the others when sorted.
const std::vector<Entry> kBatch = {
    {"dora", "pw-d", "x"}, {"al", "pw-al", "y"}, {"bert", "pw-bert", "z"}};
// How the save of a test row ends.
constexpr int kSaved = -1;
constexpr int kChangedOutside = -2; // to a file of another vault
constexpr int kMerged = -3;         // to new content of this vault
} // namespace

class tst_SavedChange : public test::WindowTestBase {
    Q_OBJECT
private slots:
    // Many rows appended at once (an import) are one change: on disk all
    // together, or, when the save fails or is refused, gone again, leaving the
    // list as it was, its rows in their order with their identities.
    void aBatchAppendIsSavedWholeOrUndoneWhole_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("sorted");
        for (const bool sorted : {false, true}) {
            const char* order = sorted ? "sorted" : "unsorted";
            QTest::addRow("%s, saved", order) << kSaved << sorted;
            QTest::addRow("%s, file changed by another program", order) << kMerged << sorted;
            QTest::addRow("%s, file of another vault put in its place", order)
                << kChangedOutside << sorted;
            for (const auto& [name, failure] : test::writeFailures()) {
                QTest::addRow("%s, %s", order, name) << int(failure) << sorted;
            }
        }
    }
    void aBatchAppendIsSavedWholeOrUndoneWhole() {
        QFETCH(int, outcome);
        QFETCH(bool, sorted);
        ui::Form1* main = test::loggedInMainWindow(*fixture, kTwo);
        ui::EntryListModel& rows = main->lstPass->rows();
        if (sorted) {
            rows.sortBy(0, 0);
        }
        const std::vector<Entry> shown = test::shownRows(main);
        std::vector<quint64> ids;
        for (qsizetype i = 1; i <= rows.count(); ++i) {
            ids.push_back(rows.idAt(i));
        }

        std::vector<quint64> added;
        const auto appendAll = [&] {
            for (const Entry& entry : kBatch) {
                added.push_back(rows.idAt(rows.append(entry)));
            }
        };
        const auto removeAll = [&] {
            for (const quint64 id : added) {
                rows.remove(rows.positionOf(id));
            }
        };
        bool saved = false;
        const auto run = [&] {
            saved =
                bool(ui::changeAndSave(store::EntryChange::append(kBatch), appendAll, removeAll));
        };

        if (outcome == kSaved) {
            run();
            QVERIFY(saved);
            QCOMPARE(rows.count(), qsizetype(5));
            QCOMPARE(fixture->readDataFile(), test::fileWith(test::shownRows(main)));
            return;
        }
        if (outcome == kMerged) {
            // Made again on the new content: the list shows what the file holds.
            const Entry eve{"eve", "pw-e", "elsewhere"};
            fixture->writeDataFile(test::fileWith({eve, kTwo[1]}));
            run();
            QVERIFY(saved);
            QCOMPARE(rows.count(), qsizetype(5));
            QCOMPARE(fixture->readDataFile(),
                     test::fileWith({eve, kTwo[1], kBatch[0], kBatch[1], kBatch[2]}));
            QCOMPARE(rows.sorted(), sorted);
            QCOMPARE(test::shownColumn(main, 0).first(), sorted ? u"al"_s : u"eve"_s);
            return;
        }
        QByteArray before = fixture->readDataFile();
        if (outcome == kChangedOutside) {
            test::VectorRows other;
            other.rows = {{"eve", "pw-e", "elsewhere"}};
            before = store::savedDataFile(QStringLiteral("another"), other);
            fixture->writeDataFile(before);
            run();
            QCOMPARE(fixture->readDataFile(), before);
        } else {
            const auto how = test::WriteFailure(outcome);
            QVERIFY(test::runWhileWritesFail(how, fixture->dataFile(), run));
            const QString file = test::untouchedFileProblem(fixture->dataFile(), how, before);
            QVERIFY2(file.isEmpty(), qPrintable(file));
        }
        QVERIFY(!saved);
        QCOMPARE(test::shownRows(main), shown);
        for (qsizetype i = 1; i <= rows.count(); ++i) {
            QCOMPARE(rows.idAt(i), ids[std::size_t(i - 1)]);
        }
        QCOMPARE(fake().messages.shown.size(), std::size_t(1)); // why, once
    }
};

QTEST_MAIN(tst_SavedChange)
#include "tst_SavedChange.moc"
