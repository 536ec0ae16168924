#include "dialogs/RtfReader.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using kestrune::ui::readRtf;

namespace {

QString plainText(const QByteArray& rtf) {
    QTextDocument document;
    readRtf(rtf, document);
    // The raw text keeps non-breaking spaces; only paragraph marks become '\n'.
    return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// The character formatting of one fragment as a short tag: b, i, u, the point
// size and the colour; empty for plain text.
QString tagOf(const QTextCharFormat& format) {
    QString tag;
    if (format.fontWeight() == QFont::Bold) {
        tag += u'b';
    }
    if (format.fontItalic()) {
        tag += u'i';
    }
    if (format.fontUnderline()) {
        tag += u'u';
    }
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        tag += QStringLiteral("%1pt").arg(format.fontPointSize());
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        tag += format.foreground().color().name();
    }
    return tag;
}

// The document's text with every formatted run written as [tag:text], blocks
// joined by '|'. Neighbouring fragments with the same tag make one run.
QString marked(const QTextDocument& document) {
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString text;
        QString runTag;
        QString run;
        const auto endRun = [&] {
            text += runTag.isEmpty() ? run : QStringLiteral("[%1:%2]").arg(runTag, run);
            run.clear();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString tag = tagOf(fragment.charFormat());
            if (tag != runTag) {
                endRun();
                runTag = tag;
            }
            run += fragment.text();
        }
        endRun();
        blocks.append(text);
    }
    return blocks.join(u'|');
}

QString marked(const QByteArray& rtf) {
    QTextDocument document;
    readRtf(rtf, document);
    return marked(document);
}

QByteArray repeated(const char* piece, int times) {
    return QByteArray(piece).repeated(times);
}

} // namespace

