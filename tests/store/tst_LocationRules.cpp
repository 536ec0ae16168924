#include "store/LocationRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrune::store;
using namespace Qt::StringLiterals;

class tst_LocationRules : public QObject {
    Q_OBJECT

private slots:
    // What Go To opens at once and what it asks about first. "<dir>" stands
    // for an existing folder and "<file>" for an existing file in it.
    void goToOpensWebAddressesAndLocalFoldersAndAsksFirstForAnythingElse_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("asks");
        const auto row = [](const char* name, const QString& location, const QString& target,
                            bool asks) { QTest::newRow(name) << location << target << asks; };
        row("www without a scheme", u"www.example.com"_s, u"http://www.example.com"_s, false);
        row("https", u"HTTPS://example.com/login"_s, u"HTTPS://example.com/login"_s, false);
        row("http", u"http://10.0.0.1:8080/"_s, u"http://10.0.0.1:8080/"_s, false);
        row("web-like words", u"Georgia office"_s, u"http://Georgia office"_s, false);
        row("existing folder", u"<dir>"_s, u"<dir>"_s, false);
        row("existing folder, native separators", u"<native-dir>"_s, u"<native-dir>"_s, false);
        row("existing file", u"<file>"_s, u"<file>"_s, true);
        row("a program", u"/bin/sh"_s, u"/bin/sh"_s, true);
        row("missing folder", u"<dir>/gone"_s, u"<dir>/gone"_s, true);
        row("relative name", u"intranet"_s, u"intranet"_s, true);
        row("scheme later in the text", u"see HTTP://example.com"_s, u"see HTTP://example.com"_s,
            true);
        row("network share", u"\\\\host\\share\\setup.exe"_s, u"\\\\host\\share\\setup.exe"_s,
            true);
        row("network share, slashes", u"//host/share"_s, u"//host/share"_s, true);
        row("network share of a web-like host", u"\\\\files.example.com\\share"_s,
            u"http://\\\\files.example.com\\share"_s, true);
        row("file scheme", u"file:///etc/passwd"_s, u"file:///etc/passwd"_s, true);
        row("smb scheme", u"smb://host/share"_s, u"smb://host/share"_s, true);
        row("javascript scheme", u"javascript:alert(1)"_s, u"javascript:alert(1)"_s, true);
        row("command substitution", u"$(reboot)"_s, u"$(reboot)"_s, true);
    }
    void goToOpensWebAddressesAndLocalFoldersAndAsksFirstForAnythingElse() {
        QFETCH(QString, location);
        QFETCH(QString, target);
        QFETCH(bool, asks);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(u"notes.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (QString* text : {&location, &target}) {
            text->replace(u"<native-dir>"_s, QDir::toNativeSeparators(dir.path()));
            text->replace(u"<dir>"_s, dir.path());
            text->replace(u"<file>"_s, file.fileName());
        }
        const GotoDecision decision = decideGoto(location);
        QCOMPARE(decision.target, target);
        QCOMPARE(decision.askFirst, asks);
    }
};

QTEST_GUILESS_MAIN(tst_LocationRules)
#include "tst_LocationRules.moc"
