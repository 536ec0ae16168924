#include "widgets/ProgramIdentity.h"

#include <QTest>

using namespace kestrune::ui;

class tst_ProgramIdentity : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { versionInformation() = builtVersionInformation(); }

    void builtInformationIsTheDeliveredProduct() {
        const VersionInformation info = builtVersionInformation();
        QCOMPARE(info.ProductName, QStringLiteral("Kestrune"));
        QVERIFY(!info.CompanyName.isEmpty());
        QVERIFY(info.Comments.endsWith(QStringLiteral(".example")));
        QCOMPARE(info.Major, 1);
        QCOMPARE(info.Minor, 0);
        QCOMPARE(info.Revision, 0);
        QCOMPARE(info.SkinEnabled, false);
        QCOMPARE(info.UseSplashIcon, true);
    }

    void loadIdentityCopiesTextsAsTheyStandAndReplacesOldValues() {
        ProgramIdentity().ProductName = QStringLiteral("stale");
        ProgramIdentity().SkinEnabled = true;
        versionInformation().CompanyName = QString();
        versionInformation().Comments = QStringLiteral("  owner.example.org ");
        LoadIdentity();
        QCOMPARE(ProgramIdentity().ProductName, QStringLiteral("Kestrune"));
        QCOMPARE(ProgramIdentity().CompanyName, QString());
        QCOMPARE(ProgramIdentity().Comments, QStringLiteral("  owner.example.org "));
        QCOMPARE(ProgramIdentity().SkinEnabled, false);
        QCOMPARE(ProgramIdentity().UseSplashIcon, true);

        const ProgramIdentityRecord first = ProgramIdentity();
        LoadIdentity();
        QCOMPARE(ProgramIdentity().Comments, first.Comments);
        QCOMPARE(ProgramIdentity().CompanyName, first.CompanyName);
    }

    void versionTextIsMajorDotMinor_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("text");
        QTest::newRow("delivered") << 1 << 0 << QStringLiteral("1.0");
        QTest::newRow("minor not padded or scaled") << 1 << 10 << QStringLiteral("1.10");
        QTest::newRow("no leading zeros") << 12 << 3 << QStringLiteral("12.3");
    }
    void versionTextIsMajorDotMinor() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, text);
        VersionInformation info;
        info.Major = major;
        info.Minor = minor;
        info.Revision = 7;
        QCOMPARE(VersionText(info), text);
    }
};

QTEST_APPLESS_MAIN(tst_ProgramIdentity)
#include "tst_ProgramIdentity.moc"
