#include "dialogs/Form8.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmImportColumns.h"
#include "dialogs/frmImportSummary.h"
#include "dialogs/frmPass.h"
#include "mainwindow/frmAdd.h"
#include "mainwindow/frmFind.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"

#include <QAccessible>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <map>

using namespace kestrune;
using kestrune::ui::forms;

namespace {

template <typename Window> QWidget* load() {
    return forms().load<Window>();
}

// The program's own dialogs, as the program loads them.
const std::map<QString, QWidget* (*)()> kDialogs = {
    {QStringLiteral("password dialog"), &load<ui::frmPass>},
    {QStringLiteral("entry dialog"), &load<ui::frmAdd>},
    {QStringLiteral("Find window"), &load<ui::frmFind>},
    {QStringLiteral("import's column dialog"), &load<ui::frmImportColumns>},
    {QStringLiteral("import's summary"), &load<ui::frmImportSummary>},
    {QStringLiteral("help window"), &load<ui::Form8>},
    {QStringLiteral("about box"), &load<ui::frmAbout>},
};

QAccessible::Role roleOf(QWidget* window) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
    return face == nullptr ? QAccessible::NoRole : face->role();
}

} // namespace

class tst_Dialog : public test::WindowTestBase {
    Q_OBJECT
private slots:
    // A screen reader announces each of the program's dialogs as a dialog,
    // with its caption, not as a plain pane.
    void eachDialogIsKnownAsADialog_data() {
        QTest::addColumn<QString>("dialog");
        for (const auto& [name, loader] : kDialogs) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void eachDialogIsKnownAsADialog() {
        QFETCH(QString, dialog);
        QWidget* window = kDialogs.at(dialog)();
        QCOMPARE(roleOf(window), QAccessible::Dialog);
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name),
                 window->windowTitle());
    }

    // A message box stays an alert, and the controls of a dialog keep their roles.
    void messageBoxesAndControlsKeepTheirRoles() {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrune"), QStringLiteral("text"),
                        QMessageBox::Ok);
        QCOMPARE(roleOf(&box), QAccessible::AlertMessage);
        auto* find = forms().load<ui::frmFind>();
        QCOMPARE(roleOf(find->cmdFindNext), QAccessible::Button);
    }
};

QTEST_MAIN(tst_Dialog)
#include "tst_Dialog.moc"
