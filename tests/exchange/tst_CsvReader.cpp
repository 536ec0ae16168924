#include "exchange/CsvReader.h"

#include <QTest>

using namespace kestrune::exchange;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kestrune::exchange::TextEncoding)

// The corners of the CSV reader, one row each: the bytes of a file, and the
// records, delimiter and encoding it gives, or the line where it is refused.
class tst_CsvReader : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QStringList>>("records");
        QTest::addColumn<QChar>("delimiter");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<int>("errorLine"); // -1: read; otherwise refused there

        const auto ok = [](const char* name, const QByteArray& bytes, QList<QStringList> records,
                           QChar delimiter = u',', TextEncoding encoding = TextEncoding::Utf8) {
            QTest::newRow(name) << bytes << records << delimiter << encoding << -1;
        };
        const auto refused = [](const char* name, const QByteArray& bytes, int line) {
            QTest::newRow(name) << bytes << QList<QStringList>{} << QChar(u',')
                                << TextEncoding::Utf8 << line;
        };

        ok("plain, last line end missing", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}});
        ok("LF line ends", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}});
        ok("CR line ends", "a,b\rc,d\r", {{"a", "b"}, {"c", "d"}});
        ok("mixed line ends", "a\r\nb\nc\rd", {{"a"}, {"b"}, {"c"}, {"d"}});
        ok("quoted delimiter and doubled quotes", "\"a,b\",\"say \"\"hi\"\"\",\"\"\n",
           {{"a,b", "say \"hi\"", ""}});
        ok("line ends inside quotes", "\"1\r\n2\",\"3\n4\",\"5\r6\"\r\nx,y",
           {{"1\r\n2", "3\n4", "5\r6"}, {"x", "y"}});
        ok("a quote inside an unquoted field is text", "5\"x,a\"b\n", {{"5\"x", "a\"b"}});
        ok("blanks are kept", " a , b \n", {{" a ", " b "}});
        ok("empty fields, blank lines left out", "a,,\n\n,\r\n\r\nb\n\n",
           {{"a", "", ""}, {"", ""}, {"b"}});
        ok("semicolon", "a;b,c;d\n", {{"a", "b,c", "d"}}, u';');
        ok("tab", "a\tb;c\td\n", {{"a", "b;c", "d"}}, u'\t');
        ok("delimiters inside quotes do not count", "\"a;b;c\",d\n", {{"a;b;c", "d"}});
        ok("a tie goes to the comma", "a,b;c\n", {{"a", "b;c"}});
        ok("UTF-8", "n\xC3\xA9,\xE2\x82\xAC\n", {{u"né"_s, u"€"_s}});
        ok("UTF-8 with a byte-order mark", "\xEF\xBB\xBFname,x\n", {{"name", "x"}});
        ok("Windows-1252 when not UTF-8", "n\xE9,\x80\x8A\n", {{u"né"_s, u"€Š"_s}}, u',',
           TextEncoding::Windows1252);
        ok("UTF-16 with its byte-order mark",
           QByteArray("\xFF\xFE"
                      "a\0\t\0\xE9\0\n\0",
                      10),
           {{u"a"_s, u"é"_s}}, u'\t', TextEncoding::Utf16);

        refused("unterminated quote, named where it starts", "a,b\nc,\"d\ne,f\n", 2);
        refused("text after a closing quote", "a,b\n\"x\ny\"z,w\n", 3);
        refused("binary data", QByteArray("a,b\nc\0d\n", 8), 2);
        refused("an empty file", "", 0);
        refused("only blank lines", "\r\n\n", 0);
    }
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QStringList>, records);
        QFETCH(QChar, delimiter);
        QFETCH(TextEncoding, encoding);
        QFETCH(int, errorLine);

        const CsvReadResult result = readCsv(bytes);
        if (errorLine >= 0) {
            QVERIFY(!result.ok);
            QCOMPARE(result.errorLine, errorLine);
            QVERIFY(!result.error.isEmpty());
            if (errorLine > 0) {
                QVERIFY2(result.error.contains(QString::number(errorLine)),
                         qPrintable(result.error));
            }
            return;
        }
        QVERIFY2(result.ok, qPrintable(result.error));
        QList<QStringList> got;
        for (const CsvRecord& record : result.table.records) {
            got.append(QStringList(record.fields.begin(), record.fields.end()));
        }
        QCOMPARE(got, records);
        QCOMPARE(result.table.delimiter, delimiter);
        QCOMPARE(result.table.encoding, encoding);
    }

    // Rows count as a spreadsheet shows them, blank lines included; lines as
    // an editor shows them, line ends inside quotes included.
    void rowsAndLines() {
        const CsvReadResult result = readCsv("h1,h2\n\"a\nb\",c\n\nd,e\n");
        QVERIFY(result.ok);
        QCOMPARE(result.table.records.size(), std::size_t(3));
        QCOMPARE(result.table.records[1].row, 2);
        QCOMPARE(result.table.records[1].line, 2);
        QCOMPARE(result.table.records[2].row, 4);
        QCOMPARE(result.table.records[2].line, 5);
    }
};

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_CsvReader.moc"
