#include "platform/WindowsCommandLine.h"

#include <QTest>

using namespace Qt::StringLiterals;
using kestrune::platform::quotedWindowsArgument;

namespace {

// How a Windows program splits its command line into arguments (the rules in
// WindowsCommandLine.h), written independently of the quoting under test.
QStringList splitCommandLine(const QString& line) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    qsizetype backslashes = 0;
    for (const QChar c : line) {
        if (c == u'\\') {
            ++backslashes;
            inArgument = true;
            continue;
        }
        if (c == u'"') {
            current += QString(backslashes / 2, u'\\');
            if (backslashes % 2 == 1) {
                current += u'"';
            } else {
                quoted = !quoted;
            }
            backslashes = 0;
            inArgument = true;
            continue;
        }
        current += QString(backslashes, u'\\');
        backslashes = 0;
        if ((c == u' ' || c == u'\t') && !quoted) {
            if (inArgument) {
                arguments.append(current);
                current.clear();
                inArgument = false;
            }
            continue;
        }
        current += c;
        inArgument = true;
    }
    current += QString(backslashes, u'\\');
    if (inArgument) {
        arguments.append(current);
    }
    return arguments;
}

} // namespace

class tst_WindowsCommandLine : public QObject {
    Q_OBJECT
private slots:
    void aLocationArrivesAsOneArgument_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("written");
        QTest::newRow("folder") << u"C:\\Data"_s << u"C:\\Data"_s;
        QTest::newRow("network share") << "\\\\server\\share\\x"
                                       << "\\\\server\\share\\x";
        QTest::newRow("web address, no shell to fear")
            << u"http://a.example/?x=1&y=2|z"_s << u"http://a.example/?x=1&y=2|z"_s;
        QTest::newRow("blanks") << u"C:\\My Files"_s << u"\"C:\\My Files\""_s;
        QTest::newRow("blanks and a last backslash")
            << u"C:\\My Files\\"_s << u"\"C:\\My Files\\\\\""_s;
        QTest::newRow("quotes") << u"a.com\" && calc \""_s << u"\"a.com\\\" && calc \\\"\""_s;
        QTest::newRow("backslashes before a quote") << u"x\\\\\"y"_s << u"\"x\\\\\\\\\\\"y\""_s;
        QTest::newRow("backslashes in the middle") << u"a b\\\\c"_s << u"\"a b\\\\c\""_s;
        QTest::newRow("comma, an explorer separator") << u"C:\\a,b"_s << u"\"C:\\a,b\""_s;
        QTest::newRow("tab and line break") << u"a\tb\nc"_s << u"\"a\tb\nc\""_s;
        QTest::newRow("empty") << u""_s << u"\"\""_s;
    }
    void aLocationArrivesAsOneArgument() {
        QFETCH(QString, location);
        QFETCH(QString, written);
        QCOMPARE(quotedWindowsArgument(location), written);
        const QString program = QStringLiteral("C:\\Windows\\explorer.exe");
        QCOMPARE(splitCommandLine(quotedWindowsArgument(program) + u' ' + written),
                 (QStringList{program, location}));
    }
};

QTEST_APPLESS_MAIN(tst_WindowsCommandLine)
#include "tst_WindowsCommandLine.moc"
