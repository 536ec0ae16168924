#include "exchange/CsvExport.h"
#include "exchange/CsvReader.h"
#include "exchange/ImportLayouts.h"
#include "exchange/ImportPlan.h"
#include "support/FakeStoreHost.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrune::exchange;
using kestrune::store::Entry;
using kestrune::test::VectorRows;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kestrune::exchange::Layout)
Q_DECLARE_METATYPE(kestrune::exchange::NotKept)
Q_DECLARE_METATYPE(std::vector<kestrune::store::Entry>)

namespace kestrune::store {
// Lets QCOMPARE show the entries when two lists differ.
char* toString(const std::vector<Entry>& entries) {
    QStringList lines;
    for (const Entry& e : entries) {
        lines.append(QStringLiteral("[%1|%2|%3]").arg(e.username, e.password, e.location));
    }
    return QTest::toString(lines.join(QLatin1Char(' ')));
}
} // namespace kestrune::store

namespace kestrune::exchange {
char* toString(const NotKept& n) {
    return QTest::toString(QStringLiteral("notes %1 folders %2 totp %3 times %4 names %5 "
                                          "fields %6 other %7")
                               .arg(n.notes)
                               .arg(n.folders)
                               .arg(n.totp)
                               .arg(n.times)
                               .arg(n.names)
                               .arg(n.fields)
                               .arg(n.other));
}
} // namespace kestrune::exchange

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads a whole file the way the import does, recognising its layout.
struct Read {
    CsvReadResult csv;
    std::optional<KnownLayout> known;
};
Read readAndRecognise(const QByteArray& bytes) {
    Read read{readCsv(bytes), std::nullopt};
    if (read.csv.ok && !read.csv.table.records.empty()) {
        read.known = recogniseLayout(read.csv.table.records.front().fields);
    }
    return read;
}

NotKept notKept(qsizetype notes, qsizetype folders, qsizetype totp, qsizetype times,
                qsizetype names, qsizetype fields) {
    NotKept n;
    n.notes = notes;
    n.folders = folders;
    n.totp = totp;
    n.times = times;
    n.names = names;
    n.fields = fields;
    return n;
}

} // namespace

class tst_Exchange : public QObject {
    Q_OBJECT

private slots:
    // One small file per known layout, written from the layouts' column lists.
    void knownLayouts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<std::vector<Entry>>("entries");
        QTest::addColumn<qsizetype>("notLogins");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<NotKept>("notKept");

