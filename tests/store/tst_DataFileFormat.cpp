#include "store/DataFileFormat.h"
#include "store/GeneralDate.h"
#include "store/Windows1252.h"
#include "support/FakeStoreHost.h"

#include "support/StoreTestUtil.h"

#include <QTest>

#include <algorithm>

using namespace kestrune::store;
using namespace Qt::StringLiterals;
using kestrune::test::flipped;
using kestrune::test::VectorRows;

namespace {

const QByteArray CRLF = QByteArrayLiteral("\r\n");

VectorRows rowsOf(std::vector<Entry> entries) {
    VectorRows rows;
    rows.rows = std::move(entries);
    return rows;
}

} // namespace

class tst_DataFileFormat : public QObject {
    Q_OBJECT

private slots:
    void writtenBytes() {
        QCOMPARE(emptyDataFile(), CRLF);
        QCOMPARE(createdDataFile(u"abc"_s), QByteArray("\xE1\xE2\xE3\r\n"));
        QCOMPARE(createdDataFile(QString()), CRLF);
        // The master password is never split, separators and all.
        QCOMPARE(createdDataFile(u"a|||b"_s), flipped("a|||b") + CRLF);

        QCOMPARE(savedDataFile(u"pw"_s, VectorRows()), flipped("pw") + CRLF + CRLF);
        const VectorRows rows = rowsOf({{u"u1"_s, u"p1"_s, u"l1"_s},
                                        {u"Š"_s, u"€"_s, QString()},
                                        {QString(), QString(), u"x"_s}});
        const QByteArray line2 = QByteArray("\x0A\xFC\xFC\xFC\x00\xFC\xFC\xFC", 8);
        QCOMPARE(savedDataFile(u"abc"_s, rows), QByteArray("\xE1\xE2\xE3\r\n") +
                                                    flipped("u1|||p1|||l1") + CRLF + line2 + CRLF +
                                                    flipped("||||||x") + CRLF + CRLF);
        QCOMPARE(encodedEntryLine(rows.rows[1]), line2);

        // Long texts go eight characters at a time: a character outside the
        // code page, or one of its own above 7F, anywhere in such a run.
        QCOMPARE(createdDataFile(u"abcdefg\u4E2Dhijklmnop"_s), flipped("abcdefg?hijklmnop") + CRLF);
        QCOMPARE(createdDataFile(u"0123456789abcdeŠ€é"_s),
                 flipped("0123456789abcde\x8A\x80\xE9") + CRLF);

        // A save hands the same bytes over in pieces; none is empty before the
        // end, and a piece is only longer than asked when one line is.
        const QByteArray whole = savedDataFile(u"abc"_s, rows);
        for (const qsizetype pieceSize : {1, 2, 5, 7, 16, 4096}) {
            SavedFileEncoder encoder(u"abc"_s, rows, pieceSize);
            QByteArray joined;
            // A piece is still intact after the next one has been made: it may
            // be being written meanwhile.
            QByteArrayView previous;
            QByteArray previousCopy;
            for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
                QCOMPARE(previous.toByteArray(), previousCopy);
                QVERIFY(piece.size() <= std::max<qsizetype>(pieceSize, 14));
                joined.append(piece);
                previous = piece;
                previousCopy = piece.toByteArray();
            }
            QCOMPARE(previous.toByteArray(), previousCopy);
            QCOMPARE(joined, whole);
            QVERIFY(encoder.next().isEmpty());
        }
    }

    void storedPassword_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero bytes") << QByteArray() << QString();
        QTest::newRow("empty line 1") << CRLF + flipped("a|||b|||c") + CRLF << QString();
        QTest::newRow("case kept")
            << flipped("PassWord") + CRLF + flipped("a|||b|||c") + CRLF << u"PassWord"_s;
        QTest::newRow("separators") << flipped("x|||y") + CRLF << u"x|||y"_s;
        QTest::newRow("no line end") << flipped("pw") << u"pw"_s;
        QTest::newRow("LF is text") << flipped("ab") + "\n" + flipped("cd") + CRLF << u"abŠcd"_s;
        QTest::newRow("CR alone ends") << flipped("ab") + "\r" + flipped("cd") << u"ab"_s;
    }
    void storedPassword() {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QCOMPARE(storedPasswordOf(file), expected);
    }

    void entries_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<std::vector<Entry>>("expected");
        const QByteArray pw = flipped("pw") + CRLF;
        QTest::newRow("zero bytes") << QByteArray() << std::vector<Entry>{};
        QTest::newRow("password only") << pw << std::vector<Entry>{};
        QTest::newRow("saved, empty list") << pw + CRLF << std::vector<Entry>{};
        QTest::newRow("empty line 1")
            << CRLF + flipped("a|||b|||c") + CRLF << std::vector<Entry>{{u"a"_s, u"b"_s, u"c"_s}};
        QTest::newRow("blank lines skipped")
            << pw + CRLF + flipped("a|||b|||c") + CRLF + " \r\n" + CRLF + flipped("d|||e|||f") +
                   CRLF + " "
            << std::vector<Entry>{{u"a"_s, u"b"_s, u"c"_s}, {u"d"_s, u"e"_s, u"f"_s}};
        // Two blanks are not one: they stand for two no-break spaces.
        QTest::newRow("two blanks kept") << pw + "  \r\n"
                                         << std::vector<Entry>{{u"\u00A0\u00A0"_s, {}, {}}};
        QTest::newRow("extra pieces dropped") << pw + flipped("a|||b|||c|||d|||e") + CRLF
                                              << std::vector<Entry>{{u"a"_s, u"b"_s, u"c"_s}};
        QTest::newRow("one separator")
            << pw + flipped("a|||b") + CRLF << std::vector<Entry>{{u"a"_s, u"b"_s, {}}};
        QTest::newRow("no separator")
            << pw + flipped("a") + CRLF << std::vector<Entry>{{u"a"_s, {}, {}}};
        QTest::newRow("empty fields")
            << pw + flipped("||||||") + CRLF << std::vector<Entry>{Entry{}};
        QTest::newRow("lone bar") << pw + flipped("a|b|||c||d||||e") + CRLF
                                  << std::vector<Entry>{{u"a|b"_s, u"c||d"_s, u"|e"_s}};
        QTest::newRow("CR alone, no end")
            << pw + flipped("a|||b|||c") + "\r" + flipped("d|||e|||f")
            << std::vector<Entry>{{u"a"_s, u"b"_s, u"c"_s}, {u"d"_s, u"e"_s, u"f"_s}};
        QTest::newRow("LF is text")
            << pw + "\n\r\n" + flipped("x") + "\n" + flipped("|||y|||z") + CRLF
            << std::vector<Entry>{{u"Š"_s, {}, {}}, {u"xŠ"_s, u"y"_s, u"z"_s}};
    }
    void entries() {
        QFETCH(QByteArray, file);
        QFETCH(std::vector<Entry>, expected);
        QCOMPARE(entriesOf(file), expected);
        // The program reads the file in pieces: every way of cutting it, with
        // a line, or its CR LF, torn between two pieces, gives the same.
        for (qsizetype size = 1; size <= file.size(); ++size) {
            EntryReader reader;
            reader.expectBytes(file.size());
            for (qsizetype at = 0; at < file.size(); at += size) {
                reader.feed(QByteArrayView(file).sliced(at, std::min(size, file.size() - at)));
            }
            QCOMPARE(reader.finish(), expected);
        }
    }

    // Every character of the code page but the one at 8D, in every field,
    // comes back from a save unchanged.
    void everyStorableCharacterRoundTrips() {
        QString all;
        for (int b = 0; b < 256; ++b) {
            if (b != 0x8D) {
                all += fromWindows1252(QByteArray(1, char(b)));
            }
        }
        QCOMPARE(firstUnstorableCharacter(all), QString());
        const VectorRows rows = rowsOf(
            {{all, u"p"_s, u"l"_s}, {u"u"_s, all, u"l"_s}, {u"u"_s, u"p"_s, all}, {all, all, all}});
        const QByteArray file = savedDataFile(all, rows);
        QCOMPARE(storedPasswordOf(file), all);
        QCOMPARE(entriesOf(file), rows.rows);
    }

    void unstorableCharacter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("storable") << u"€Šÿ ~\u0081\u008F\u0090\u009D"_s << QString();
        QTest::newRow("omega") << u"abΩ"_s << u"Ω"_s;
        QTest::newRow("emoji, pair whole") << u"a😀b"_s << u"😀"_s;
        QTest::newRow("lone high surrogate") << u"a"_s + QChar(0xD83D) << QString(QChar(0xD83D));
        QTest::newRow("lone low surrogate") << QChar(0xDE00) + u"b"_s << QString(QChar(0xDE00));
        QTest::newRow("U+0080") << u"\u0080"_s << u"\u0080"_s;
        QTest::newRow("8D encodes to CR") << u"ab\u008Dc"_s << u"\u008D"_s;
        QTest::newRow("8D first") << u"\u008DΩ"_s << u"\u008D"_s;
        QTest::newRow("omega first") << u"Ω\u008D"_s << u"Ω"_s;
    }
    void unstorableCharacter() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(firstUnstorableCharacter(text), expected);
    }

    void generalDate_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("fr_CA") << QLocale(QLocale::French, QLocale::Canada);
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
    }
    // The short date, a blank and the long time less its time zone; only the
    // date at midnight. Checked against the locale's own formats.
    void generalDate() {
        QFETCH(QLocale, locale);
        const QDate date(2031, 11, 23);
        const QString shortDate = locale.toString(date, QLocale::ShortFormat);
        QCOMPARE(GeneralDateText(QDateTime(date, QTime(0, 0)), locale), shortDate);

        for (const QTime time : {QTime(0, 0, 1), QTime(13, 5, 9), QTime(23, 59, 59)}) {
            const QDateTime when(date, time);
            const QString text = GeneralDateText(when, locale);
            QVERIFY2(text.startsWith(shortDate + u' '), qPrintable(text));
            const QString timeText = text.mid(shortDate.size() + 1);
            QString longTime = locale.toString(when, locale.timeFormat(QLocale::LongFormat));
            if (const QString zone = when.timeZoneAbbreviation(); !zone.isEmpty()) {
                QVERIFY(!timeText.contains(zone));
                longTime.remove(zone);
            }
            QCOMPARE(timeText, longTime.simplified());
            QCOMPARE(locale.toTime(timeText, LongTimeFormatWithoutZone(locale)), time);
        }
    }
};

QTEST_APPLESS_MAIN(tst_DataFileFormat)
#include "tst_DataFileFormat.moc"
