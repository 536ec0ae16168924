// What the user is told of each outcome of the store: the message box, the
// status line and whether the program ends. The texts are written out here
// in full.

#include "mainwindow/DataFileMessages.h"

#include <QDir>
#include <QTest>

using namespace kestrune;
using namespace Qt::StringLiterals;
using kestrune::store::StoreOutcome;
using kestrune::store::StoreStep;
using Kind = kestrune::store::StoreOutcome::Kind;

Q_DECLARE_METATYPE(StoreOutcome)

namespace {

const QString kPath = u"/some folder/data.enc"_s;
const QString kWillClose = u"  The program will close; the file has not been changed."_s;

// A failure with the data file: what failed, the file as the system writes
// paths, and why.
QString failure(const QString& what, const QString& why) {
    return what + u"\n\n"_s + QDir::toNativeSeparators(kPath) + u"\n\n"_s + why;
}

// An outcome; a failed one carries `reason` as the system's own words.
StoreOutcome outcome(StoreStep step, Kind kind, const QString& reason = {}, qsizetype count = 0) {
    using store::FileProblem;
    store::FileResult file;
    if (kind == Kind::ChangedOutside) {
        file = store::FileResult::failure(FileProblem::Refused);
    } else if (!reason.isEmpty()) {
        file = store::FileResult::failure(FileProblem::NotAllWritten, reason);
    }
    return {step, kind, file, count};
}

} // namespace

class tst_DataFileMessages : public QObject {
    Q_OBJECT
private slots:
    void eachOutcomeTellsItsOwnMessage_data() {
        const QString k = u"Kestrune"_s;
        const QString damaged = u"The file is encrypted, but part of it is missing or has been "
                                u"changed since Kestrune wrote it.  Put back a copy from your "
                                u"backup, and start Kestrune again."_s;
        const QString notEncrypted =
            u"Kestrune could not encrypt the data file.  It has been left as it was."_s;
        const QString entriesNotSaved = u"Kestrune could not save your entries.  The data file "
                                        u"on disk has been left as it was."_s;
        QTest::addColumn<StoreOutcome>("told");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("text"); // empty: no message box
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("ends");

        QTest::newRow("create mode") << outcome(StoreStep::BeginLogin, Kind::CreateMode) << k
                                     << QString() << QString() << false;
        QTest::newRow("check mode") << outcome(StoreStep::BeginLogin, Kind::CheckMode) << k
                                    << QString() << QString() << false;
        QTest::newRow("sealed check mode") << outcome(StoreStep::BeginLogin, Kind::SealedCheckMode)
                                           << k << QString() << QString() << false;
        QTest::newRow("loaded") << outcome(StoreStep::LoadData, Kind::Loaded, {}, 100000) << k
                                << QString() << u"Loaded 100000 entries"_s << false;
        QTest::newRow("created") << outcome(StoreStep::CreateMasterPassword, Kind::Created) << k
                                 << QString() << u"Password created successfully"_s << false;
        // "Saved " and then the date and time of the save.
        QTest::newRow("saved") << outcome(StoreStep::SaveData, Kind::Saved) << k << QString()
                               << u"Saved "_s << false;
        QTest::newRow("encrypted")
            << outcome(StoreStep::EncryptDataFile, Kind::Encrypted) << k << QString()
            << u"Data file encrypted: it now opens only with the master password."_s << false;
        QTest::newRow("encryption removed")
            << outcome(StoreStep::RemoveEncryption, Kind::EncryptionRemoved) << k << QString()
            << u"Encryption removed: the data file can now be read without the master "
               u"password."_s
            << false;

        QTest::newRow("already running")
            << outcome(StoreStep::BeginLogin, Kind::AlreadyRunning) << k
            << failure(u"Kestrune is already running with this data file."_s,
                       u"Use the copy of Kestrune that is running.  This one will close; it has "
                       u"not read or changed the file."_s)
            << QString() << true;
        // The program is named as its version information names it.
        QTest::newRow("cannot use the file, another product name")
            << outcome(StoreStep::BeginLogin, Kind::CannotUseFile, u"A folder stands there."_s)
            << u"Vaultname"_s
            << failure(u"Vaultname cannot use its data file."_s + kWillClose,
                       u"A folder stands there."_s)
            << QString() << true;
        QTest::newRow("cannot read it")
            << outcome(StoreStep::LoadData, Kind::CannotReadFile, u"The file cannot be read."_s)
            << k
            << failure(u"Kestrune cannot read its data file."_s + kWillClose,
                       u"The file cannot be read."_s)
            << QString() << true;
        QTest::newRow("changed while the password was asked for")
            << outcome(StoreStep::LoadData, Kind::ChangedOutside) << k
            << failure(u"The data file has been changed by another program since Kestrune "
                       u"read it."_s +
                           kWillClose,
                       u"Start Kestrune again to load the file as it is now."_s)
            << QString() << true;

        // Each write, refused or failed: the program goes on.
        const struct {
            const char* name;
            StoreStep step;
            QString what;
        } writes[] = {
            {"creation", StoreStep::CreateMasterPassword,
             u"Kestrune could not save the master password.  Nothing has been changed; please "
             u"try again."_s},
            {"save", StoreStep::SaveData, entriesNotSaved},
            {"encryption", StoreStep::EncryptDataFile, notEncrypted},
            {"removal", StoreStep::RemoveEncryption,
             u"Kestrune could not remove the encryption.  The data file has been left as it "
             u"was."_s},
        };
        for (const auto& [name, step, what] : writes) {
            QTest::addRow("%s refused", name)
                << outcome(step, Kind::ChangedOutside) << k
                << failure(u"The data file has been changed by another program since Kestrune "
                           u"read it.  Nothing was overwritten: this change has not been "
                           u"saved."_s,
                           u"Close Kestrune and start it again to load the file as it is now."_s)
                << QString() << false;
            QTest::addRow("%s failed", name)
                << outcome(step, Kind::WriteFailed, u"File too large"_s) << k
                << failure(what, u"File too large"_s) << QString() << false;
        }
        // The system's reason is shown as it came, "%1" and all.
        QTest::newRow("a reason with a place holder")
            << outcome(StoreStep::SaveData, Kind::WriteFailed, u"No room on %1"_s) << k
            << failure(entriesNotSaved, u"No room on %1"_s) << QString() << false;
        QTest::newRow("sealing failed")
            << outcome(StoreStep::SaveData, Kind::SealingFailed) << k
            << failure(entriesNotSaved, u"The data file could not be encrypted."_s) << QString()
            << false;

        for (const StoreStep step : {StoreStep::BeginLogin, StoreStep::PasswordTry}) {
            QTest::addRow("damaged, found %s",
                          step == StoreStep::BeginLogin ? "at the start" : "by the password try")
                << outcome(step, Kind::Damaged) << k
                << failure(u"The data file is damaged, so Kestrune cannot open it."_s + kWillClose,
                           damaged)
                << QString() << true;
        }
        QTest::newRow("unsupported")
            << outcome(StoreStep::BeginLogin, Kind::Unsupported) << k
            << failure(u"This version of Kestrune cannot open the data file."_s + kWillClose,
                       u"The file was encrypted by a newer version of Kestrune, or in a way "
                       u"that this version does not know.  Open it with the version of Kestrune "
                       u"that encrypted it."_s)
            << QString() << true;
        QTest::newRow("no memory for the key of the file")
            << outcome(StoreStep::PasswordTry, Kind::OutOfMemory) << k
            << failure(u"Kestrune cannot open the data file."_s + kWillClose,
                       u"There is not enough free memory to make the key of the encrypted "
                       u"file.  Close other programs and start Kestrune again."_s)
            << QString() << true;
        // Nothing was written, so no file is named.
        QTest::newRow("no memory for a new key")
            << outcome(StoreStep::EncryptDataFile, Kind::OutOfMemory) << k
            << notEncrypted + u"\n\nThere is not enough free memory to make the key."_s << QString()
            << false;
    }
    void eachOutcomeTellsItsOwnMessage() {
        QFETCH(StoreOutcome, told);
        QFETCH(QString, product);
        QFETCH(QString, text);
        QFETCH(QString, status);
        QFETCH(bool, ends);
        const ui::DataFileMessage message = ui::dataFileMessage(told, product, kPath);
        QCOMPARE(message.text, text);
        QCOMPARE(message.title, text.isEmpty() ? QString() : product);
        QCOMPARE(message.icon, text.isEmpty() ? platform::Icon::None : platform::Icon::Critical);
        if (told.kind == Kind::Saved) {
            QVERIFY2(message.status.startsWith(status) && message.status.size() > status.size(),
                     qPrintable(message.status));
        } else {
            QCOMPARE(message.status, status);
        }
        QCOMPARE(message.endsProgram, ends);
        QCOMPARE(told.done(), text.isEmpty());
    }