        QTest::newRow("KeePassXC")
            << "keepassxc.csv" << Layout::KeePassXC
            << std::vector<Entry>{{u"anna@example.org"_s, u"p,w\"1"_s,
                                   u"https://mail.example.org/"_s},
                                  {u"My Bank"_s, u"s3cret"_s, u"https://bank.example.com"_s}}
            << qsizetype(0) << QStringList{} << notKept(1, 2, 1, 2, 1, 0);
        QTest::newRow("Bitwarden")
            << "bitwarden.csv" << Layout::Bitwarden
            << std::vector<Entry>{{u"ben"_s, u"w1k1"_s, u"https://wiki.example.net/login"_s},
                                  {u"shop.example.com"_s, u"Sh0p!"_s,
                                   u"https://shop.example.com"_s}}
            << qsizetype(2) << QStringList{} << notKept(0, 1, 0, 0, 1, 1);
        QTest::newRow("Bitwarden, organisation")
            << "bitwarden-organisation.csv" << Layout::BitwardenOrganisation
            << std::vector<Entry>{{u"admin"_s, u"r0uter"_s, u"http://192.168.1.1"_s}}
            << qsizetype(1) << QStringList{} << notKept(1, 1, 1, 0, 1, 0);
        // Its header in other letter cases; the name is the site, not counted as lost.
        QTest::newRow("Chrome, with a note")
            << "chrome.csv" << Layout::Chrome
            << std::vector<Entry>{{u"carla"_s, u"pa;ss"_s, u"https://example.com/"_s},
                                  {u"forum.example.org"_s, u"f0rum"_s,
                                   u"https://forum.example.org/login"_s}}
            << qsizetype(0) << QStringList{} << notKept(1, 0, 0, 0, 0, 0);
        QTest::newRow("Firefox") << "firefox.csv" << Layout::Firefox
                                 << std::vector<Entry>{{u"dora"_s, u"d0ra!"_s,
                                                        u"https://accounts.example.com"_s}}
                                 << qsizetype(0) << QStringList{u"3: no username"_s}
                                 << notKept(0, 0, 0, 2, 0, 0);
    }
    void knownLayouts() {
        QFETCH(QString, file);
        QFETCH(Layout, layout);
        QFETCH(std::vector<Entry>, entries);
        QFETCH(qsizetype, notLogins);
        QFETCH(QStringList, refused);
        QFETCH(NotKept, notKept);

        const Read read =
            readAndRecognise(fileBytes(QStringLiteral(KESTRUNE_LAYOUTS_DIR "/") + file));
        QVERIFY2(read.csv.ok, qPrintable(read.csv.error));
        QVERIFY(read.known.has_value());
        QCOMPARE(read.known->layout, layout);
        const ImportPlan plan = planImport(read.csv.table, read.known->mapping, VectorRows());
        QCOMPARE(plan.additions, entries);
        QCOMPARE(plan.notLogins, notLogins);
        QStringList refusedRows;
        for (const RefusedRow& r : plan.refused) {
            refusedRows << QStringLiteral("%1: %2").arg(r.row).arg(r.reason);
        }
        QCOMPARE(refusedRows, refused);
        QCOMPARE(plan.notKept, notKept);
    }

    // A header that is none of the known layouts goes to the mapping, which
    // offers the columns whose names fit.
    void otherHeaders() {
        QVERIFY(!recogniseLayout({u"name"_s, u"url"_s, u"username"_s, u"password"_s, u"extra"_s}));
        QVERIFY(!recogniseLayout({u"name"_s, u"url"_s, u"username"_s}));
        QVERIFY(!recogniseLayout({u"url"_s, u"url"_s, u"username"_s, u"password"_s}));

        const ColumnMapping guessed =
            guessMapping({u"Site"_s, u"Notes"_s, u"E-Mail"_s, u"Login Password"_s}, 4, true);
        QCOMPARE(guessed.username, 2);
        QCOMPARE(guessed.password, 3);
        QCOMPARE(guessed.location, 0);
        const ColumnMapping unnamed = guessMapping({u"a"_s, u"b"_s}, 2, false);
        QCOMPARE(unnamed.username, 0);
        QCOMPARE(unnamed.password, 1);
        QCOMPARE(unnamed.location, -1);
        QVERIFY(!unnamed.firstLineNames);
    }

    // What the summary counts: rows already present (in the list, or earlier
    // in the file) and rows that cannot be stored, each with its reason, which
    // never shows a password.
    void summaryCounts() {
        VectorRows list;
        list.rows = {{u"old"_s, u"pw"_s, u"site"_s}};
        const QByteArray file = "user,pass,website\n"
                                "old,pw,site\n"        // 2: in the list
                                "new,pw,site\n"        // 3: added
                                "new,pw,site\n"        // 4: as row 3
                                "new,pw,Site\n"        // 5: added, letter case counts
                                ",pw,x\n"              // 6
                                "u,,x\n"               // 7
                                "a|||b,pw,x\n"         // 8
                                "u,p|,x\n"             // 9
                                "u,p,x|\n"             // 10: added, the location may end so
                                "u\xE2\x98\x83,p,x\n"  // 11
                                "u,p\xE2\x98\x83q,x\n" // 12: the password's character not named
                                "u,p,x\xC2\x8D\n"      // 13
                                "  ,  ,  \n";          // 14: blanks count as text
        const CsvReadResult read = readCsv(file);
        QVERIFY(read.ok);
        QVERIFY(!recogniseLayout(read.table.records.front().fields));
        const ColumnMapping mapping = guessMapping(read.table.records.front().fields, 3, true);
        QCOMPARE(mapping.location, 2);
        const ImportPlan plan = planImport(read.table, mapping, list);

        QCOMPARE(plan.rows, 13);
        QCOMPARE(plan.duplicates, 2);
        QCOMPARE(plan.additions, (std::vector<Entry>{{u"new"_s, u"pw"_s, u"site"_s},
                                                     {u"new"_s, u"pw"_s, u"Site"_s},
                                                     {u"u"_s, u"p"_s, u"x|"_s},
                                                     {u"  "_s, u"  "_s, u"  "_s}}));
        QStringList reasons;
        for (const RefusedRow& r : plan.refused) {
            reasons << QStringLiteral("%1: %2").arg(r.row).arg(r.reason);
        }
        QCOMPARE(reasons,
                 (QStringList{u"6: no username"_s, u"7: no password"_s,
                              u"8: \"|||\" in the username"_s, u"9: the password ends with \"|\""_s,
                              u"11: the character \"\u2603\" in the username cannot be stored"_s,
                              u"12: a character in the password cannot be stored"_s,
                              u"13: character 141 in the location cannot be stored"_s}));
        const QString summary = summaryText(plan, layoutName(Layout::Other), TextEncoding::Utf8);
        QVERIFY(summary.contains(u"4 entries will be added."_s));
        QVERIFY(summary.contains(u"2 rows are skipped"_s));
        QVERIFY(summary.contains(u"7 rows cannot be stored:"_s));
        QVERIFY(!summary.contains(u"p\u2603q"_s));
    }

    // An export read back into an empty list gives the same entries in the
    // same order, whatever their texts hold.
    void exportRoundTrip() {
        VectorRows list;
        list.rows = {{u"anna"_s, u"p,w\"1"_s, u"https://Anna@mail.example.org:8443/in?x=1"_s},
                     {u"ben"_s, u" lead and trail "_s, u"C:\\Users\\ben\\file.txt"_s},
                     {u"carla"_s, u"line\r\nbreak\nand\rmore"_s, u"www.example.com/login"_s},
                     {u"dora;x"_s, u"€Šé\tß"_s, QString()},
                     {u"\"quoted\""_s, u"x"_s, u"192.168.1.1"_s},
                     {u"anna"_s, u"p,w\"1"_s, u"https://Anna@mail.example.org:8443/in?x=1"_s}};
        const QByteArray bytes = exportCsv(list);
        QVERIFY(bytes.startsWith("name,url,username,password\r\n"
                                 "mail.example.org,https://Anna@mail.example.org:8443/in?x=1,"
                                 "anna,\"p,w\"\"1\"\r\n"
                                 "ben,C:\\Users\\ben\\file.txt,ben,\" lead and trail \"\r\n"
                                 "www.example.com,www.example.com/login,carla,"));
        QVERIFY(bytes.contains("\r\ndora;x,,dora;x,\xE2\x82\xAC\xC5\xA0\xC3\xA9\t\xC3\x9F\r\n"
                               "192.168.1.1,192.168.1.1,\"\"\"quoted\"\"\",x\r\n"));

        const Read read = readAndRecognise(bytes);
        QVERIFY2(read.csv.ok, qPrintable(read.csv.error));
        QVERIFY(read.known.has_value());
        QCOMPARE(read.known->layout, Layout::Chrome);
        const ImportPlan plan = planImport(read.csv.table, read.known->mapping, VectorRows());
        std::vector<Entry> expected = list.rows;
        expected.pop_back(); // the same entry twice comes in once
        QCOMPARE(plan.additions, expected);
        QCOMPARE(plan.duplicates, 1);
        QCOMPARE(plan.notKept, NotKept{});

        // Written whole, for its owner only, also over a file others could read.
        QTemporaryDir folder;
        const QString path = folder.filePath(u"kestrune-export.csv"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadOther | QFileDevice::ReadGroup));
        QVERIFY(writeExport(path, list).ok);
        QCOMPARE(fileBytes(path), bytes);
#ifdef Q_OS_UNIX
        QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"kestrune-export.csv"_s});
    }
};

QTEST_GUILESS_MAIN(tst_Exchange)
#include "tst_Exchange.moc"
