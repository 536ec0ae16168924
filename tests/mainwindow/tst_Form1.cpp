#include "support/MainWindowTestUtil.h"

#include "dialogs/Form8.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmPass.h"
#include "dialogs/frmWebsite.h"
#include "mainwindow/ListLayout.h"
#include "mainwindow/frmAdd.h"
#include "store/CredentialStore.h"
#include "store/SealedFileMemory.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::ui::Form1;
using kestrune::ui::forms;

namespace {
QStringList captionsOf(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions.append(action->text());
    }
    return captions;
}
} // namespace

class tst_Form1 : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void captionAndWebsiteButtonComeFromTheIdentity() {
        Form1* main = forms().load<Form1>();
        QCOMPARE(main->windowTitle(), QStringLiteral("Kestrune by Kestrune Project"));
        QCOMPARE(main->cmdWebsite[0]->text(), QStringLiteral("Visit www.kestrune.example"));
    }

    void emptyCompanyNameLeavesTheCaptionEndingInABlank() {
        ui::versionInformation().CompanyName = QString();
        ui::LoadIdentity();
        Form1* main = forms().load<Form1>();
        QCOMPARE(main->windowTitle(), QStringLiteral("Kestrune by "));
    }

    void buttonsHaveTheirCaptionsPicturesAndTabOrder() {
        Form1* main = forms().load<Form1>();
        const QList<QToolButton*> buttons = {main->cmdAdd[0], main->cmdEdit,    main->cmdDelete,
                                             main->cmdGoto,   main->cmdCopy[0], main->cmdCopy[1],
                                             main->cmdCopy[2]};
        const QStringList captions = {
            QStringLiteral("Add"),           QStringLiteral("Edit"),
            QStringLiteral("Delete"),        QStringLiteral("Go To"),
            QStringLiteral("Copy Username"), QStringLiteral("Copy Password"),
            QStringLiteral("Copy Used At")};
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i]->text(), captions[i]);
            QVERIFY2(!buttons[i]->icon().isNull(), qPrintable(captions[i]));
            QCOMPARE(buttons[i]->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        }
        QVERIFY(!main->cmdWebsite[0]->icon().isNull());
        // Design places: Add, Delete, Edit, Go To along the top row.
        QVERIFY(main->cmdAdd[0]->x() < main->cmdDelete->x());
        QVERIFY(main->cmdDelete->x() < main->cmdEdit->x());
        QVERIFY(main->cmdEdit->x() < main->cmdGoto->x());
        QVERIFY(main->cmdGoto->x() < main->cmdWebsite[0]->x());

        const QList<QWidget*> tabOrder = {main->cmdAdd[0],     main->cmdEdit,    main->cmdDelete,
                                          main->cmdWebsite[0], main->lstPass,    main->cmdCopy[0],
                                          main->cmdGoto,       main->cmdCopy[1], main->cmdCopy[2]};
        QList<QWidget*> chain;
        for (QWidget* w = tabOrder.first(); chain.size() < tabOrder.size();
             w = w->nextInFocusChain()) {
            if (tabOrder.contains(w) && !chain.contains(w)) {
                chain.append(w);
            }
        }
        QCOMPARE(chain, tabOrder);
    }

    void menusHoldTheirItemsInOrder() {
        Form1* main = forms().load<Form1>();
        QStringList titles;
        for (const QAction* action : main->menuBar()->actions()) {
            titles.append(action->text());
        }
        QCOMPARE(titles, QStringList({"File", "Data", "Copy", "Help", "About"}));
        QCOMPARE(captionsOf(main->mnuFile),
                 QStringList({"Import...", "Export...", "Merge From...", "", "Encrypt Data File...",
                              "Remove Encryption...", "", "Lock", "Lock When Idle", "", "Exit"}));
        for (const int separator : {3, 6, 9}) {
            QVERIFY(main->mnuFile->actions()[separator]->isSeparator());
        }
        QCOMPARE(main->locking().lockItem()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        QCOMPARE(main->mnuFile->actions()[8]->menu(), main->locking().idleMenu());
        QCOMPARE(captionsOf(main->mnuData),
                 QStringList({"Add Username/Password", "Delete Selected Item", "Edit Selected Item",
                              "Goto \"Used At\" Location", "", "Find...", "Find Next",
                              "Password Report..."}));
        QVERIFY(main->mnuData->actions()[4]->isSeparator());
        QCOMPARE(main->mnuDataFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(main->mnuDataFindNext->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(captionsOf(main->mnuCopy), QStringList({"Selected Username", "Selected Password",
                                                         "Selected Used At Location"}));
        QCOMPARE(captionsOf(main->mnuHelp), QStringList({"View Help"}));
        QCOMPARE(captionsOf(main->mnuAbout), QStringList({"About this software"}));
        QCOMPARE(main->mnuDataItem[3]->objectName(), QStringLiteral("mnuDataItem(3)"));
    }

    void listHasThreeColumnsUnderTheirCopyButtons() {
        Form1* main = forms().load<Form1>();
        const auto& rows = main->lstPass->rows();
        QCOMPARE(rows.columnHeaders(), QStringList({"Username", "Password", "Website/Location"}));
        // 2345, 2375 and 4095 twips at the design widths, to the nearest pixel.
        const int tolerance = ui::pixelsToTwips(1);
        QVERIFY(qAbs(main->lstPass->columnWidthTwips(0) - 2345) <= tolerance);
        QVERIFY(qAbs(main->lstPass->columnWidthTwips(1) - 2375) <= tolerance);
        QVERIFY(qAbs(main->lstPass->columnWidthTwips(2) - 4095) <= tolerance);
    }

    void statusLineShowsOnlyTheLastMessage() {
        Form1* main = forms().load<Form1>();
        main->StatusMessage(QStringLiteral("first"));
        main->StatusMessage(QStringLiteral("second"));
        QCOMPARE(main->statusText(), QStringLiteral("second"));
        QCOMPARE(main->statusBar()->currentMessage(), QString());
        // Markup is shown as typed.
        main->StatusMessage(QStringLiteral("Copied Password <b>x</b>"));
        QCOMPARE(main->statusPanel->textFormat(), Qt::PlainText);
    }

    void resizeRuleKeepsSizesNonNegative_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("listWidth");
        QTest::addColumn<int>("listHeight");
        QTest::newRow("design") << 9135 << 7195 << 9015 << 4215;
        QTest::newRow("lower than the margins") << 9135 << 2000 << 9015 << 980;
        QTest::newRow("narrower than the margins") << 100 << 7195 << 20 << 4215;
        QTest::newRow("exactly the margins") << 120 << 2980 << 0 << 0;
    }
    void resizeRuleKeepsSizesNonNegative() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, listWidth);
        QFETCH(int, listHeight);
        const ui::ListSize size = ui::ListSizeForWindow(width, height, 60, 1980);
        QCOMPARE(size.width, listWidth);
        QCOMPARE(size.height, listHeight);
    }

    void resizingTheWindowLaysOutTheList() {
        Form1* main = loggedIn();
        QVERIFY(main->isVisible());
        const QPoint place = main->lstPass->pos();
        main->resize(800, 600);
        QTRY_COMPARE(main->width(), 800);
        const QRect outer = main->frameGeometry();
        const int expectedWidth = ui::twipsToPixels(
            qAbs(ui::pixelsToTwips(outer.width()) - 2 * ui::pixelsToTwips(place.x())));
        const int expectedHeight = ui::twipsToPixels(
            qAbs(ui::pixelsToTwips(outer.height()) - ui::pixelsToTwips(place.y()) - 1000));
        QCOMPARE(main->lstPass->width(), expectedWidth);
        QCOMPARE(main->lstPass->height(), expectedHeight);
        QCOMPARE(main->lstPass->pos(), place);

        // Minimized: the list keeps its size.
        const QSize before = main->lstPass->size();
        main->showMinimized();
        main->layOutList();
        QCOMPARE(main->lstPass->size(), before);
    }

    // Enter on a focused button clicks it, even though Enter on a row edits it.
    void enterOnAFocusedButtonClicksIt_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("key");
        QTest::newRow("Add, Return") << 0 << int(Qt::Key_Return);
        QTest::newRow("Copy Password, keypad Enter") << 1 << int(Qt::Key_Enter);
    }
    void enterOnAFocusedButtonClicksIt() {
        QFETCH(int, button);
        QFETCH(int, key);
        Form1* main = test::loggedInMainWindow(*fixture, {{"ann", "pw", "x"}});
        main->lstPass->selectRow(1);
        QToolButton* focused = button == 0 ? main->cmdAdd[0] : main->cmdCopy[1];
        main->activateWindow();
        focused->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(focused, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        if (button == 0) {
            QVERIFY(forms().isLoaded<ui::frmAdd>());
            QVERIFY(forms().find<ui::frmAdd>()->addMode());
        } else {
            QVERIFY(!forms().isLoaded<ui::frmAdd>());
            QCOMPARE(fake().clipboard.content, QStringLiteral("pw"));
        }
    }

    void afterFormLoadShowsTheWindowAndClosesThePasswordDialog() {
        Form1* main = forms().load<Form1>();
        QVERIFY(forms().isLoaded<ui::frmPass>());
        QVERIFY(main->isHidden());
        store::credentialStore().state.MasterPassword = QStringLiteral("x"); // accepted
        main->afterFormLoad();
        QVERIFY(main->isVisible());
        QVERIFY(!forms().isLoaded<ui::frmPass>());
        QCOMPARE(fake().exit.calls, 0);
    }

    void closingTheMainWindowEndsTheProgram() {
        loggedIn()->mnuFileItem[0]->trigger(); // File, Exit
        QCOMPARE(fake().exit.calls, 1);
        QVERIFY(!forms().isLoaded<Form1>());
        expectNoMessage(); // no confirmation
    }

    void anUnreadableDataFileEndsTheProgramWithoutWriting() {
        QVERIFY(QDir(fixture->folder.path()).mkdir(QStringLiteral("data.enc")));
        forms().load<Form1>();
        QCOMPARE(fake().exit.calls, 1);
        QVERIFY(!forms().isLoaded<ui::frmPass>());
        // The folder stays as it was, with nothing beside it.
        expectFileFailure(QStringLiteral("Kestrune cannot use its data file.  The program will "
                                         "close; the file has not been changed."),
                          test::WriteFailure::FolderAtThePath);
    }

    // A file that was sealed when last used here, and is now plain, empty or
    // missing, may have been swapped: it is used only when the user says so.
    void aFileNoLongerSealedIsUsedOnlyWhenTheUserSaysSo_data() {
        QTest::addColumn<QByteArray>("file"); // "missing": no file
        QTest::addColumn<bool>("yes");
        const QByteArray plain = test::fileWith({{"u", "p", "l"}});
        QTest::newRow("plain, Yes") << plain << true;
        QTest::newRow("plain, No") << plain << false;
        QTest::newRow("empty, No") << QByteArray() << false;
        QTest::newRow("missing, Yes") << QByteArray("missing") << true;
        QTest::newRow("missing, No") << QByteArray("missing") << false;
    }
    void aFileNoLongerSealedIsUsedOnlyWhenTheUserSaysSo() {
        QFETCH(QByteArray, file);
        QFETCH(bool, yes);
        const bool missing = file == "missing";
        if (!missing) {
            fixture->writeDataFile(file);
        }
        store::rememberSealed(u"Kestrune"_s, fixture->dataFile(), true);
        fake().messages.answers = {yes ? platform::Answer::Yes : platform::Answer::No};
        forms().load<Form1>();
        expectOneMessage(QDir::toNativeSeparators(fixture->dataFile()) +
                             u" was sealed with a master password the last time Kestrune opened "
                             u"it, but it is now not sealed.  Someone may have replaced it.\n\n"
                             u"Open it anyway?"_s,
                         u"Kestrune"_s, platform::Buttons::YesNo, platform::Icon::Warning);
        QCOMPARE(forms().isLoaded<ui::frmPass>(), yes);
        QCOMPARE(fake().exit.calls, yes ? 0 : 1);
        if (yes) {
            // As any file of its kind: a missing one is made, a plain one checked.
            QCOMPARE(store::credentialStore().state.CreatingPassword, missing || file.isEmpty());
        } else {
            // Nothing created, nothing written.
            QCOMPARE(QFile::exists(fixture->dataFile()), !missing);
            if (!missing) {
                QCOMPARE(fixture->readDataFile(), file);
            }
        }
    }

    void theHelpWindowOpensAtStartUpOnlyForExactlyOne_data() {
        QTest::addColumn<QString>("stored"); // "-" for no value stored
        QTest::addColumn<bool>("opens");
        QTest::newRow("nothing stored") << "-" << true;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("leading blank") << " 1" << false;
        QTest::newRow("leading zero") << "01" << false;
        QTest::newRow("empty") << "" << false;
    }
    void theHelpWindowOpensAtStartUpOnlyForExactlyOne() {
        QFETCH(QString, stored);
        QFETCH(bool, opens);
        writeHelpFile();
        if (stored != QLatin1String("-")) {
            fake().settings.setValue("Kestrune", "Settings", "showHelp", stored);
        }
        Form1* main = loggedIn();
        QCOMPARE(forms().isLoaded<ui::Form8>(), opens);
        if (opens) {
            QVERIFY(forms().find<ui::Form8>()->isVisible());
        }
        // View Help opens it whatever the setting says.
        main->mnuHelpItem[0]->trigger();
        QVERIFY(forms().isLoaded<ui::Form8>());
        QVERIFY(forms().find<ui::Form8>()->isVisible());
        // Only the check box writes the setting.
        QCOMPARE(fake().settings.values.size(), stored == QLatin1String("-") ? 0 : 1);
    }

    void aboutOpensTheAboutBox() {
        Form1* main = loggedIn();
        main->mnuAboutItem[0]->trigger();
        QVERIFY(forms().isLoaded<ui::frmAbout>());
        QCOMPARE(forms().find<ui::frmAbout>()->windowTitle(), QStringLiteral("About Kestrune"));
    }

    void closingUnloadsTheOtherWindows() {
        writeHelpFile();
        Form1* main = loggedIn();
        main->ShowAbout();
        main->commands().Add();
        QVERIFY(forms().isLoaded<ui::Form8>() && forms().isLoaded<ui::frmAbout>() &&
                forms().isLoaded<ui::frmAdd>());
        main->close();
        QVERIFY(!forms().isLoaded<ui::Form8>());
        QVERIFY(!forms().isLoaded<ui::frmAbout>());
        QVERIFY(!forms().isLoaded<ui::frmAdd>());
        QCOMPARE(fake().exit.calls, 1);
    }

    void aHiddenWebWindowDoesNotHoldTheProgram() {
        Form1* main = loggedIn();
        main->cmdWebsite[0]->click(); // loads the web window without showing it
        QVERIFY(forms().isLoaded<ui::frmWebsite>());
        main->close();
        QVERIFY(!forms().isLoaded<ui::frmWebsite>());
        QCOMPARE(fake().exit.calls, 1);
    }

    void aWebWindowOnScreenEndsTheProgramWhenItHasClosed() {
        Form1* main = loggedIn();
        main->ShowAbout();
        forms().find<ui::frmAbout>()->lblWebsite_Click(); // shows the web window
        QVERIFY(forms().find<ui::frmWebsite>()->isVisible());
        test::runInEventLoop([&] { main->close(); });
        QVERIFY(!forms().isLoaded<Form1>());
        QVERIFY(!forms().isLoaded<ui::frmAbout>());
        QCOMPARE(fake().exit.calls, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fake().exit.calls, 1, 3000);
        QVERIFY(!forms().isLoaded<ui::frmWebsite>());
        QCOMPARE(fake().opener.opened, QStringList{"http://www.kestrune.example"});
    }

private:
    Form1* loggedIn() {
        Form1* main = forms().load<Form1>();
        store::credentialStore().state.MasterPassword = QStringLiteral("x");
        main->afterFormLoad();
        return main;
    }
    void writeHelpFile() {
        QFile help(fixture->folder.filePath(QStringLiteral("Help.rtf")));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("{\\rtf1 Kestrune help\\par}");
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_Form1.moc"
