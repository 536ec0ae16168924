#include "dialogs/frmWebsite.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kestrune;
using kestrune::ui::forms;
using kestrune::ui::frmWebsite;
using kestrune::ui::OpenOwnerWebsite;
using kestrune::ui::websiteState;

class tst_frmWebsite : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void opensTheOwnersSiteWithAWebScheme_data() {
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("opened");
        QTest::newRow("bare host") << u"www.x.example"_s << u"http://www.x.example"_s;
        QTest::newRow("scheme in capitals") << u"HTTPS://x.example"_s << u"HTTPS://x.example"_s;
        QTest::newRow("scheme inside")
            << u"see http://x.example/a"_s << u"see http://x.example/a"_s;
    }
    void opensTheOwnersSiteWithAWebScheme() {
        QFETCH(QString, comments);
        QFETCH(QString, opened);
        // The window reads the identity itself when it loads.
        ui::versionInformation().Comments = comments;
        OpenOwnerWebsite();
        QCOMPARE(fake().opener.opened, QStringList{opened});
    }

    void aSecondRequestWhileLoadedOpensNothing() {
        OpenOwnerWebsite();
        QVERIFY(websiteState().WebsiteRequest.isEmpty());
        OpenOwnerWebsite();
        QCOMPARE(fake().opener.opened, QStringList{QStringLiteral("http://www.kestrune.example")});
        QVERIFY(forms().isLoaded<frmWebsite>());
        QVERIFY(!forms().find<frmWebsite>()->isVisible());
        // The unanswered request waits for the next load.
        QCOMPARE(websiteState().WebsiteRequest, QStringLiteral("Website"));
    }

    void onlyTheExactRequestOpensTheSite() {
        websiteState().WebsiteRequest = QStringLiteral("website");
        forms().load<frmWebsite>();
        QVERIFY(fake().opener.opened.isEmpty());
        QCOMPARE(websiteState().WebsiteRequest, QStringLiteral("website"));
        expectNoMessage();
        // It goes away on its own all the same.
        QVERIFY(QTest::qWaitFor([] { return !forms().isLoaded<frmWebsite>(); }, 3000));
    }

    void unloadsItselfAfterASecondAndThenOpensAgain() {
        QElapsedTimer clock;
        clock.start();
        OpenOwnerWebsite();
        QSignalSpy destroyed(forms().find<frmWebsite>(), &QObject::destroyed);
        QVERIFY(QTest::qWaitFor([] { return !forms().isLoaded<frmWebsite>(); }, 3000));
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY(destroyed.wait(1000) || destroyed.count() == 1);

        OpenOwnerWebsite();
        QCOMPARE(fake().opener.opened.size(), 2);
    }
};

QTEST_MAIN(tst_frmWebsite)
#include "tst_frmWebsite.moc"
