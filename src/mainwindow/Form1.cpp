#include "mainwindow/Form1.h"

#include "dialogs/Dialog.h"
#include "dialogs/Form8.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmImportColumns.h"
#include "dialogs/frmImportSummary.h"
#include "dialogs/frmPass.h"
#include "dialogs/frmWebsite.h"
#include "mainwindow/ListLayout.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmFind.h"
#include "mainwindow/frmReport.h"
#include "mainwindow/modListViewEnh.h"
#include "platform/Platform.h"
#include "skin/modSkin.h"
#include "widgets/EnterClicksButton.h"
#include "widgets/Forms.h"
#include "widgets/PictureButton.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

namespace kestrune::ui {

namespace {
// Design size of the client area, and the list's design place, in twips.
constexpr int kClientWidth = 9015;
constexpr int kClientHeight = 6555;
constexpr int kListLeft = 60;
constexpr int kListTop = 1980;
constexpr int kStatusBarHeight = 315;
} // namespace

Form1::Form1() {
    forms().setMainWindow<Form1>(); // the owner the dialogs find
    setObjectName(QStringLiteral("Form1"));
    setFont(Forms::designFont());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    cmdAdd[0] = makeButton("cmdAdd(0)", QStringLiteral("Add"), "btn-add", 60, 60, 1155, 1035);
    cmdEdit = makeButton("cmdEdit", QStringLiteral("Edit"), "btn-edit", 2460, 60, 1155, 1035);
    cmdDelete =
        makeButton("cmdDelete", QStringLiteral("Delete"), "btn-delete", 1260, 60, 1155, 1035);
    cmdWebsite[0] = makeButton("cmdWebsite(0)", QString(), "btn-website", 4860, 60, 4095, 1035);
    lstPass = new EntryList(client);
    lstPass->setObjectName(QStringLiteral("lstPass"));
    placeInTwips(lstPass, kListLeft, kListTop, 8895, 4215);
    cmdCopy[0] = makeButton("cmdCopy(0)", QStringLiteral("Copy Username"), "btn-copy-username", 60,
                            1140, 2355, 795);
    cmdGoto = makeButton("cmdGoto", QStringLiteral("Go To"), "btn-goto", 3660, 60, 1155, 1035);
    cmdCopy[1] = makeButton("cmdCopy(1)", QStringLiteral("Copy Password"), "btn-copy-password",
                            2460, 1140, 2355, 795);
    cmdCopy[2] = makeButton("cmdCopy(2)", QStringLiteral("Copy Used At"), "btn-copy-location", 4860,
                            1140, 4095, 795);

    // The tab order of the design.
    QWidget* order[] = {cmdAdd[0],  cmdEdit, cmdDelete,  cmdWebsite[0], lstPass,
                        cmdCopy[0], cmdGoto, cmdCopy[1], cmdCopy[2]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    // A permanent panel: a status line stays until the next message, whatever
    // the mouse passes over.
    statusPanel = new QLabel(StatusBar1);
    statusPanel->setObjectName(QStringLiteral("Panel1"));
    statusPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusPanel->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(statusPanel, 1);
    setStatusBar(StatusBar1);

    buildMenus();
    connectCommands();
    updateFileMenu();
    enterClicksButtons(this);

    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight - kStatusBarHeight) +
                                            StatusBar1->sizeHint().height() +
                                            menuBar()->sizeHint().height());
}

QToolButton* Form1::makeButton(const char* name, const QString& caption, const char* picture,
                               int left, int top, int width, int height) {
    QToolButton* button = makePictureButton(centralWidget(), name, caption, picture);
    placeInTwips(button, left, top, width, height);
    return button;
}

