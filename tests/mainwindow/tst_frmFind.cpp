#include "support/MainWindowTestUtil.h"

#include "mainwindow/EntryFind.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/Form1.h"
#include "mainwindow/frmFind.h"
#include "widgets/Forms.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmFind;

namespace {
const std::vector<Entry> kFive = {{"ann", "Secret", "www.example.com"},
                                  {"Bob", "pw-b", "mail.example.org"},
                                  {"carl", "pw-c", "C:\\Data"},
                                  {"dora", "bob-pass", "intranet"},
                                  {u"\u00C9lise"_s, "pw-e", u"\u0160koda"_s}};
} // namespace

class tst_frmFind : public test::WindowTestBase {
    Q_OBJECT
private slots:
    // The text typed into the Find window, Match case as given, Enter in the
    // text box, with row `selected` selected before (0: none).
    void findNextSelectsTheNextRowThatHoldsTheText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("found"); // 0: none, the selection stays
        QTest::addColumn<QString>("status");
        QTest::newRow("from the top when none is selected") << "example" << false << 0 << 1 << "";
        QTest::newRow("the next after the selected row") << "example" << false << 1 << 2 << "";
        QTest::newRow("wrap-around") << "ann" << false << 3 << 1 << "";
        QTest::newRow("the selected row itself, last") << "carl" << false << 3 << 3 << "";
        QTest::newRow("a match in the location") << "c:\\data" << false << 0 << 3 << "";
        QTest::newRow("a part of a word") << "tran" << false << 1 << 4 << "";
        QTest::newRow("no match in the password")
            << "Secret" << false << 2 << 0 << "Cannot find \"Secret\".";
        QTest::newRow("case ignored") << "BOB" << false << 0 << 2 << "";
        QTest::newRow("Match case, same case") << "Bob" << true << 0 << 2 << "";
        QTest::newRow("Match case, other case (and bob only in a password)")
            << "bob" << true << 1 << 0 << "Cannot find \"bob\".";
        QTest::newRow("case ignored beyond ASCII") << u"\u00E9LISE"_s << false << 0 << 5 << "";
        QTest::newRow("Match case beyond ASCII")
            << u"\u0161koda"_s << true << 0 << 0 << u"Cannot find \"\u0161koda\"."_s;
        QTest::newRow("not found: the status names the text")
            << "zz top" << false << 4 << 0 << "Cannot find \"zz top\".";
    }
    void findNextSelectsTheNextRowThatHoldsTheText() {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(int, selected);
        QFETCH(int, found);
        QFETCH(QString, status);
        Form1* main = test::loggedInMainWindow(*fixture, kFive);
        main->StatusMessage(QStringLiteral("before"));
        if (selected != 0) {
            main->lstPass->selectRow(selected);
        }
        main->mnuDataFind->trigger();
        auto* find = forms().find<frmFind>();
        QVERIFY(find != nullptr && find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("Find"));
        // Typed; a letter the test's keyboard lacks is pasted.
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
            QTest::keyClicks(find->txtFind, text);
        } else {
            find->txtFind->insert(text);
        }
        if (matchCase) {
            QTest::mouseClick(find->chkMatchCase, Qt::LeftButton, {},
                              QPoint(4, find->chkMatchCase->height() / 2));
            QVERIFY(find->chkMatchCase->isChecked());
        }
        QTest::keyClick(find->txtFind, Qt::Key_Return);

        QCOMPARE(main->lstPass->firstSelected(), qsizetype(found != 0 ? found : selected));
        // A found row gets no status text: the line keeps its last message.
        QCOMPARE(main->statusText(), status.isEmpty() ? QStringLiteral("before") : status);
        expectNoMessage();
        QVERIFY(forms().isLoaded<frmFind>()); // open for the next Find Next
    }

    // Find Next from the menu, F3 and the window's button run the one
    // operation; with nothing typed yet it opens the window; the row found is
    // scrolled into view; Esc closes the window and F3 goes on with its text.
    void findNextFromTheKeyboardAndTheMouse() {
        std::vector<Entry> many;
        for (int i = 1; i <= 500; ++i) {
            many.push_back({QStringLiteral("user%1").arg(i), QStringLiteral("pw"),
                            i % 100 == 0 ? QStringLiteral("target") : QStringLiteral("site")});
        }
        Form1* main = test::loggedInMainWindow(*fixture, many);
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));

        QTest::keyClick(main->lstPass, Qt::Key_F3); // nothing to look for yet
        auto* find = forms().find<frmFind>();
        QVERIFY(find != nullptr && find->isVisible());
        QVERIFY(main->lstPass->firstSelected() == 0);
        QTest::keyClicks(find->txtFind, QStringLiteral("TARGET"));
        find->cmdFindNext->click(); // the mouse
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(100));
        QTest::keyClick(find->txtFind, Qt::Key_F3); // F3 in the Find window
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(200));

        QTest::keyClick(find->txtFind, Qt::Key_Escape);
        QTRY_VERIFY(!forms().isLoaded<frmFind>());
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main->lstPass, Qt::Key_F3); // the text is kept
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(300));
        main->mnuDataFindNext->trigger();
        QCOMPARE(main->lstPass->firstSelected(), qsizetype(400));
        const QRect shown = main->lstPass->viewport()->rect();
        const QRect row = main->lstPass->visualRect(main->lstPass->rows().index(399, 0));
        QVERIFY2(shown.contains(row), "the row found is not scrolled into view");
        QVERIFY(!forms().isLoaded<frmFind>());

        // Ctrl+F brings the window back with the last text, ready to be typed over.
        QTest::keyClick(main->lstPass, Qt::Key_F, Qt::ControlModifier);
        find = forms().find<frmFind>();
        QVERIFY(find != nullptr);
        QCOMPARE(find->txtFind->text(), QStringLiteral("TARGET"));
        QCOMPARE(find->txtFind->selectedText(), QStringLiteral("TARGET"));
    }

    // A long list is searched in parts at once: the row found is still the
    // first in the order of the search, wherever the parts meet.
    void aLongListGivesTheFirstMatchInOrder_data() {
        QTest::addColumn<qsizetype>("after");
        QTest::addColumn<QList<qsizetype>>("matching");
        QTest::addColumn<qsizetype>("found");
        using Rows = QList<qsizetype>;
        QTest::newRow("in the first part and the last")
            << qsizetype(0) << Rows{100'000, 200'000} << qsizetype(100'000);
        QTest::newRow("in the last part only")
            << qsizetype(0) << Rows{200'000} << qsizetype(200'000);
        QTest::newRow("after the selected row, before the wrap")
            << qsizetype(200'000) << Rows{100'000, 240'000} << qsizetype(240'000);
        QTest::newRow("after the wrap")
            << qsizetype(200'000) << Rows{100'000} << qsizetype(100'000);
        QTest::newRow("the selected row itself")
            << qsizetype(200'000) << Rows{200'000} << qsizetype(200'000);
        QTest::newRow("none") << qsizetype(7) << Rows{} << qsizetype(0);
    }
    void aLongListGivesTheFirstMatchInOrder() {
        QFETCH(qsizetype, after);
        QFETCH(QList<qsizetype>, matching);
        QFETCH(qsizetype, found);
        std::vector<Entry> many(250'000, Entry{"user", "target", "site"});
        for (const qsizetype row : matching) {
            many[std::size_t(row - 1)].location = QStringLiteral("the TARGET");
        }
        ui::EntryListModel rows;
        rows.appendEntries(std::move(many));
        QCOMPARE(ui::FindNextRow(rows, after, {QStringLiteral("target"), false}), found);
    }
};

QTEST_MAIN(tst_frmFind)
#include "tst_frmFind.moc"
