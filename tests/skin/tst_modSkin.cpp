#include "app/frmSplash.h"
#include "dialogs/frmPass.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "skin/ControlTypes.h"
#include "skin/Skin.h"
#include "skin/SkinHook.h"
#include "skin/SkinLabel.h"
#include "skin/modSkin.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace kestrune;
using kestrune::ui::forms;

namespace {

// Colours with three different bytes, so that a swapped byte order shows.
constexpr skin::SkinColour kFace = 0x00112233;
constexpr skin::SkinColour kText = 0x00445566;
constexpr skin::SkinColour kPicture = 0x00778899;
constexpr skin::SkinColour kUnused = 0x00AABBCC;

const QColor kFaceColour(0x33, 0x22, 0x11);
const QColor kTextColour(0x66, 0x55, 0x44);
const QColor kPictureColour(0x99, 0x88, 0x77);

// The names of the widgets of a window, itself included, that carry a
// palette of their own.
QStringList ownPalettes(const QWidget* window) {
    QStringList names;
    QList<const QWidget*> widgets{window};
    for (const QWidget* child : window->findChildren<QWidget*>()) {
        widgets.append(child);
    }
    for (const QWidget* widget : widgets) {
        if (widget->testAttribute(Qt::WA_SetPalette)) {
            names.append(widget->objectName().isEmpty()
                             ? QString::fromLatin1(widget->metaObject()->className())
                             : widget->objectName());
        }
    }
    return names;
}

template <typename T> T* named(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void expectFace(const QWidget* control) {
    QCOMPARE(control->palette().color(QPalette::Button), kFaceColour);
    QCOMPARE(control->palette().color(QPalette::Base), kFaceColour);
}

void expectBox(const QWidget* control) {
    expectFace(control);
    QCOMPARE(control->palette().color(QPalette::Text), kTextColour);
}

} // namespace

class tst_modSkin : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void init() {
        skin::resetForTests();
        WindowTestBase::init();
    }
    void cleanup() {
        skin::resetForTests();
        WindowTestBase::cleanup();
    }

    // --- the skin file ---

    void builtInSkinFile() {
        skin::Skin skin;
        QVERIFY(skin.load(QStringLiteral(":/skin/standard.skin")));
        QCOMPARE(skin.name(), QStringLiteral("Standard Skin"));
        // Written #E9EEF4 in the file; red ends up in the low byte.
        QCOMPARE(skin.colour(2), skin::SkinColour(0x00F4EEE9));
        QCOMPARE(skin::colourToQColor(skin.colour(2)), QColor(0xE9, 0xEE, 0xF4));
        QSet<skin::SkinColour> distinct;
        for (int id = 2; id <= 5; ++id) {
            distinct.insert(skin.colour(id));
        }
        QCOMPARE(distinct.size(), 4);
        QCOMPARE(skin.colour(1), skin::SkinColour(0));
        QCOMPARE(skin.colour(6), skin::SkinColour(0));
    }