    // The store names what went wrong with a file; the words are the
    // system's own reason when it gave one, else ours.
    void eachFileProblemHasItsWords_data() {
        using store::FileProblem;
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("words");
        const auto row = [](const char* name, FileProblem problem, const QString& said,
                            const QString& words) {
            QTest::newRow(name) << int(problem) << said << words;
        };
        row("not a file", FileProblem::NotAFile, {},
            u"A folder, or something else that is not a file, stands where the data file "
            u"belongs."_s);
        row("export name not a file", FileProblem::NameIsNotAFile, {},
            u"A folder, or something else that is not a file, has that name."_s);
        row("cannot open", FileProblem::CannotOpen, {}, u"The file cannot be opened."_s);
        row("cannot read, unknown error", FileProblem::CannotRead, u"Unknown error"_s,
            u"The file cannot be read."_s);
        row("cannot create", FileProblem::CannotCreate, {}, u"The file cannot be created."_s);
        row("not all written", FileProblem::NotAllWritten, {},
            u"Not all of the data could be written."_s);
        row("cannot replace", FileProblem::CannotReplace, {}, u"The file could not be replaced."_s);
        row("the system's reason", FileProblem::CannotOpen, u"Permission denied"_s,
            u"Permission denied"_s);
        row("refused", FileProblem::Refused, {}, QString());
    }
    void eachFileProblemHasItsWords() {
        QFETCH(int, problem);
        QFETCH(QString, said);
        QFETCH(QString, words);
        QCOMPARE(ui::fileProblemText(store::FileResult::failure(store::FileProblem(problem), said)),
                 words);
    }
};

QTEST_GUILESS_MAIN(tst_DataFileMessages)
#include "tst_DataFileMessages.moc"
