#include "app/frmSplash.h"
#include "dialogs/frmPass.h"
#include "mainwindow/Form1.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace kestrune;
using kestrune::ui::forms;

class tst_Startup : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void splashIsExactlyItsPictureOutsideTheTaskBar() {
        auto* splash = forms().load<app::frmSplash>();
        QCOMPARE(splash->size(), QSize(476, 316)); // the delivered picture, unstretched
        QCOMPARE(splash->Image1->size(), splash->Image1->pixmap().size());
        QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(splash->windowFlags().testFlag(Qt::SplashScreen));
        QVERIFY(!splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // Another picture gives another window size.
        app::frmSplash other;
        other.setPicture(QPixmap(300, 120));
        other.Load();
        other.Timer2->stop();
        QCOMPARE(other.size(), QSize(300, 120));
        QVERIFY(!splash->Image1->pixmap().isNull());
        QVERIFY(splash->Timer2->isActive());
        QCOMPARE(splash->Timer2->interval(), 2);
        // The identity is filled during the splash window's load.
        ui::ProgramIdentity() = {};
        forms().unload<app::frmSplash>();
        forms().load<app::frmSplash>();
        QCOMPARE(ui::ProgramIdentity().ProductName, QStringLiteral("Kestrune"));
    }

    void handOverHappensOnceOnThe75thTick() {
        auto* splash = forms().load<app::frmSplash>();
        // The test drives the ticks. Stopped before the window shows: showing
        // a native window can let a pending tick run.
        splash->Timer2->stop();
        splash->show();
        for (int tick = 1; tick <= 74; ++tick) {
            splash->Timer2_Timer();
        }
        QCOMPARE(splash->intTemp, 148);
        QVERIFY(!forms().isLoaded<ui::Form1>());

        splash->Timer2->start();
        splash->Timer2_Timer(); // the 75th
        QCOMPARE(splash->intTemp, 150);
        auto* main = forms().find<ui::Form1>();
        QVERIFY(main != nullptr);
        QVERIFY(!splash->Timer2->isActive());
        QVERIFY(forms().isLoaded<ui::frmPass>());
        QVERIFY(splash->isHidden());
        QVERIFY(forms().isLoaded<app::frmSplash>()); // hidden but still loaded

        // Later ticks never reach the hand-over again.
        for (int tick = 0; tick < 200; ++tick) {
            splash->Timer2_Timer();
        }
        QCOMPARE(forms().find<ui::Form1>(), main);
    }

    void handOverRunsFromTheTimerByItself() {
        auto* splash = forms().load<app::frmSplash>();
        splash->show();
        QTRY_VERIFY_WITH_TIMEOUT(forms().isLoaded<ui::Form1>(), 10000);
        QVERIFY(forms().find<ui::frmPass>()->isVisible());
        // The password dialog keeps the main window hidden.
        QTRY_VERIFY_WITH_TIMEOUT(forms().find<ui::Form1>()->isHidden(), 1000);
        QCOMPARE(fixture->readDataFile(), QByteArray("\r\n"));
    }

    void mainWindowTakesTheSplashIcon() {
        auto* splash = forms().load<app::frmSplash>();
        auto* main = test::handOverFromSplash(splash);
        QVERIFY(!splash->windowIcon().isNull());
        QCOMPARE(main->windowIcon().cacheKey(), splash->windowIcon().cacheKey());
    }

    void closingTheMainWindowUnloadsTheSplashAndEndsTheProgram() {
        auto* splash = forms().load<app::frmSplash>();
        auto* main = test::handOverFromSplash(splash);
        QCOMPARE(fake().exit.calls, 0);
        main->close();
        QVERIFY(!forms().isLoaded<app::frmSplash>());
        QVERIFY(!forms().isLoaded<ui::Form1>());
        QCOMPARE(fake().exit.calls, 1);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
