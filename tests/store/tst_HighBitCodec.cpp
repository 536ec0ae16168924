#include "store/HighBitCodec.h"
#include "store/Windows1252.h"

#include <QTest>

using namespace kestrune::store;
using namespace Qt::StringLiterals;

namespace {

// The characters of the bytes 80 to 9F; the five bytes the code page leaves
// open stand for the control character of the same number.
// clang-format off
constexpr char16_t kBytes80To9F[32] = {
    u'€',   0x0081, u'‚', u'ƒ', u'„', u'…', u'†', u'‡',    // 80-87
    u'ˆ',   u'‰',   u'Š', u'‹', u'Œ', 0x008D, u'Ž', 0x008F, // 88-8F
    0x0090, u'‘',   u'’', u'“', u'”', u'•', u'–', u'—',    // 90-97
    u'˜',   u'™',   u'š', u'›', u'œ', 0x009D, u'ž', u'Ÿ',  // 98-9F
};
// clang-format on

char16_t characterOfByte(int b) {
    return (b >= 0x80 && b <= 0x9F) ? kBytes80To9F[b - 0x80] : char16_t(b);
}

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.append(char(b));
    }
    return bytes;
}

} // namespace

class tst_HighBitCodec : public QObject {
    Q_OBJECT

private slots:
    void everyByteHasItsOwnCharacter() {
        const QString text = fromWindows1252(allBytes());
        QCOMPARE(text.size(), 256);
        for (int b = 0; b < 256; ++b) {
            QCOMPARE(text[b].unicode(), characterOfByte(b));
            QCOMPARE(windows1252Byte(characterOfByte(b)), b);
        }
        QCOMPARE(toWindows1252(text).value_or(QByteArray()), allBytes());
        for (const char16_t ch : {0x0080, 0x0082, 0x009F, 0x0100, 0x03A9, 0x20AD, 0xD83D}) {
            QCOMPARE(windows1252Byte(ch), -1);
        }
        QVERIFY(!toWindows1252(u"abcΩ").has_value());
    }

    void flipsTheTopBitOfEveryByte() {
        QCOMPARE(HighBitCodec(QByteArrayLiteral("abc")), QByteArray("\xE1\xE2\xE3"));
        QCOMPARE(HighBitCodec(QByteArrayLiteral("|||")), QByteArray("\xFC\xFC\xFC"));
        QCOMPARE(HighBitCodec(QByteArray(1, '\0')), QByteArray(1, '\x80'));
        QCOMPARE(HighBitCodec(QByteArray(1, '\x80')), QByteArray(1, '\0'));

        const QByteArray bytes = allBytes();
        const QByteArray once = HighBitCodec(bytes);
        for (int b = 0; b < 256; ++b) {
            QCOMPARE(static_cast<unsigned char>(once[b]), b ^ 0x80);
        }
        QCOMPARE(HighBitCodec(once), bytes);
    }

    void textGoesThroughTheCodePage() {
        QCOMPARE(HighBitCodec(u"abc"_s), u"áâã"_s);
        QCOMPARE(HighBitCodec(u"Š€"_s), u"\n\0"_s);
        const QString all = fromWindows1252(allBytes());
        QCOMPARE(HighBitCodec(all), fromWindows1252(HighBitCodec(allBytes())));
        QCOMPARE(HighBitCodec(HighBitCodec(all)), all);
        // A character the code page cannot hold comes back as "?".
        QCOMPARE(HighBitCodec(HighBitCodec(u"aΩb"_s)), u"a?b"_s);
    }
};

QTEST_APPLESS_MAIN(tst_HighBitCodec)
#include "tst_HighBitCodec.moc"