class tst_RtfReader : public QObject {
    Q_OBJECT
private slots:
    void readsTheHelpFile() {
        QFile file(QStringLiteral(KESTRUNE_HELP_RTF));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray rtf = file.readAll();
        // Written by hand in plain ASCII; everything else is escaped.
        for (const char c : rtf) {
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        }

        QTextDocument document;
        readRtf(rtf, document);
        const QString text = document.toPlainText();
        QVERIFY(text.size() > 3000);
        QVERIFY(document.blockCount() > 30);
        QVERIFY(text.startsWith(QStringLiteral("Kestrune\n")));
        for (const char* needle :
             {"master password", "at least 4 characters", "three tries", "Website/Location",
              "\u201Chttp://\u201D", "Ctrl+Shift+U", "data.enc", "not encrypted", "Show at Startup",
              "View Help", "www.kestrune.example", "\u20AC", "\u00E9", "Find Next", "Match case",
              "Generate", "30 seconds"}) {
            QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
        }
        // Nothing of the markup or the hidden tables shows.
        for (const char* leak :
             {"\\", "{", "}", "Sans Serif", "Monospace", "Kestrune Help", "colortbl", "red31"}) {
            QVERIFY2(!text.contains(QLatin1String(leak)), leak);
        }

        const QString title = marked(document).section(u'|', 0, 0);
        QCOMPARE(title, QStringLiteral("[b20pt#1f497d:Kestrune]"));
        QCOMPARE(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
        int boldRuns = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                boldRuns += it.fragment().charFormat().fontWeight() == QFont::Bold ? 1 : 0;
            }
        }
        QVERIFY(boldRuns > 20);
    }

    void formatsExactlyTheMarkedCharacters_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bold on and off")
            << QByteArray(R"({\rtf1 a\b bold\b0 c})") << QStringLiteral("a[b:bold]c");
        QTest::newRow("b1 is on") << QByteArray(R"({\rtf1 \b1 x\b0 y})")
                                  << QStringLiteral("[b:x]y");
        QTest::newRow("group restores")
            << QByteArray(R"({\rtf1 x{\b y{\i z}w}v})") << QStringLiteral("x[b:y][bi:z][b:w]v");
        QTest::newRow("underline forms")
            << QByteArray(R"({\rtf1 \ul a\ulnone b\ul c\ul0 d})") << QStringLiteral("[u:a]b[u:c]d");
        QTest::newRow("plain resets all")
            << QByteArray(R"({\rtf1 \b\i\ul\fs40 x\plain y})") << QStringLiteral("[biu20pt:x]y");
        QTest::newRow("size in half points")
            << QByteArray(R"({\rtf1 \fs40 big\fs21 odd{\fs10 s}r\fs0 d})")
            << QStringLiteral("[20pt:big][10.5pt:odd][5pt:s][10.5pt:r]d");
        QTest::newRow("colour table")
            << QByteArray("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                          "\\cf1 r\\cf2 b{\\cf1 g}b\\cf0 d\\cf9 x}")
            << QStringLiteral("[#ff0000:r][#0000ff:b][#ff0000:g][#0000ff:b]dx");
        QTest::newRow("auto entry and clamped components")
            << QByteArray("{\\rtf1{\\colortbl\\red0;;\\red999\\green-5\\blue128;}"
                          "\\cf0 a\\cf1 b\\cf2 c}")
            << QStringLiteral("ab[#ff0080:c]");
        QTest::newRow("format spans a paragraph") << QByteArray(R"({\rtf1 {\b one\par two}three})")
                                                  << QStringLiteral("[b:one]|[b:two]three");
    }

    void formatsExactlyTheMarkedCharacters() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(marked(rtf), expected);
    }

    void decodesCharacters_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* rtf, const char16_t* expected) {
            QTest::newRow(name) << QByteArray(rtf) << QString::fromUtf16(expected);
        };
        row("hex escapes", R"({\rtf1 caf\'e9 \'80 \'8a \'E9})", u"caf\u00E9 \u20AC \u0160 \u00E9");
        row("raw high byte", "{\\rtf1 \xE9\x80}", u"\u00E9\u20AC");
        row("unicode with fallback", R"({\rtf1 a\u8364?b})", u"a\u20ACb");
        row("uc0", R"({\rtf1 \uc0\u8364 ?})", u"\u20AC?");
        row("uc2", R"({\rtf1 \uc2\u8364??x})", u"\u20ACx");
        row("hex escape is one fallback", R"({\rtf1 \uc2\u8364\'80\'80x})", u"\u20ACx");
        row("control word is one fallback", R"({\rtf1 \u8364\'80\par x})", u"\u20AC\nx");
        row("negative", R"({\rtf1 \u-3913?})", u"\uF0B7");
        row("surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", u"\U0001F600");
        // The document's own marks for frames and embedded objects are no
        // text: a frame mark would otherwise start a new paragraph.
        row("reserved characters", R"({\rtf1 a\u64976?b\u64977?c\u-4?d})",
            u"a\uFFFDb\uFFFDc\uFFFDd");
        row("uc ends with its group", R"({\rtf1{\uc2 \u8364ab}c\u8364?d})", u"\u20ACc\u20ACd");
        row("a brace ends the fallback", R"({\rtf1{\uc3\u8364a}b})", u"\u20ACb");
        row("control symbols", R"({\rtf1 a\\b\{c\}d\~e\-f\_g})", u"a\\b{c}d\u00A0ef\u2011g");
        row("named characters",
            R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
            u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D");
        row("delimiting space is eaten once", R"({\rtf1 \b  two\b0})", u" two");
    }

    void decodesCharacters() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(plainText(rtf), expected);
    }

    void skipsHiddenDestinations() {
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Helv;}{\\f1 Mono;}}"
                               "{\\stylesheet{\\s0 Normal;}}"
                               "{\\info{\\title T}{\\author A}}"
                               "{\\*\\foo hidden {\\b nested}}"
                               "{\\pict\\pngblip 89504e470d0a1a0a}"
                               "{\\header hdr}{\\footerl ftr}"
                               "{\\pict\\bin6 }}{{\\}x}y"
                               "shown}";
        QCOMPARE(plainText(rtf), QStringLiteral("yshown"));
    }

    void breaksParagraphsAndLines() {
        QTextDocument document;
        readRtf("{\\rtf1 a\\par b\\line c\\tab d\r\ne\\\nf\\\r\ng}", document);
        QCOMPARE(document.blockCount(), 4);
        QCOMPARE(document.findBlockByNumber(0).text(), QStringLiteral("a"));
        QCOMPARE(document.findBlockByNumber(1).text(), QString::fromUtf16(u"b\u2028c\tde"));
        QCOMPARE(document.findBlockByNumber(2).text(), QStringLiteral("f"));
        QCOMPARE(document.findBlockByNumber(3).text(), QStringLiteral("g"));
    }

    void setsParagraphFormat() {
        QTextDocument document;
        readRtf(R"({\rtf1\qc\sb150\li300\fi-150 centred\par still\par\pard plain\par\qr right})",
                document);
        QCOMPARE(document.blockCount(), 4);
        const QTextBlockFormat first = document.findBlockByNumber(0).blockFormat();
        QCOMPARE(first.alignment(), Qt::AlignHCenter);
        QCOMPARE(first.topMargin(), 10.0);
        QCOMPARE(first.leftMargin(), 20.0);
        QCOMPARE(first.textIndent(), -10.0);
        QCOMPARE(document.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
        const QTextBlockFormat reset = document.findBlockByNumber(2).blockFormat();
        QVERIFY(!reset.hasProperty(QTextFormat::BlockAlignment));
        QCOMPARE(reset.leftMargin(), 0.0);
        QCOMPARE(document.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignRight);
    }

    void replacesTheDocument() {
        QTextDocument document;
        document.setPlainText(QStringLiteral("old"));
        readRtf(R"({\rtf1 new})", document);
        QCOMPARE(document.toPlainText(), QStringLiteral("new"));
        QVERIFY(document.isUndoRedoEnabled());
        QVERIFY(!document.isUndoAvailable());
    }

    void survivesMalformedInput_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected"); // what the text must contain
        const auto row = [](const char* name, const QByteArray& rtf, const char16_t* expected) {
            QTest::newRow(name) << rtf << QString::fromUtf16(expected);
        };
        row("empty", QByteArray(), u"");
        row("not rtf", "just some text, no markup", u"just some text, no markup");
        row("extra closing braces", "{\\rtf1 a}}}}b}}", u"ab");
        row("missing closing braces", "{\\rtf1{\\b{\\i deep", u"deep");
        row("cut after backslash", "{\\rtf1 abc\\", u"abc");
        row("cut in a control word", "{\\rtf1 abc\\fs", u"abc");
        row("cut in a parameter", "{\\rtf1 abc\\u-", u"abc");
        row("cut after quote", "{\\rtf1 abc\\'", u"abc");
        row("cut after one hex digit", "{\\rtf1 abc\\'4", u"abc");
        row("bad hex digits", "{\\rtf1 a\\'4zb\\'zz}", u"azbzz");
        row("huge font size", "{\\rtf1 a\\fs99999999999999999999 b}", u"ab");
        row("huge negative number", "{\\rtf1 a\\li-99999999999999999999 b}", u"ab");
        row("huge unicode", "{\\rtf1 a\\u99999999999?b}", u"a\uFFFDb");
        row("huge uc", "{\\rtf1 {\\uc99999999999\\u8364 abc}d}", u"\u20ACd");
        row("huge binary", "{\\rtf1 a\\bin999999999 xyz", u"a");
        row("negative binary", "{\\rtf1 a\\bin-5 b}", u"ab");
        row("binary in fallback", "{\\rtf1 \\u8364\\bin3 abcd}", u"\u20ACd");
        row("nul bytes", QByteArray("{\\rtf1 a\0b\\'00c}", 16), u"abc");
        row("deep nesting", repeated("{", 100000) + "deep" + repeated("}", 100000) + "after",
            u"deepafter");
        row("deep nesting with formatting",
            "{\\rtf1" + repeated("{\\b\\*", 5000) + "x" + repeated("}", 5000) + "shown}", u"shown");
        row("many closing braces", repeated("}", 100000) + "x", u"x");
        row("long control word", "{\\rtf1 a\\" + repeated("z", 200000) + " b}", u"ab");
        row("long parameter", "{\\rtf1 a\\b" + repeated("9", 200000) + " b\\b0}", u"ab");
        row("unterminated colour table", "{\\rtf1{\\colortbl\\red1", u"");
    }

    void survivesMalformedInput() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        const QString text = plainText(rtf);
        QVERIFY2(text.contains(expected), qPrintable(text.left(200)));
    }

    void survivesRandomInput() {
        // Pieces of markup more often than raw bytes, so that the random
        // documents reach the interesting states.
        const QList<QByteArray> pieces = {
            "{",         "}",      "\\",    "\\b",        "\\b0 ", "\\i",   "\\ul",
            "\\par",     "\\pard", "\\fs",  "\\cf2",      "\\u",   "\\uc3", "\\'",
            "\\'8",      "\\'e9",  "\\*",   "\\pict",     "\\bin", "-",     "9",
            "99999",     " ",      ";",     "\\colortbl", "\\red", "x",     "\r\n",
            "\\fonttbl", "\\line", "\\tab", "\\~",        "\\qc",  "\\li",  "\\plain"};
        QRandomGenerator random(20240611);
        for (int round = 0; round < 400; ++round) {
            QByteArray rtf;
            const int length = int(random.bounded(1, 400));
            for (int i = 0; i < length; ++i) {
                if (random.bounded(4) == 0) {
                    rtf += char(random.bounded(256));
                } else {
                    rtf += pieces.at(int(random.bounded(pieces.size())));
                }
            }
            QTextDocument document;
            readRtf(rtf, document);
            QVERIFY(document.characterCount() <= rtf.size() + 1);
        }
    }
};

QTEST_MAIN(tst_RtfReader)
#include "tst_RtfReader.moc"
