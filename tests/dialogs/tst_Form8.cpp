#include "dialogs/Form8.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

using namespace kestrune;
using kestrune::ui::Form8;
using kestrune::ui::forms;

namespace {
const QString kShowHelpKey = QStringLiteral("Kestrune/Settings/showHelp");
} // namespace

class tst_Form8 : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void showsTheDocumentOnTopWithTheBoxCheckedByDefault() {
        writeHelp("{\\rtf1\\ansi Keep every password behind one.\\par}");
        Form8* help = forms().show<Form8>();
        QVERIFY(help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Readme/Help"));
        QVERIFY(help->rtf1->toPlainText().contains(QStringLiteral("password")));
        QVERIFY(help->rtf1->isReadOnly());
        QCOMPARE(help->Check1->checkState(), Qt::Checked);
        QCOMPARE(fake().onTop.calls.size(), std::size_t{1});
        QCOMPARE(fake().onTop.calls.back(), std::make_pair(static_cast<QWidget*>(help), true));
        // Reading the setting does not store it.
        QVERIFY(fake().settings.values.isEmpty());
        expectNoMessage();
    }

    void aLongDocumentOpensAtItsTop() {
        QByteArray rtf = "{\\rtf1 First line\\par";
        for (int i = 0; i < 300; ++i) {
            rtf += "More help\\par";
        }
        writeHelp(rtf + "}");
        Form8* help = forms().show<Form8>();
        QCOMPARE(help->rtf1->textCursor().position(), 0);
        QCOMPARE(help->rtf1->verticalScrollBar()->value(), 0);
    }

    void aClickStoresTheChoiceAtOnceAndTheNextLoadReadsIt() {
        writeHelp("{\\rtf1 Help\\par}");
        Form8* help = forms().show<Form8>();
        QTest::mouseClick(help->Check1, Qt::LeftButton);
        QCOMPARE(help->Check1->checkState(), Qt::Unchecked);
        QCOMPARE(fake().settings.values.value(kShowHelpKey), QStringLiteral("0"));

        test::unloadAllWindows();
        QVERIFY(!forms().isLoaded<Form8>());
        help = forms().show<Form8>();
        QCOMPARE(help->Check1->checkState(), Qt::Unchecked);
        help->Check1->click();
        QCOMPARE(fake().settings.values.value(kShowHelpKey), QStringLiteral("1"));
    }

    void storedTextSetsTheBoxWithoutBeingWritten_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<Qt::CheckState>("state");
        QTest::newRow("one") << "1" << Qt::Checked;
        QTest::newRow("zero") << "0" << Qt::Unchecked;
        QTest::newRow("blank before") << " 1" << Qt::Checked;
        QTest::newRow("blank after") << "1 " << Qt::Checked;
        QTest::newRow("leading zero") << "01" << Qt::Checked;
        QTest::newRow("not a number") << "abc" << Qt::Unchecked;
        QTest::newRow("empty") << "" << Qt::Unchecked;
        QTest::newRow("number and word") << "1 a" << Qt::Unchecked;
        QTest::newRow("greyed") << "2" << Qt::PartiallyChecked;
        QTest::newRow("out of range") << "7" << Qt::Unchecked;
        QTest::newRow("negative") << "-1" << Qt::Unchecked;
    }
    void storedTextSetsTheBoxWithoutBeingWritten() {
        QFETCH(QString, stored);
        QFETCH(Qt::CheckState, state);
        writeHelp("{\\rtf1 Help\\par}");
        fake().settings.values.insert(kShowHelpKey, stored);
        Form8* help = forms().show<Form8>();
        QCOMPARE(help->Check1->checkState(), state);
        QCOMPARE(fake().settings.values.size(), 1);
        QCOMPARE(fake().settings.values.value(kShowHelpKey), stored);
    }

    void aClickOnAGreyedBoxChecksItAndThenToggles() {
        writeHelp("{\\rtf1 Help\\par}");
        fake().settings.values.insert(kShowHelpKey, QStringLiteral("2"));
        Form8* help = forms().show<Form8>();
        help->Check1->click();
        QCOMPARE(help->Check1->checkState(), Qt::Checked);
        QCOMPARE(fake().settings.values.value(kShowHelpKey), QStringLiteral("1"));
        help->Check1->click();
        QCOMPARE(help->Check1->checkState(), Qt::Unchecked);
        QCOMPARE(fake().settings.values.value(kShowHelpKey), QStringLiteral("0"));
    }

    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number"); // -99999: no number
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("blanks and tab") << " \t3  " << 3;
        QTest::newRow("sign") << "+4" << 4;
        QTest::newRow("half rounds to even, down") << "2.5" << 2;
        QTest::newRow("half rounds to even, up") << "1.5" << 2;
        QTest::newRow("below half") << "0.49" << 0;
        QTest::newRow("negative half") << "-0.5" << 0;
        QTest::newRow("exponent") << "1e1" << 10;
        QTest::newRow("leading point") << ".6" << 1;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("smallest") << "-32768" << -32768;
        QTest::newRow("too large") << "32768" << -99999;
        QTest::newRow("rounds past the largest") << "32767.5" << -99999;
        QTest::newRow("huge exponent") << "1e400" << -99999;
        QTest::newRow("infinity") << "inf" << -99999;
        QTest::newRow("hex") << "0x1" << -99999;
        QTest::newRow("two numbers") << "1 1" << -99999;
        QTest::newRow("only a sign") << "-" << -99999;
        QTest::newRow("only a point") << "." << -99999;
    }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(Form8::wholeNumberOf(text).value_or(-99999), number);
    }

    void withoutHelpFileTheWindowNeverShows() {
        Form8* help = forms().show<Form8>();
        QVERIFY(forms().isLoaded<Form8>());
        QVERIFY(!help->isVisible());
        forms().show<Form8>();
        help->show();
        QVERIFY(!help->isVisible());
        QVERIFY(help->rtf1->toPlainText().isEmpty());
        QVERIFY(fake().onTop.calls.empty());
        expectNoMessage();
        QVERIFY(fake().settings.values.isEmpty());

        // Once unloaded, a load that finds the file shows it.
        test::unloadAllWindows();
        writeHelp("{\\rtf1 Help\\par}");
        QVERIFY(forms().show<Form8>()->isVisible());
    }

    void aFolderNamedLikeTheHelpFileCountsAsMissing() {
        QVERIFY(QDir(fixture->folder.path()).mkdir(QStringLiteral("Help.rtf")));
        QVERIFY(!forms().show<Form8>()->isVisible());
        expectNoMessage();
    }

    void theDocumentIsReadOncePerLoad() {
        writeHelp("{\\rtf1 First\\par}");
        Form8* help = forms().show<Form8>();
        writeHelp("{\\rtf1 Second\\par}");
        QCOMPARE(forms().show<Form8>(), help);
        QVERIFY(help->rtf1->toPlainText().contains(QStringLiteral("First")));
        QVERIFY(!help->rtf1->toPlainText().contains(QStringLiteral("Second")));

        QVERIFY(help->close());
        QVERIFY(!forms().isLoaded<Form8>());
        test::unloadAllWindows();
        help = forms().show<Form8>();
        QVERIFY(help->rtf1->toPlainText().contains(QStringLiteral("Second")));
    }

private:
    void writeHelp(const QByteArray& rtf) const {
        QFile file(fixture->folder.filePath(QStringLiteral("Help.rtf")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(rtf);
    }
};

QTEST_MAIN(tst_Form8)
#include "tst_Form8.moc"