    void skinFileReading_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        const QByteArray colours = "colour2 = #010203\ncolour3=#040506\n"
                                   "colour4 = #070809\ncolour5 = #0A0B0C\n";
        QTest::newRow("comments, blank lines, CRLF, unknown keys")
            << QByteArray("; a note\r\n\r\nname = Mine\r\nauthor = me\r\n" + colours) << true;
        QTest::newRow("a colour missing")
            << QByteArray("name = Mine\ncolour2 = #010203\ncolour3 = #040506\n"
                          "colour4 = #070809\n")
            << false;
        QTest::newRow("short colour") << QByteArray(colours + "colour5 = #0A0B0\n") << false;
        QTest::newRow("colour without #") << QByteArray(colours + "colour5 = 0A0B0C\n") << false;
        QTest::newRow("colour by name") << QByteArray(colours + "colour3 = #blue!!\n") << false;
        QTest::newRow("line without =") << QByteArray(colours + "name Mine\n") << false;
    }
    void skinFileReading() {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        skin::Skin skin;
        const skin::SkinColour before = skin.colour(5);
        QCOMPARE(skin.parse(text), accepted);
        if (accepted) {
            QCOMPARE(skin.name(), QStringLiteral("Mine"));
            QCOMPARE(skin.colour(2), skin::SkinColour(0x00030201));
            QCOMPARE(skin.colour(5), skin::SkinColour(0x000C0B0A));
        } else {
            // A rejected file changes nothing.
            QCOMPARE(skin.name(), QString());
            QCOMPARE(skin.colour(5), before);
        }
    }

    // --- control types and colouring ---

    void controlTypeNames() {
        QWidget window;
        auto* property = new QLabel(&window);
        property->setProperty(skin::kControlTypeProperty, QStringLiteral("DriveListBox"));
        const QList<std::pair<QWidget*, QString>> cases = {
            {new QToolButton(&window), QStringLiteral("CommandButton")},
            {new QPushButton(&window), QStringLiteral("CommandButton")},
            {new QCheckBox(&window), QStringLiteral("CheckBox")},
            {new QRadioButton(&window), QStringLiteral("OptionButton")},
            {new QLineEdit(&window), QStringLiteral("TextBox")},
            {new QComboBox(&window), QStringLiteral("ComboBox")},
            {new QListWidget(&window), QStringLiteral("ListBox")},
            {new QTreeView(&window), QStringLiteral("ListView")},
            {new QTableView(&window), QStringLiteral("ListView")},
            {new ui::EntryList(&window), QStringLiteral("ListView")},
            {new skin::SkinLabel(&window), QStringLiteral("SkinLabel")},
            {new QLabel(&window), QStringLiteral("Label")},
            {new QTextBrowser(&window), QStringLiteral("RichTextBox")},
            {new QStatusBar(&window), QStringLiteral("StatusBar")},
            {new QFrame(&window), QStringLiteral("QFrame")},
            {property, QStringLiteral("DriveListBox")},
        };
        for (const auto& [widget, expected] : cases) {
            QCOMPARE(skin::ControlTypeName(widget), expected);
        }
        // Our own classes lose their namespace.
        ui::frmPass dialog;
        QCOMPARE(skin::ControlTypeName(&dialog), QStringLiteral("frmPass"));
    }

    void colourControlsByType() {
        QWidget window;
        auto* toolButton = named<QToolButton>(&window, "toolButton");
        auto* pushButton = named<QPushButton>(&window, "pushButton");
        auto* lineEdit = named<QLineEdit>(&window, "lineEdit");
        auto* comboBox = named<QComboBox>(&window, "comboBox");
        auto* listWidget = named<QListWidget>(&window, "listWidget");
        auto* treeView = named<QTreeView>(&window, "treeView");
        named<QLabel>(&window, "label");
        named<skin::SkinLabel>(&window, "skinLabel");
        named<QCheckBox>(&window, "checkBox");
        named<QTextEdit>(&window, "textEdit");
        auto* picture = named<QLabel>(&window, "picture");
        picture->setPixmap(QPixmap(QStringLiteral(":/images/kestrune-16.png")));
        picture->setProperty(skin::kControlTypeProperty, QStringLiteral("PictureBox"));
        auto* lowerCase = named<QPushButton>(&window, "lowerCase");
        lowerCase->setProperty(skin::kControlTypeProperty, QStringLiteral("commandbutton"));
        auto* container = named<QFrame>(&window, "container");
        auto* nestedBox = named<QLineEdit>(container, "nestedBox");
        auto* nestedButton = named<QPushButton>(container, "nestedButton");
        const QColor buttonText = pushButton->palette().color(QPalette::ButtonText);
        const QPalette labelPalette = window.findChild<QLabel*>(QStringLiteral("label"))->palette();

        skin::ColorControls(&window, kFace, kText, kPicture, kUnused);

        for (const QWidget* button : QList<QWidget*>{toolButton, pushButton, nestedButton}) {
            expectFace(button);
            QCOMPARE(button->palette().color(QPalette::ButtonText), buttonText);
        }
        for (const QWidget* box :
             QList<QWidget*>{lineEdit, comboBox, listWidget, treeView, nestedBox}) {
            expectBox(box);
        }
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(picture->palette().color(QPalette::Window), kPictureColour);
        QVERIFY(picture->autoFillBackground());

        QStringList coloured = ownPalettes(&window);
        coloured.sort();
        QStringList expected = {QStringLiteral("comboBox"),     QStringLiteral("lineEdit"),
                                QStringLiteral("listWidget"),   QStringLiteral("nestedBox"),
                                QStringLiteral("nestedButton"), QStringLiteral("picture"),
                                QStringLiteral("pushButton"),   QStringLiteral("toolButton"),
                                QStringLiteral("treeView")};
        // Everything else, the window, the container and the control typed
        // "commandbutton" among them, keeps the palette it had.
        QCOMPARE(coloured, expected);
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("label"))->palette(), labelPalette);
        QVERIFY(lowerCase->palette().color(QPalette::Button) != kFaceColour);
    }

    void partsOfCompositeWidgetsAreNotControls() {
        QWidget window;
        auto* spin = named<QSpinBox>(&window, "spin");
        auto* search = named<QLineEdit>(&window, "search");
        search->setClearButtonEnabled(true);
        // A scroll area is a container: the controls on its page count.
        auto* area = named<QScrollArea>(&window, "area");
        auto* page = named<QWidget>(nullptr, "page");
        auto* onPage = named<QLineEdit>(page, "onPage");
        area->setWidget(page);
        QVERIFY(spin->findChild<QLineEdit*>() != nullptr);
        QVERIFY(search->findChild<QToolButton*>() != nullptr);

        skin::ColorControls(&window, kFace, kText, kPicture, kUnused);

        QStringList coloured = ownPalettes(&window);
        coloured.sort();
        QCOMPARE(coloured, (QStringList{QStringLiteral("onPage"), QStringLiteral("search")}));
        expectBox(onPage);
    }

    void setFormRegionCoversTheWindow() {
        QWidget window;
        window.resize(320, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect outer = window.frameGeometry();

        skin::SetFormRegion(&window);

        const QRect region = window.mask().boundingRect();
        QCOMPARE(region,
                 QRect(0, 0, ui::pixelsToTwips(outer.width()), ui::pixelsToTwips(outer.height())));
        QVERIFY(region.contains(QRect(QPoint(0, 0), outer.size())));
        QCOMPARE(window.mask().rectCount(), 1);
    }

    void windowsVersionCheck() {
#ifdef Q_OS_WIN
        QSKIP("the answer depends on the Windows version running the tests");
#else
        QVERIFY(!skin::IsNT6OrLater());
#endif
    }

    void skinFormWithoutASkinChangesNothing() {
        switchSkin(true);
        QWidget window;
        named<QPushButton>(&window, "button");
        named<QLineEdit>(&window, "box");
        skin::SkinForm(&window);
        QVERIFY(skin::CurrentSkin() == nullptr);
        QCOMPARE(ownPalettes(&window), QStringList());
#ifndef Q_OS_WIN
        QVERIFY(window.mask().isEmpty());
#endif
    }

    // --- start-up and shut-down ---

    void startSkinAttachesThenStartsTheHook() {
        switchSkin(true);
        QWidget splash;
        auto* button = named<QPushButton>(&splash, "button");
        QVERIFY(!skin::skinHookCreated());

        skin::StartSkin(&splash);

        skin::Skin* current = skin::CurrentSkin();
        QVERIFY(current != nullptr);
        QCOMPARE(current->name(), QStringLiteral("Standard Skin"));
        QVERIFY(skin::skinHookCreated());
        skin::SkinHook& hook = skin::SkinHookInstance();
        QCOMPARE(hook.history(), (QStringList{QStringLiteral("attach"), QStringLiteral("start")}));
        QCOMPARE(hook.attachedObject(), current->hookObject());
        QVERIFY(hook.isRunning());
        // The splash window itself is dressed: controls first, then its surface.
        QCOMPARE(button->palette().color(QPalette::Button),
                 skin::colourToQColor(current->colour(2)));
        QCOMPARE(splash.palette().color(QPalette::Window),
                 skin::colourToQColor(current->colour(5)));

        // While the hook runs, windows are dressed as they are shown.
        QWidget later;
        later.show();
        QCOMPARE(later.palette().color(QPalette::Window), skin::colourToQColor(current->colour(5)));

        skin::StopSkin();
        QCOMPARE(hook.history().last(), QStringLiteral("stop"));
        QVERIFY(!hook.isRunning());
        QWidget afterStop;
        afterStop.show();
        QVERIFY(!afterStop.testAttribute(Qt::WA_SetPalette));
    }

    void stopSkinCreatesTheHookWhenNeeded() {
        skin::StopSkin();
        QVERIFY(skin::skinHookCreated());
        QCOMPARE(skin::SkinHookInstance().history(), QStringList{QStringLiteral("stop")});
        QVERIFY(skin::CurrentSkin() == nullptr);
    }

    void skinnedStartUpDressesThePasswordDialogAndTheMainWindow() {
        switchSkin(true);
        auto* splash = forms().load<app::frmSplash>();
        skin::Skin* current = skin::CurrentSkin();
        QVERIFY(current != nullptr);
        const QColor face = skin::colourToQColor(current->colour(2));
        const QColor text = skin::colourToQColor(current->colour(3));
        const QColor surface = skin::colourToQColor(current->colour(5));
        QCOMPARE(splash->palette().color(QPalette::Window), surface);
        QVERIFY(!splash->Image1->testAttribute(Qt::WA_SetPalette));

        auto* main = test::handOverFromSplash(splash);
        auto* dialog = forms().find<ui::frmPass>();
        QVERIFY(dialog != nullptr);
        for (const QWidget* box : {dialog->txtPass, dialog->txtPass2}) {
            QCOMPARE(box->palette().color(QPalette::Base), face);
            QCOMPARE(box->palette().color(QPalette::Text), text);
        }
        for (const QWidget* button : {dialog->cmdOK, dialog->cmdCancel}) {
            QCOMPARE(button->palette().color(QPalette::Button), face);
        }
        for (const QWidget* label : {dialog->SkinLabel1, dialog->SkinLabel2, dialog->SkinLabel3}) {
            QVERIFY(!label->testAttribute(Qt::WA_SetPalette));
        }
        QCOMPARE(dialog->palette().color(QPalette::Window), surface);
#ifndef Q_OS_WIN
        QVERIFY(dialog->mask().isEmpty()); // a region only on Windows Vista and later
#endif

        // The main window is dressed once the password is in.
        dialog->txtPass->setText(QStringLiteral("Secret1"));
        dialog->txtPass2->setText(QStringLiteral("Secret1"));
        test::runInEventLoop([&] { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); });
        QVERIFY(!forms().isLoaded<ui::frmPass>());
        QCOMPARE(main->cmdAdd[0]->palette().color(QPalette::Button), face);
        QCOMPARE(main->cmdCopy[2]->palette().color(QPalette::Button), face);
        QCOMPARE(main->lstPass->palette().color(QPalette::Base), face);
        QCOMPARE(main->lstPass->palette().color(QPalette::Text), text);
        QVERIFY(!main->statusPanel->testAttribute(Qt::WA_SetPalette));
        QCOMPARE(main->palette().color(QPalette::Window), surface);

        main->close();
        QCOMPARE(skin::SkinHookInstance().history(),
                 (QStringList{QStringLiteral("attach"), QStringLiteral("start"),
                              QStringLiteral("stop")}));
    }

    void unskinnedStartUpTouchesNothing() {
        switchSkin(false);
        auto* splash = forms().load<app::frmSplash>();
        splash->show();
        auto* main = test::handOverFromSplash(splash);
        auto* dialog = forms().find<ui::frmPass>();
        QVERIFY(dialog != nullptr);
        QCOMPARE(ownPalettes(splash), QStringList());
        QCOMPARE(ownPalettes(dialog), QStringList());
        dialog->txtPass->setText(QStringLiteral("Secret1"));
        dialog->txtPass2->setText(QStringLiteral("Secret1"));
        test::runInEventLoop([&] { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); });
        QVERIFY(main->isVisible());
        QCOMPARE(ownPalettes(main), QStringList());
        QVERIFY(main->mask().isEmpty());
        main->close();
        QVERIFY(skin::CurrentSkin() == nullptr);
        QVERIFY(!skin::skinHookCreated());
    }

private:
    // The build switch, as the program would see it from its next load on.
    static void switchSkin(bool on) {
        ui::versionInformation().SkinEnabled = on;
        ui::LoadIdentity();
    }
};

QTEST_MAIN(tst_modSkin)
#include "tst_modSkin.moc"
