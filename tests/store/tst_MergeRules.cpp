#include "store/MergeRules.h"
#include "support/EntryText.h"

#include <QTest>

using namespace kestrune::store;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kestrune::store::EntryChange)

namespace {

Entry e(const char* name) {
    return {QString::fromLatin1(name), u"pw-"_s + QString::fromLatin1(name), u"site"_s};
}

} // namespace

// A change of the list made again on content that another program changed.
class tst_MergeRules : public QObject {
    Q_OBJECT
private slots:
    void applyChange_data() {
        QTest::addColumn<std::vector<Entry>>("content");
        QTest::addColumn<EntryChange>("change");
        QTest::addColumn<std::vector<Entry>>("expected");
        QTest::addColumn<qsizetype>("alreadyThere");
        const std::vector<Entry> changed = {e("a"), e("x"), e("b")};
        QTest::newRow("no entry change") << changed << EntryChange{} << changed << qsizetype(0);
        QTest::newRow("add onto changed content")
            << changed << EntryChange::add(e("c"))
            << std::vector<Entry>{e("a"), e("x"), e("b"), e("c")} << qsizetype(0);
        QTest::newRow("add of an entry already there: added all the same")
            << changed << EntryChange::add(e("x"))
            << std::vector<Entry>{e("a"), e("x"), e("b"), e("x")} << qsizetype(0);
        QTest::newRow("edit in place")
            << changed << EntryChange::edit(e("x"), e("y"))
            << std::vector<Entry>{e("a"), e("y"), e("b")} << qsizetype(0);
        QTest::newRow("edit: the first of equal entries")
            << std::vector<Entry>{e("x"), e("a"), e("x")} << EntryChange::edit(e("x"), e("y"))
            << std::vector<Entry>{e("y"), e("a"), e("x")} << qsizetype(0);
        QTest::newRow("edit of an entry that is gone: appended, both kept")
            << changed << EntryChange::edit(e("gone"), e("y"))
            << std::vector<Entry>{e("a"), e("x"), e("b"), e("y")} << qsizetype(0);
        QTest::newRow("edit of a field only")
            << changed << EntryChange::edit(e("x"), Entry{u"x"_s, u"new"_s, u"site"_s})
            << std::vector<Entry>{e("a"), Entry{u"x"_s, u"new"_s, u"site"_s}, e("b")}
            << qsizetype(0);
        QTest::newRow("delete") << changed << EntryChange::remove(e("x"))
                                << std::vector<Entry>{e("a"), e("b")} << qsizetype(0);
        QTest::newRow("delete: the first of equal entries")
            << std::vector<Entry>{e("x"), e("a"), e("x")} << EntryChange::remove(e("x"))
            << std::vector<Entry>{e("a"), e("x")} << qsizetype(0);
        QTest::newRow("delete of an entry that is gone: nothing")
            << changed << EntryChange::remove(e("gone")) << changed << qsizetype(0);
        QTest::newRow("delete onto empty content")
            << std::vector<Entry>{} << EntryChange::remove(e("x")) << std::vector<Entry>{}
            << qsizetype(0);
        QTest::newRow("import onto changed content, duplicates counted against it")
            << changed << EntryChange::append({e("c"), e("x"), e("d"), e("b")})
            << std::vector<Entry>{e("a"), e("x"), e("b"), e("c"), e("d")} << qsizetype(2);
        QTest::newRow("import: a duplicate within it")
            << changed << EntryChange::append({e("c"), e("c"), e("a")})
            << std::vector<Entry>{e("a"), e("x"), e("b"), e("c")} << qsizetype(2);
        QTest::newRow("import: one field differs, no duplicate")
            << changed << EntryChange::append({Entry{u"a"_s, u"pw-a"_s, u"Site"_s}})
            << std::vector<Entry>{e("a"), e("x"), e("b"), Entry{u"a"_s, u"pw-a"_s, u"Site"_s}}
            << qsizetype(0);
    }
    void applyChange() {
        QFETCH(std::vector<Entry>, content);
        QFETCH(EntryChange, change);
        QFETCH(std::vector<Entry>, expected);
        QFETCH(qsizetype, alreadyThere);
        const AppliedChange applied = kestrune::store::applyChange(content, change);
        QCOMPARE(applied.entries, expected);
        QCOMPARE(applied.alreadyThere, alreadyThere);
    }
};

QTEST_GUILESS_MAIN(tst_MergeRules)
#include "tst_MergeRules.moc"
