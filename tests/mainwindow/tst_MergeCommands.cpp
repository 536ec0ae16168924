#include "support/MainWindowTestUtil.h"

#include "dialogs/frmMergePassword.h"
#include "dialogs/frmMergeSummary.h"
#include "mainwindow/Form1.h"
#include "store/DataFileFormat.h"
#include "store/Seal.h"
#include "store/SealedWriter.h"
#include "widgets/Forms.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmMergePassword;
using kestrune::ui::frmMergeSummary;

namespace {

const std::vector<Entry> kThree = {
    {"ann", "pw-a", "www.example.com"}, {"bob", "pw-b", "C:\\Data"}, {"carl", "pw-c", "mail"}};

bool putFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString kCopy = QStringLiteral("data.sync-conflict-20261209-122649-B6OSXHE.enc");
const QString kDamagedCopy = QStringLiteral("data (conflicted copy 2026-12-09 101500).enc");
const QString kIncorrect = QStringLiteral("Sorry, the password you entered was not correct.");

} // namespace

class tst_MergeCommands : public test::WindowTestBase {
    Q_OBJECT
private slots:
    // At the login a conflict copy that the master password opens is offered
    // in a summary. Cancel keeps both files and the copy is not offered
    // again until the next login; OK then adds what the list lacks, saves,
    // and deletes the copy. A damaged copy is named once and left alone.
    void aConflictCopyIsOfferedAtLogin() {
        const QDir folder(fixture->folder.path());
        std::vector<Entry> copy = {kThree[0], {"dora", "pw-d", "shop"}, kThree[2]};
        QVERIFY(putFile(folder.filePath(kCopy), test::fileWith(copy)));
        QVERIFY(putFile(folder.filePath(kDamagedCopy),
                        QByteArray("KESTRUNE SEALED 1\r\n") + QByteArray(200, 'x')));
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        QTRY_VERIFY(forms().isLoaded<frmMergeSummary>());
        auto* summary = forms().find<frmMergeSummary>();
        const QString text = summary->txtSummary->toPlainText();
        QVERIFY2(text.startsWith(QStringLiteral("1 entry will be added.\n2 entries are already "
                                                "there.\n")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("An entry deleted on one computer comes back.")));
        QVERIFY(text.contains(
            QStringLiteral("An entry edited on both computers is kept in both versions.")));

        summary->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(summary));
        QTest::keyClick(summary, Qt::Key_Escape);
        QVERIFY(!forms().isLoaded<frmMergeSummary>());
        QCOMPARE(test::shownRows(main), kThree);
        QCOMPARE(fixture->readDataFile(), test::fileWith(kThree));
        QVERIFY(folder.exists(kCopy));
        QCOMPARE(main->statusText(),
                 QStringLiteral("The conflict copy %1 is left alone: it is damaged.  The "
                                "conflict copy %2 is kept as it is; you are asked again at the "
                                "next start.")
                     .arg(kDamagedCopy, kCopy));
        // The folder changes: neither copy is named or offered again.
        main->StatusMessage(QStringLiteral("before"));
        main->merges().offerConflictCopies();
        QVERIFY(!main->merges().isBusy());
        QVERIFY(!forms().isLoaded<frmMergeSummary>());
        QCOMPARE(main->statusText(), QStringLiteral("before"));

        // The next login asks again.
        main->merges().offerConflictCopies(true);
        QTRY_VERIFY(forms().isLoaded<frmMergeSummary>());
        QTest::mouseClick(forms().find<frmMergeSummary>()->cmdOK, Qt::LeftButton);
        std::vector<Entry> after = kThree;
        after.push_back(copy[1]);
        QCOMPARE(test::shownRows(main), after);
        QCOMPARE(fixture->readDataFile(), test::fileWith(after));
        QVERIFY(!folder.exists(kCopy));
        QVERIFY(folder.exists(kDamagedCopy));
        QCOMPARE(main->statusText(),
                 QStringLiteral("Merged 1 entry from %1.  Data saved.  The copy is deleted.")
                     .arg(kCopy));
        expectNoMessage();
    }

    // File, Merge From... on a sealed file of another master password asks
    // for it; three wrong tries cancel the merge, and the right one merges,
    // leaving the file where it is.
    void mergeFromAFileOfAnotherPassword() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        const QString other = QDir(fixture->folder.path()).filePath(QStringLiteral("other.enc"));
        const std::vector<Entry> theirs = {{"eve", "pw-e", "bank"}, kThree[1]};
        test::VectorRows rows;
        rows.rows = theirs;
        QVERIFY(putFile(
            other,
            store::sealedFile(*store::makeSeal(QStringLiteral("theirs"), store::lowestKeyLimits()),
                              store::savedDataFile(QStringLiteral("theirs"), rows))));
        const auto typeInto = [](const QPointer<frmMergePassword>& dialog, const char* password) {
            dialog->txtPass->clear();
            QTest::keyClicks(dialog->txtPass, QString::fromLatin1(password));
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
            QVERIFY(dialog->isChecking());
            // The third wrong try closes the dialog: asked only while it is there.
            QTRY_VERIFY(dialog.isNull() || !forms().isLoaded<frmMergePassword>() ||
                        !dialog->isChecking());
        };

        fake().files.answers = {other};
        main->merges().MergeFrom();
        QTRY_VERIFY(forms().isLoaded<frmMergePassword>());
        QPointer<frmMergePassword> dialog = forms().find<frmMergePassword>();
        for (int attempt = 1; attempt <= 2; ++attempt) {
            typeInto(dialog, "master");
            QVERIFY(forms().isLoaded<frmMergePassword>());
            expectOneMessage(kIncorrect, QStringLiteral("Incorrect Password"),
                             platform::Buttons::Ok, platform::Icon::Warning);
        }
        typeInto(dialog, "Theirs");
        QVERIFY(!forms().isLoaded<frmMergePassword>());
        expectOneMessage(kIncorrect + QStringLiteral("  Only 3 tries are allowed: the merge is "
                                                     "cancelled."),
                         QStringLiteral("Incorrect Password"), platform::Buttons::Ok,
                         platform::Icon::Warning);
        QCOMPARE(main->statusText(), QStringLiteral("Merge cancelled, nothing changed."));
        QCOMPARE(fake().exit.calls, 0);
        QCOMPARE(test::shownRows(main), kThree);
        QVERIFY(!main->merges().isBusy());

        fake().files.answers = {other};
        main->merges().MergeFrom();
        QTRY_VERIFY(forms().isLoaded<frmMergePassword>());
        typeInto(forms().find<frmMergePassword>(), "theirs");
        QTRY_VERIFY(forms().isLoaded<frmMergeSummary>());
        QVERIFY(forms().find<frmMergeSummary>()->txtSummary->toPlainText().startsWith(
            QStringLiteral("1 entry will be added.\n1 entry is already there.\n")));
        QTest::mouseClick(forms().find<frmMergeSummary>()->cmdOK, Qt::LeftButton);
        std::vector<Entry> after = kThree;
        after.push_back(theirs[0]);
        QCOMPARE(test::shownRows(main), after);
        QCOMPARE(fixture->readDataFile(), test::fileWith(after));
        QVERIFY(QFile::exists(other));
        QCOMPARE(main->statusText(), QStringLiteral("Merged 1 entry from other.enc.  Data saved."));
        expectNoMessage();
    }
};

QTEST_MAIN(tst_MergeCommands)
#include "tst_MergeCommands.moc"
