#include "store/TwoWayMerge.h"

#include "support/FakeStoreHost.h"

#include <QTest>

using namespace kestrune::store;
using namespace kestrune::test;
using namespace Qt::StringLiterals;

namespace {

// Entries written "user/password/location", separated by blanks.
std::vector<Entry> entries(const QString& text) {
    std::vector<Entry> list;
    for (const QString& one : text.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList fields = one.split(u'/');
        list.push_back({fields.value(0), fields.value(1), fields.value(2)});
    }
    return list;
}

} // namespace

class tst_TwoWayMerge : public QObject {
    Q_OBJECT

private slots:
    // The other file's entries the list lacks are added, in its order; the
    // rest are counted as there already. An entry equals another only in all
    // three texts, and counts as often as it stands in each.
    void merge_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("added");
        QTest::addColumn<int>("there");
        QTest::newRow("the same entries") << u"a/1/x b/2/y"_s << u"b/2/y a/1/x"_s << QString() << 2;
        QTest::newRow("one added on each side")
            << u"a/1/x b/2/y"_s << u"a/1/x c/3/z"_s << u"c/3/z"_s << 1;
        QTest::newRow("deleted here: it comes back")
            << u"a/1/x"_s << u"a/1/x b/2/y"_s << u"b/2/y"_s << 1;
        QTest::newRow("edited on both sides: both kept")
            << u"a/new/x"_s << u"a/other/x"_s << u"a/other/x"_s << 0;
        QTest::newRow("twice there, once here")
            << u"a/1/x c/3/z"_s << u"a/1/x c/3/z a/1/x"_s << u"a/1/x"_s << 2;
        QTest::newRow("twice here, once there") << u"a/1/x a/1/x"_s << u"a/1/x"_s << QString() << 1;
        QTest::newRow("an empty other file") << u"a/1/x"_s << QString() << QString() << 0;
        QTest::newRow("into an empty list")
            << QString() << u"b/2/y a/1/x b/2/y"_s << u"b/2/y a/1/x b/2/y"_s << 0;
    }
    void merge() {
        QFETCH(QString, list);
        QFETCH(QString, other);
        QFETCH(QString, added);
        QFETCH(int, there);
        VectorRows rows;
        rows.rows = entries(list);
        const TwoWayMerge merged = mergeTwoWay(rows, entries(other));
        QCOMPARE(merged.additions, entries(added));
        QCOMPARE(merged.alreadyThere, there);
        QCOMPARE(rows.rows, entries(list));
    }
};

QTEST_GUILESS_MAIN(tst_TwoWayMerge)
#include "tst_TwoWayMerge.moc"