void Form1::buildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileImport = mnuFile->addAction(QStringLiteral("Import..."));
    mnuFileExport = mnuFile->addAction(QStringLiteral("Export..."));
    mnuFileMerge = mnuFile->addAction(QStringLiteral("Merge From..."));
    mnuFile->addSeparator();
    mnuEncrypt = mnuFile->addAction(QStringLiteral("Encrypt Data File..."));
    mnuRemoveEncryption = mnuFile->addAction(QStringLiteral("Remove Encryption..."));
    mnuFile->addSeparator();
    locking_.addMenuItems(*mnuFile);
    mnuFile->addSeparator();
    mnuFileItem[0] = mnuFile->addAction(QStringLiteral("Exit"), this, &QWidget::close);

    mnuData = menuBar()->addMenu(QStringLiteral("Data"));
    mnuData->setObjectName(QStringLiteral("mnuData"));
    mnuDataItem[0] = mnuData->addAction(QStringLiteral("Add Username/Password"));
    mnuDataItem[1] = mnuData->addAction(QStringLiteral("Delete Selected Item"));
    mnuDataItem[2] = mnuData->addAction(QStringLiteral("Edit Selected Item"));
    mnuDataItem[3] = mnuData->addAction(QStringLiteral("Goto \"Used At\" Location"));
    mnuData->addSeparator();
    mnuDataFind = mnuData->addAction(QStringLiteral("Find..."));
    mnuDataFindNext = mnuData->addAction(QStringLiteral("Find Next"));
    mnuDataReport = mnuData->addAction(QStringLiteral("Password Report..."));

    mnuCopy = menuBar()->addMenu(QStringLiteral("Copy"));
    mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
    mnuCopyItem[0] = mnuCopy->addAction(QStringLiteral("Selected Username"));
    mnuCopyItem[1] = mnuCopy->addAction(QStringLiteral("Selected Password"));
    mnuCopyItem[2] = mnuCopy->addAction(QStringLiteral("Selected Used At Location"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpItem[0] = mnuHelp->addAction(QStringLiteral("View Help"));

    mnuAbout = menuBar()->addMenu(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    mnuAboutItem[0] = mnuAbout->addAction(QStringLiteral("About this software"));

    const auto name = [](QAction* action, const char* objectName) {
        action->setObjectName(QLatin1String(objectName));
    };
    name(mnuFileImport, "mnuFileImport");
    name(mnuFileExport, "mnuFileExport");
    name(mnuFileMerge, "mnuFileMerge");
    name(mnuFileItem[0], "mnuFileItem(0)");
    name(mnuEncrypt, "mnuEncrypt");
    name(mnuRemoveEncryption, "mnuRemoveEncryption");
    name(mnuDataItem[0], "mnuDataItem(0)");
    name(mnuDataItem[1], "mnuDataItem(1)");
    name(mnuDataItem[2], "mnuDataItem(2)");
    name(mnuDataItem[3], "mnuDataItem(3)");
    name(mnuDataFind, "mnuDataFind");
    name(mnuDataFindNext, "mnuDataFindNext");
    name(mnuDataReport, "mnuDataReport");
    name(mnuCopyItem[0], "mnuCopyItem(0)");
    name(mnuCopyItem[1], "mnuCopyItem(1)");
    name(mnuCopyItem[2], "mnuCopyItem(2)");
    name(mnuHelpItem[0], "mnuHelpItem(0)");
    name(mnuAboutItem[0], "mnuAboutItem(0)");
}

void Form1::connectCommands() {
    EntryCommands& c = commands_;
    // Button, menu item and shortcut of a command call the same function.
    const auto bind = [this](QToolButton* button, QAction* item, auto command) {
        if (button != nullptr) {
            connect(button, &QToolButton::clicked, this, command);
        }
        if (item != nullptr) {
            connect(item, &QAction::triggered, this, command);
        }
    };
    bind(cmdAdd[0], mnuDataItem[0], [&c] { c.Add(); });
    bind(cmdDelete, mnuDataItem[1], [&c] { c.Delete(); });
    bind(cmdEdit, mnuDataItem[2], [&c] { c.Edit(); });
    bind(cmdGoto, mnuDataItem[3], [&c] { c.GoTo(); });
    for (int i = 0; i < 3; ++i) {
        bind(cmdCopy[std::size_t(i)], mnuCopyItem[std::size_t(i)], [&c, i] { c.Copy(i); });
    }
    bind(cmdWebsite[0], nullptr, [&c] { c.Website(); });
    connect(mnuEncrypt, &QAction::triggered, this, [this] { dataFileCommands_.EncryptDataFile(); });
    connect(mnuRemoveEncryption, &QAction::triggered, this,
            [this] { dataFileCommands_.RemoveEncryption(); });
    connect(mnuFile, &QMenu::aboutToShow, this, &Form1::updateFileMenu);
    bind(nullptr, mnuDataFind, [&c] { c.Find(); });
    bind(nullptr, mnuDataFindNext, [&c] { c.FindNext(); });
    bind(nullptr, mnuDataReport, [&c] { c.PasswordReport(); });
    connect(mnuFileImport, &QAction::triggered, this, [this] { exchange_.Import(); });
    connect(mnuFileExport, &QAction::triggered, this, [this] { exchange_.Export(); });
    connect(mnuFileMerge, &QAction::triggered, this, [this] { merges_.MergeFrom(); });
    connect(mnuHelpItem[0], &QAction::triggered, this, &Form1::ViewHelp);
    connect(mnuAboutItem[0], &QAction::triggered, this, &Form1::ShowAbout);

    // The keyboard: the shortcuts sit on the menu items, so the menus show them.
    mnuDataItem[0]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuDataItem[1]->setShortcut(QKeySequence(Qt::Key_Delete));
    mnuDataItem[3]->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
    mnuDataFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuDataFindNext->setShortcut(QKeySequence(Qt::Key_F3));
    mnuCopyItem[0]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mnuCopyItem[1]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuCopyItem[2]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    // Enter on a row, or a double-click, edits it.
    mnuDataItem[2]->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    for (QAction* item : mnuDataItem) {
        item->setShortcutContext(Qt::WindowShortcut);
    }
    mnuDataFind->setShortcutContext(Qt::WindowShortcut);
    mnuDataFindNext->setShortcutContext(Qt::WindowShortcut);
    connect(lstPass, &QAbstractItemView::doubleClicked, this, [&c](const QModelIndex& index) {
        if (index.isValid()) {
            c.Edit();
        }
    });
    connect(lstPass, &EntryList::columnClick, this, &Form1::lstPass_ColumnClick);
}

void Form1::lstPass_ColumnClick(int columnHeader) {
    EnhListView_SortColumns(*lstPass, columnHeader, false);
}

void Form1::ViewHelp() {
    forms().show<Form8>();
}

void Form1::ShowAbout() {
    forms().show<frmAbout>();
}

void Form1::Load() {
    const ProgramIdentityRecord& id = ProgramIdentity();
    setWindowTitle(id.ProductName + QStringLiteral(" by ") + id.CompanyName);
    cmdWebsite[0]->setText(QStringLiteral("Visit ") + id.Comments);

    lstPass->addColumnHeader(QStringLiteral("Username"), pixelsToTwips(cmdCopy[0]->width()) - 10);
    lstPass->addColumnHeader(QStringLiteral("Password"), pixelsToTwips(cmdCopy[1]->width()) + 20);
    lstPass->addColumnHeader(QStringLiteral("Website/Location"),
                             pixelsToTwips(cmdCopy[2]->width()));

    // Centred on the screen at its first show.
    Forms::centreOnScreen(this);

    store::credentialStore().attach(this);
    loginSteps_.BeginLogin();
}

void Form1::setVisible(bool visible) {
    if (visible && forms().isLoaded<frmPass>() &&
        store::credentialStore().state.MasterPassword.isEmpty()) {
        return;
    }
    if (visible && loginSteps_.checkingFile()) {
        return; // the password dialog comes first
    }
    QMainWindow::setVisible(visible);
}

void Form1::StatusMessage(const QString& text) {
    statusPanel->setText(text);
}

QString Form1::statusText() const {
    return statusPanel->text();
}

void Form1::updateFileMenu() {
    const bool sealed = store::credentialStore().isSealed();
    mnuEncrypt->setEnabled(!sealed);
    mnuRemoveEncryption->setEnabled(sealed);
    // Import and export work on the list, which the entry dialog may be changing.
    const bool listFree = !forms().isLoaded<frmAdd>();
    mnuFileImport->setEnabled(listFree);
    mnuFileExport->setEnabled(listFree);
    mnuFileMerge->setEnabled(listFree && !merges_.isBusy());
}

void Form1::afterFormLoad() {
    reloading_.start();
    updateFileMenu();
    dressInSkin(this);
    setVisible(true);
    if (!locking_.afterLogin()) {
        showHelpAtStartup();
    }
    forms().unload<frmPass>();
}

void Form1::showHelpAtStartup() {
    // A missing value counts as "1"; only exactly "1" opens the help window.
    const QString showHelp = platform::services().settings->value(
        ProgramIdentity().ProductName, QStringLiteral("Settings"), QStringLiteral("showHelp"),
        QStringLiteral("1"));
    if (showHelp == QLatin1String("1")) {
        forms().show<Form8>();
    }
}

QWidget* Form1::messageOwner() {
    if (auto* dialog = forms().find<frmPass>(); dialog != nullptr && dialog->isVisible()) {
        return dialog;
    }
    return isVisible() ? this : nullptr;
}

void Form1::layOutList() {
    if (isMinimized()) {
        return;
    }
    const QRect outer = frameGeometry();
    const QPoint listPlace = lstPass->pos();
    const ListSize size =
        ListSizeForWindow(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()),
                          pixelsToTwips(listPlace.x()), pixelsToTwips(listPlace.y()));
    lstPass->resize(twipsToPixels(size.width), twipsToPixels(size.height));
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layOutList();
}

void Form1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A window manager frames the window only once it is on the screen, after
    // the first resize; the frame arrives with a move, and the outer size it
    // gives is the one the list is laid out for.
    layOutList();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    switch (event->type()) {
    case QEvent::WindowStateChange: // restored from minimized
    case QEvent::ActivationChange:  // a frame that came without a move
        layOutList();
        break;
    default:
        break;
    }
}

void Form1::unloadOwnWindows() {
    forms().unload<Form8>();
    forms().unload<frmAbout>();
    forms().unload<frmAdd>();
    forms().unload<frmFind>();
    forms().unload<frmReport>();
    forms().unload<frmImportColumns>();
    forms().unload<frmImportSummary>();
    merges_.abandon();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    unloadOwnWindows();
    emit closing();
    forms().forget(this);
    // A web window on screen is still handing the owner's web site to the
    // browser: the program ends when it has closed itself.
    if (auto* web = forms().find<frmWebsite>(); web != nullptr && web->isVisible()) {
        connect(web, &QObject::destroyed, [] { platform::endProgram(); });
        return;
    }
    if (ProgramIdentity().SkinEnabled) {
        skin::StopSkin();
    }
    forms().unload<frmWebsite>();
    platform::endProgram();
}

} // namespace kestrune::ui
