#include "support/MainWindowTestUtil.h"
#include "support/WriteFailure.h"

#include "dialogs/frmImportColumns.h"
#include "dialogs/frmImportSummary.h"
#include "exchange/CsvExport.h"
#include "mainwindow/Form1.h"
#include "mainwindow/frmAdd.h"
#include "widgets/Forms.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrune;
using kestrune::store::Entry;
using kestrune::ui::Form1;
using kestrune::ui::forms;
using kestrune::ui::frmImportColumns;
using kestrune::ui::frmImportSummary;

namespace {

const std::vector<Entry> kThree = {
    {"ann", "pw-a", "www.example.com"}, {"bob", "pw-b", "C:\\Data"}, {"carl", "pw-c", "mail"}};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ImportExport : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void init() {
        startAfresh();
        fake().files.documents = documents.path();
    }

    // OK appends the new rows in the file's order and saves them; when that
    // save fails, every one of them goes out of the list again, sorted or not.
    void importAddsAllOrNothing_data() {
        QTest::addColumn<int>("failure"); // -1: the save succeeds
        QTest::addColumn<bool>("sorted");
        for (const bool sorted : {false, true}) {
            const char* order = sorted ? "sorted list" : "list in file order";
            QTest::addRow("%s, saved", order) << -1 << sorted;
            for (const auto& [name, failure] : test::writeFailures()) {
                QTest::addRow("%s, %s", order, name) << int(failure) << sorted;
            }
        }
    }
    void importAddsAllOrNothing() {
        QFETCH(int, failure);
        QFETCH(bool, sorted);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        if (sorted) {
            main->lstPass->rows().sortBy(0, 1); // by username, descending
        }
        const std::vector<Entry> before = test::shownRows(main);
        const QByteArray fileBefore = fixture->readDataFile();
        const QString csv = documents.filePath(QStringLiteral("chrome.csv"));
        QFile out(csv);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("name,url,username,password\n"
                  "z.example,https://z.example/,zed,pw-z\n"
                  "example.com,www.example.com,ann,pw-a\n" // in the list already
                  "a.example,https://a.example/,abe,pw-1\n");
        out.close();
        fake().files.answers = {csv};

        main->exchange().Import();
        QCOMPARE(fake().files.asked,
                 (QStringList{QStringLiteral("Import Passwords"), documents.path()}));
        QVERIFY(!forms().isLoaded<frmImportColumns>()); // a known layout
        auto* summary = forms().find<frmImportSummary>();
        QVERIFY(summary != nullptr);
        const QString text = summary->txtSummary->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("2 entries will be added.")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("1 row is skipped")), qPrintable(text));
        QCOMPARE(test::shownRows(main), before); // nothing yet

        std::vector<Entry> after = kThree;
        after.push_back({"zed", "pw-z", "https://z.example/"});
        after.push_back({"abe", "pw-1", "https://a.example/"});
        if (sorted) {
            std::sort(after.begin(), after.end(),
                      [](const Entry& a, const Entry& b) { return a.username > b.username; });
        }
        if (failure < 0) {
            QTest::mouseClick(summary->cmdOK, Qt::LeftButton);
            QCOMPARE(test::shownRows(main), after);
            QCOMPARE(fixture->readDataFile(), test::fileWith(after));
            QCOMPARE(main->statusText(), QStringLiteral("Imported 2 entries.  Data saved."));
            QVERIFY(fake().messages.shown.empty());
        } else {
            const auto how = test::WriteFailure(failure);
            QVERIFY(test::runWhileWritesFail(how, fixture->dataFile(), [&] {
                QTest::mouseClick(summary->cmdOK, Qt::LeftButton);
            }));
            QCOMPARE(test::shownRows(main), before);
            const QString file = test::untouchedFileProblem(fixture->dataFile(), how, fileBefore);
            QVERIFY2(file.isEmpty(), qPrintable(file));
            QCOMPARE(fake().messages.shown.size(), std::size_t(1));
            QCOMPARE(main->statusText(),
                     QStringLiteral("Nothing imported: the entries could not be saved."));
            // The list is whole again: the next change saves it as it was.
            if (how == test::WriteFailure::FolderAtThePath) {
                QDir().rmdir(fixture->dataFile());
            }
            QVERIFY(store::credentialStore().SaveData());
            QCOMPARE(fixture->readDataFile(), test::fileWith(before));
        }
        QVERIFY(!forms().isLoaded<frmImportSummary>());
    }

    // A file of no known layout: the user picks the columns, with the first
    // rows before them and the passwords hidden; Cancel changes nothing.
    void otherFilesAskForTheColumns() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        const QString csv = documents.filePath(QStringLiteral("sheet.csv"));
        QFile out(csv);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("s3cret;dora;intranet\r\nh1dden;eve;\r\n");
        out.close();

        for (const bool confirm : {false, true}) {
            fake().files.answers = {csv};
            main->exchange().Import();
            auto* columns = forms().find<frmImportColumns>();
            QVERIFY(columns != nullptr);
            QVERIFY(columns->chkFirstLine->isChecked());
            columns->chkFirstLine->click();
            QCOMPARE(columns->grdPreview->rowCount(), 2);
            QCOMPARE(columns->cboLocation->itemText(0), QStringLiteral("(none)"));
            // The same column twice is refused with a message; the dialog stays.
            columns->cboUsername->setCurrentIndex(1);
            columns->cboPassword->setCurrentIndex(1);
            QTest::mouseClick(columns->cmdOK, Qt::LeftButton);
            QCOMPARE(fake().messages.shown.size(), std::size_t(1));
            QVERIFY(forms().isLoaded<frmImportColumns>());
            fake().messages.shown.clear();
            columns->cboPassword->setCurrentIndex(0);
            columns->cboLocation->setCurrentIndex(3);
            for (int row = 0; row < 2; ++row) {
                QCOMPARE(columns->grdPreview->item(row, 0)->text(), QStringLiteral("********"));
            }
            QCOMPARE(columns->grdPreview->item(0, 1)->text(), QStringLiteral("dora"));
            QTest::mouseClick(columns->cmdOK, Qt::LeftButton);
            QVERIFY(!forms().isLoaded<frmImportColumns>());
            auto* summary = forms().find<frmImportSummary>();
            QVERIFY(summary != nullptr);
            QVERIFY(!summary->txtSummary->toPlainText().contains(QStringLiteral("s3cret")));
            if (!confirm) {
                summary->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(summary));
                QTest::keyClick(summary, Qt::Key_Escape);
                QVERIFY(!forms().isLoaded<frmImportSummary>());
                QCOMPARE(test::shownRows(main), kThree);
                QCOMPARE(fixture->readDataFile(), test::fileWith(kThree));
                QCOMPARE(main->statusText(), QStringLiteral("Import cancelled, nothing changed."));
                continue;
            }
            QTest::mouseClick(summary->cmdOK, Qt::LeftButton);
        }
        std::vector<Entry> after = kThree;
        after.push_back({"dora", "s3cret", "intranet"});
        after.push_back({"eve", "h1dden", ""});
        QCOMPARE(test::shownRows(main), after);
        QCOMPARE(fixture->readDataFile(), test::fileWith(after));
    }

    // A file that cannot be read is refused with a message that says where
    // and why; nothing opens and nothing changes.
    void unreadableFilesChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        QTest::newRow("unterminated quote")
            << QByteArray("user,password\nann,\"pw\nbob,x\n")
            << QStringLiteral("The quoted field that starts on line 2 has no closing quote.");
        QTest::newRow("one column") << QByteArray("just\none\ncolumn\n")
                                    << QStringLiteral("It has only one column; an entry needs a "
                                                      "username and a password.");
    }
    void unreadableFilesChangeNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->StatusMessage(QStringLiteral("before"));
        const QString csv = documents.filePath(QStringLiteral("bad.csv"));
        QFile out(csv);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        fake().files.answers = {csv};
        main->exchange().Import();
        const auto& shown = fake().messages.shown;
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("Kestrune cannot import this file.  Nothing has "
                                               "been changed.\n\n") +
                                    QDir::toNativeSeparators(csv) + QStringLiteral("\n\n") + why);
        QVERIFY(!forms().isLoaded<frmImportColumns>());
        QVERIFY(!forms().isLoaded<frmImportSummary>());
        QCOMPARE(test::shownRows(main), kThree);
        QCOMPARE(main->statusText(), QStringLiteral("before"));
    }

    // The export says first that its file is not encrypted, offers
    // kestrune-export.csv in the documents folder, and never writes over the
    // data file.
    void exportWarnsThenWrites() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        auto& messages = fake().messages;
        auto& files = fake().files;
        messages.answers = {platform::Answer::Cancel};
        main->exchange().Export();
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Export"));
        QCOMPARE(messages.shown[0].buttons, platform::Buttons::OkCancel);
        QCOMPARE(messages.shown[0].icon, platform::Icon::Warning);
        QCOMPARE(messages.shown[0].text,
                 QStringLiteral("The exported file is not encrypted: anyone who can read it can "
                                "read every password in it.\r\n\r\nExport all 3 entries?"));
        QVERIFY(files.asked.isEmpty());
        QCOMPARE(main->statusText(), QStringLiteral("Export cancelled."));

        const QString path = documents.filePath(QStringLiteral("out.csv"));
        files.answers = {path};
        main->exchange().Export();
        QCOMPARE(files.asked,
                 (QStringList{QStringLiteral("Export Passwords"),
                              documents.filePath(QStringLiteral("kestrune-export.csv"))}));
        test::VectorRows rows;
        rows.rows = kThree;
        QCOMPARE(fileBytes(path), exchange::exportCsv(rows));
        QCOMPARE(main->statusText(),
                 QStringLiteral("Exported 3 entries to ") + QDir::toNativeSeparators(path));

        const QByteArray dataBefore = fixture->readDataFile();
        messages.shown.clear();
        files.answers = {fixture->dataFile()};
        main->exchange().Export();
        QCOMPARE(messages.shown.size(), std::size_t(2)); // the warning, the refusal
        QVERIFY(messages.shown[1].text.contains(QStringLiteral("own data file")));
        QCOMPARE(fixture->readDataFile(), dataBefore);
    }

    // While the entry dialog is open, neither command works on the list.
    void bothWaitForTheEntryDialog() {
        Form1* main = test::loggedInMainWindow(*fixture, kThree);
        main->commands().Add();
        QVERIFY(forms().isLoaded<ui::frmAdd>());
        emit main->mnuFile->aboutToShow();
        QVERIFY(!main->mnuFileImport->isEnabled());
        QVERIFY(!main->mnuFileExport->isEnabled());
        main->exchange().Import();
        main->exchange().Export();
        QVERIFY(fake().files.asked.isEmpty());
        QVERIFY(fake().messages.shown.empty());
        QCOMPARE(main->statusText(),
                 QStringLiteral("Save or cancel the entry dialog before you export."));
        forms().unload<ui::frmAdd>();
        emit main->mnuFile->aboutToShow();
        QVERIFY(main->mnuFileImport->isEnabled());
        QVERIFY(main->mnuFileExport->isEnabled());
    }

private:
    QTemporaryDir documents;
};

QTEST_MAIN(tst_ImportExport)
#include "tst_ImportExport.moc"
