#include "support/MainWindowTestUtil.h"

#include "mainwindow/EntryList.h"

#include <QHeaderView>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using kestrune::store::Entry;
using kestrune::test::shownColumn;
using kestrune::ui::EntryList;
using kestrune::ui::EntryListModel;

namespace {
void fill(EntryListModel& rows, const QList<Entry>& entries) {
    for (const Entry& e : entries) {
        rows.append(e);
    }
}

void addTheMainWindowsColumns(EntryList& list) {
    list.addColumnHeader(QStringLiteral("Username"), 2345);
    list.addColumnHeader(QStringLiteral("Password"), 2375);
    list.addColumnHeader(QStringLiteral("Website/Location"), 4095);
}
} // namespace

class tst_EntryList : public QObject {
    Q_OBJECT
private slots:
    void rowsAreAddressedFromOneInTheOrderShown() {
        EntryListModel rows;
        QCOMPARE(rows.append({"a", "1", "x"}), 1);
        QCOMPARE(rows.append({"b", "2", "y"}), 2);
        QCOMPARE(rows.append({"c", "3", "z"}), 3);
        QCOMPARE(rows.subItem(2, 1), QStringLiteral("2"));
        QCOMPARE(rows.subItem(3, 2), QStringLiteral("z"));

        rows.remove(1); // the rows behind move up by one
        QCOMPARE(shownColumn(rows, 0), QStringList({"b", "c"}));
        rows.setRow(2, {"C", "33", ""});
        QCOMPARE(rows.row(2), (Entry{"C", "33", ""}));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, rows.row(3));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, rows.remove(0));
    }

    void theListCannotBeEditedInPlace() {
        EntryListModel rows;
        rows.addColumnHeader(QStringLiteral("Username"));
        rows.append({"a", "1", "x"});
        const Qt::ItemFlags flags = rows.flags(rows.index(0, 0));
        QVERIFY(!flags.testFlag(Qt::ItemIsEditable));
        QVERIFY(flags.testFlag(Qt::ItemIsSelectable));
        QVERIFY(!rows.setData(rows.index(0, 0), QStringLiteral("b")));
    }

    void bulkAppendKeepsFileOrderAfterExistingRows() {
        EntryListModel rows;
        rows.append({"first", "", ""});
        QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
        rows.appendEntries({{"x", "", ""}, {"y", "", ""}});
        QCOMPARE(inserted.size(), 1); // one notification for the whole load
        QCOMPARE(shownColumn(rows, 0), QStringList({"first", "x", "y"}));
    }

    void sortingIsCaseInsensitiveStableAndInBothDirections() {
        EntryListModel rows;
        rows.setCollatorLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        fill(rows, {{"bob", "2", "one"},
                    {"Alice", "1", "two"},
                    {"alice", "3", "three"},
                    {"Carol", "0", "four"},
                    {"ALICE", "4", "five"}});
        QSignalSpy layout(&rows, &QAbstractItemModel::layoutChanged);
        rows.sortBy(0, 0);
        QCOMPARE(layout.size(), 1);
        // Equal names keep the order they had.
        QCOMPARE(shownColumn(rows, 2), QStringList({"two", "three", "five", "one", "four"}));
        rows.sortBy(0, 1);
        QCOMPARE(shownColumn(rows, 0), QStringList({"Carol", "bob", "Alice", "alice", "ALICE"}));
        rows.sortBy(1, 0);
        QCOMPARE(shownColumn(rows, 1), QStringList({"0", "1", "2", "3", "4"}));
        QVERIFY(rows.sorted());
        QCOMPARE(rows.sortKey(), 1);
        QCOMPARE(rows.sortOrder(), 0);
    }

    void sortPropertiesReorderOnlyWhileSortingIsOn() {
        EntryListModel rows;
        fill(rows, {{"b", "1", ""}, {"c", "3", ""}, {"a", "2", ""}});
        rows.setSortKey(1);
        rows.setSortOrder(1);
        QCOMPARE(shownColumn(rows, 0), QStringList({"b", "c", "a"})); // still unsorted
        rows.setSorted(true);
        QCOMPARE(shownColumn(rows, 1), QStringList({"3", "2", "1"}));
        rows.setSortOrder(0);
        QCOMPARE(shownColumn(rows, 1), QStringList({"1", "2", "3"}));
        rows.setSortKey(0);
        QCOMPARE(shownColumn(rows, 0), QStringList({"a", "b", "c"}));
    }

    void sortingIgnoresCaseInTheDefaultLocaleToo() {
        EntryListModel rows; // the machine's locale, "C" under the tests
        fill(rows, {{"b", "", ""}, {"A", "", ""}, {"a", "", ""}, {"B", "", ""}});
        rows.sortBy(0, 0);
        const QStringList names = shownColumn(rows, 0);
        QCOMPARE(names.mid(0, 2).join(QString()).toLower(), QStringLiteral("aa"));
        QCOMPARE(names.mid(2, 2).join(QString()).toLower(), QStringLiteral("bb"));
    }

    void sortingKeepsTheSelectionOnTheSameEntry() {
        EntryList list;
        addTheMainWindowsColumns(list);
        fill(list.rows(), {{"c", "", ""}, {"a", "", ""}, {"b", "", ""}});
        list.selectRow(1);
        QVERIFY(list.isSelected(1));
        list.rows().sortBy(0, 0);
        QCOMPARE(list.firstSelected(), 3);
        QCOMPARE(list.rows().text(list.firstSelected()), QStringLiteral("c"));
    }

    void headerClickReportsTheOneBasedIndex() {
        EntryList list;
        addTheMainWindowsColumns(list);
        QSignalSpy clicks(&list, &EntryList::columnClick);
        emit list.header()->sectionClicked(1);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0][0].toInt(), 2);
        QCOMPARE(list.firstSelected(), 0);
        QVERIFY(!list.isSelected(1));
    }

    void noSixteenBitLimit() {
        EntryListModel rows;
        std::vector<Entry> many(70000, Entry{"u", "p", "l"});
        many.back().username = QStringLiteral("last");
        rows.appendEntries(std::move(many));
        QCOMPARE(rows.count(), 70000);
        QCOMPARE(rows.rowCount(), 70000);
        QCOMPARE(rows.text(70000), QStringLiteral("last"));
        rows.remove(40000);
        QCOMPARE(rows.count(), 69999);
    }

    // Large lists are sorted in slices on several threads and merged: the
    // result must be exactly that of one plain stable sort.
    void largeListsSortAsOneStableSortWould_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("en_US") << "en_US";
    }
    void largeListsSortAsOneStableSortWould() {
        QFETCH(QString, locale);
        QRandomGenerator random(7);
        const QStringList pieces = {"a",  "B",      "\u00e9",     "\u00c9", "z", "Z",
                                    "1",  " ",      "\U0001F600", "-",      ".", "@",
                                    "10", "\u00df", "\u0160",     "\u20ac"};
        std::vector<Entry> entries;
        for (int i = 0; i < 60000; ++i) {
            QString text;
            for (int k = random.bounded(1, 4); k > 0; --k) {
                text += pieces[random.bounded(int(pieces.size()))];
            }
            entries.push_back({text, QString::number(i), {}});
        }
        EntryListModel rows;
        for (int c = 0; c < 3; ++c) {
            rows.addColumnHeader(QString::number(c));
        }
        rows.setCollatorLocale(QLocale(locale));
        rows.appendEntries(std::vector<Entry>(entries));
        kestrune::store::TextOrdering ordering;
        ordering.collator = QCollator(QLocale(locale));
        ordering.collator.setCaseSensitivity(Qt::CaseInsensitive);
        ordering.foldCase = locale == QLatin1String("C");
        for (const int order : {1, 0}) {
            rows.sortBy(0, order);
            std::vector<Entry> expected = entries;
            std::stable_sort(expected.begin(), expected.end(), [&](const Entry& a, const Entry& b) {
                const int c = kestrune::store::CompareTexts(a.username, b.username, ordering);
                return order == 0 ? c < 0 : c > 0;
            });
            for (qsizetype i = 1; i <= rows.count(); ++i) {
                QCOMPARE(rows.row(i), expected[std::size_t(i - 1)]);
            }
            // The next sort starts from the order shown.
            entries = expected;
        }
    }
};

QTEST_MAIN(tst_EntryList)
#include "tst_EntryList.moc"
