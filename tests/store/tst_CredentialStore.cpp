#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/DataFileGuard.h"
#include "store/SealedPasswordTry.h"
#include "store/SealedWriter.h"
#include "support/StoreTestBase.h"
#include "support/StoreTestUtil.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace kestrune::store;
using namespace kestrune::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray CRLF = QByteArrayLiteral("\r\n");

using Kind = StoreOutcome::Kind;

const Entry kA{u"a"_s, u"1"_s, u"x"_s}, kB{u"b"_s, u"2"_s, u"y"_s}, kC{u"c"_s, u"3"_s, u"z"_s},
    kD{u"d"_s, u"4"_s, u"w"_s};

QByteArray plainFile(const QString& password, const std::vector<Entry>& entries) {
    VectorRows rows;
    rows.rows = entries;
    return savedDataFile(password, rows);
}

// A sealed file of `entries`, as another copy of the program holding `seal`
// writes it.
QByteArray sealedFile(const Seal& seal, const QString& password,
                      const std::vector<Entry>& entries) {
    VectorRows rows;
    rows.rows = entries;
    SavedFileEncoder plain(password, rows);
    SealedFileEncoder sealed(seal, [&plain] { return plain.next(); });
    QByteArray bytes;
    for (QByteArrayView piece = sealed.next(); !piece.isEmpty(); piece = sealed.next()) {
        bytes += piece.toByteArray();
    }
    return bytes;
}

// What a sync engine does: the new content written beside the file, then
// renamed over it.
bool renameIntoPlace(const QString& target, const QByteArray& bytes) {
    const QString beside = target + u".incoming"_s;
    return putFile(beside, bytes) && QFile::remove(target) && QFile::rename(beside, target);
}

} // namespace

// What the user is told of each outcome is checked in tst_DataFileMessages.
class tst_CredentialStore : public StoreTestBase {
    Q_OBJECT

    // A failure of `step` that is not done and ends nothing by itself; one
    // with the file carries the system's reason.
    static void checkFailure(const StoreOutcome& outcome, StoreStep step, Kind kind) {
        QCOMPARE(outcome.step, step);
        QCOMPARE(outcome.kind, kind);
        QVERIFY(!outcome.done());
        if (kind == Kind::CannotUseFile || kind == Kind::WriteFailed) {
            QVERIFY(!outcome.file.ok);
            QVERIFY(outcome.file.problem != FileProblem::None);
        }
    }

    // Another program changes the data file: "vanished" removes it; "later"
    // and "timeBack" write content of the same size in place, stamped a second
    // after the file seen here or at its very time; "replaced" renames another
    // file of that size and time over it. Returns the content it wrote.
    QByteArray changeFromOutside(const QString& change) {
        QByteArray outside = fileBytes(file);
        outside[0] = char(outside[0] ^ 1);
        const QDateTime seen = QFileInfo(file).lastModified();
        const bool inPlace = change != u"replaced"_s;
        const QString target = inPlace ? file : dir->filePath(u"other"_s);
        if (change == u"vanished"_s) {
            QFile::remove(file);
            return {};
        }
        if (change == u"none"_s || !putFile(target, outside)) {
            return {};
        }
        QFile touched(target);
        if (!touched.open(QIODevice::ReadWrite) ||
            !touched.setFileTime(change == u"later"_s ? seen.addSecs(1) : seen,
                                 QFileDevice::FileModificationTime)) {
            return {};
        }
        touched.close();
        if (!inPlace && !(QFile::remove(file) && QFile::rename(target, file))) {
            return {};
        }
        return outside;
    }

private slots:
    void beginLoginCreatesAMissingFile() {
        const StoreOutcome begun = credentialStore().BeginLogin();
        QCOMPARE(begun.step, StoreStep::BeginLogin);
        QCOMPARE(begun.kind, Kind::CreateMode);
        QVERIFY(begun.done());
        QCOMPARE(fileBytes(file), CRLF);
        QVERIFY(credentialStore().state.CreatingPassword);
        QCOMPARE(credentialStore().state.StoredPassword, QString());
        QCOMPARE(fake->exit.calls, 0);
    }

    void beginLoginReadsLineOne_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("stored");
        QTest::newRow("case kept")
            << flipped("PassWord") + CRLF + flipped("u|||p|||l") + CRLF + CRLF << u"PassWord"_s;
        QTest::newRow("with separators") << flipped("a|||b") + CRLF << u"a|||b"_s;
        QTest::newRow("LF inside") << flipped("a") + "\n" + flipped("b") + CRLF << u"aŠb"_s;
        QTest::newRow("zero bytes") << QByteArray() << QString();
        QTest::newRow("empty line 1") << CRLF + flipped("u|||p|||l") + CRLF << QString();
    }
    // An existing file is read, never written.
    void beginLoginReadsLineOne() {
        QFETCH(QByteArray, content);
        QFETCH(QString, stored);
        QVERIFY(putFile(file, content));
        QCOMPARE(credentialStore().BeginLogin().kind,
                 stored.isEmpty() ? Kind::CreateMode : Kind::CheckMode);
        QCOMPARE(credentialStore().state.StoredPassword, stored);
        QCOMPARE(credentialStore().state.CreatingPassword, stored.isEmpty());
        QCOMPARE(fileBytes(file), content);
    }

    void folderAtTheDataFileEndsTheProgram_data() {
        QTest::addColumn<bool>("login");
        QTest::newRow("BeginLogin") << true;
        QTest::newRow("LoadData") << false;
    }
    // The outcome ends the program; the store itself ends nothing.
    void folderAtTheDataFileEndsTheProgram() {
        QFETCH(bool, login);
        QVERIFY(QDir().mkdir(file));
        const StoreOutcome outcome =
            login ? credentialStore().BeginLogin() : credentialStore().LoadData();
        checkFailure(outcome, login ? StoreStep::BeginLogin : StoreStep::LoadData,
                     Kind::CannotUseFile);
        QCOMPARE(fake->exit.calls, 0);
        QVERIFY(host->list.rows.empty());
        QVERIFY(QFileInfo(file).isDir());
        QCOMPARE(namesIn(dir->path()), QStringList{u"data.enc"_s});
        QCOMPARE(namesIn(file), QStringList());
    }

    void loadDataAppendsInFileOrder_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<std::vector<Entry>>("expected");
        const QByteArray pw = flipped("pw") + CRLF;
        QTest::newRow("none") << pw + CRLF << std::vector<Entry>{};
        QTest::newRow("one") << pw + flipped("a|||b|||c") + CRLF + CRLF
                             << std::vector<Entry>{{u"a"_s, u"b"_s, u"c"_s}};
        QTest::newRow("blank lines")
            << pw + CRLF + flipped("c|||1|||") + CRLF + " \r\n" + flipped("a|||2|||") + CRLF +
                   flipped("b|||3|||") + CRLF + CRLF
            << std::vector<Entry>{{u"c"_s, u"1"_s, {}}, {u"a"_s, u"2"_s, {}}, {u"b"_s, u"3"_s, {}}};
    }
    // The outcome counts the entries read, not those already in the list.
    void loadDataAppendsInFileOrder() {
        QFETCH(QByteArray, content);
        QFETCH(std::vector<Entry>, expected);
        QVERIFY(putFile(file, content));
        const Entry before{u"already"_s, u"in"_s, u"list"_s};
        host->list.rows = {before};
        const StoreOutcome loaded = credentialStore().LoadData();
        QCOMPARE(loaded.step, StoreStep::LoadData);
        QCOMPARE(loaded.kind, Kind::Loaded);
        QCOMPARE(loaded.count, qsizetype(expected.size()));
        expected.insert(expected.begin(), before);
        QCOMPARE(host->list.rows, expected);
        QCOMPARE(fileBytes(file), content);
    }

    void createMasterPasswordReplacesTheFile() {
        QVERIFY(putFile(file, CRLF + flipped("old|||entry|||x") + CRLF + CRLF));
        credentialStore().state.MasterPassword = u"New|||Pass"_s;
        const StoreOutcome created = credentialStore().CreateMasterPassword();
        QCOMPARE(created.step, StoreStep::CreateMasterPassword);
        QCOMPARE(created.kind, Kind::Created);
        QCOMPARE(fileBytes(file), flipped("New|||Pass") + CRLF);
    }

    void saveDataWritesTheRowsInOrder() {
        QVERIFY(putFile(file, flipped("pw") + CRLF +
                                  flipped("a much longer line than the new file") + CRLF));
        credentialStore().state.MasterPassword = u"pw"_s;
        QCOMPARE(credentialStore().SaveData().kind, Kind::Saved);
        QCOMPARE(fileBytes(file), flipped("pw") + CRLF + CRLF);

        host->list.rows = {
            {u"zed"_s, u"1"_s, u"z.example"_s}, {u"amy"_s, u"2"_s, {}}, {{}, u"3"_s, {}}};
        const StoreOutcome saved = credentialStore().SaveData();
        QCOMPARE(saved.step, StoreStep::SaveData);
        QCOMPARE(saved.kind, Kind::Saved);
        QCOMPARE(fileBytes(file), flipped("pw") + CRLF + flipped("zed|||1|||z.example") + CRLF +
                                      flipped("amy|||2|||") + CRLF + flipped("|||3|||") + CRLF +
                                      CRLF);
    }

    // A failed write changes nothing, and its outcome carries the reason.
    void failedWriteChangesNothing_data() {
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("folder");
        QTest::newRow("create, folder at the path") << true << true;
        QTest::newRow("create, file size cap") << true << false;
        QTest::newRow("save, folder at the path") << false << true;
        QTest::newRow("save, file size cap") << false << false;
    }
    void failedWriteChangesNothing() {
        QFETCH(bool, create);
        QFETCH(bool, folder);
        const QByteArray old = flipped("pw") + CRLF + flipped("kept|||as|||is") + CRLF + CRLF;
        credentialStore().state.MasterPassword = u"new password"_s;
        host->list.rows.assign(2000, Entry{u"user"_s, u"password"_s, u"somewhere"_s});
        StoreOutcome written;
        if (folder) {
            QVERIFY(QDir().mkdir(file));
            written =
                create ? credentialStore().CreateMasterPassword() : credentialStore().SaveData();
            QVERIFY(QFileInfo(file).isDir());
        } else {
#ifdef Q_OS_UNIX
            QVERIFY(putFile(file, old));
            {
                FileSizeCap cap{2};
                QVERIFY(cap.active());
                written = create ? credentialStore().CreateMasterPassword()
                                 : credentialStore().SaveData();
            }
            QCOMPARE(fileBytes(file), old);
#else
            QSKIP("needs RLIMIT_FSIZE");
#endif
        }
        checkFailure(written, create ? StoreStep::CreateMasterPassword : StoreStep::SaveData,
                     Kind::WriteFailed);
        QCOMPARE(fake->exit.calls, 0);
        QCOMPARE(namesIn(dir->path()), QStringList{u"data.enc"_s});
    }

    // A second copy started over the same file neither reads nor writes it;
    // a folder where no lock can be made starts as usual.
    // The lock lies in the runtime folder, named after the file's canonical
    // path; a lock file left beside the data file (by an older version, or
    // carried there by a sync engine from another computer) stops nobody.
    void lockDecidesTheStart_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("starts");
        QTest::newRow("taken") << int(kestrune::platform::LockOutcome::Taken) << true;
        QTest::newRow("held by a running copy")
            << int(kestrune::platform::LockOutcome::HeldElsewhere) << false;
        QTest::newRow("no lock possible")
            << int(kestrune::platform::LockOutcome::NotPossible) << true;
        QTest::newRow("real lock, an old one beside the file") << -1 << true;
    }
    void lockDecidesTheStart() {
        QFETCH(int, outcome);
        QFETCH(bool, starts);
        const QString lockPath = LockFilePath(file);
        QVERIFY(
            lockPath.startsWith(QDir::toNativeSeparators(fake->folder.runtime + u"/kestrune-"_s)));
        if (outcome < 0) {
            QVERIFY(putFile(file + u".lock"_s, "4242\nKestrune\nanother-host\n"));
            kestrune::platform::LockFiles real;
            const kestrune::platform::Services doubles = kestrune::platform::services();
            kestrune::platform::Services withReal = doubles;
            withReal.locks = &real;
            kestrune::platform::install(withReal);
            const StoreOutcome begun = credentialStore().BeginLogin();
            const bool locked = QFileInfo::exists(lockPath);
            real.unlockAll();
            kestrune::platform::install(doubles);
            QVERIFY(locked);
            QCOMPARE(begun.kind, Kind::CreateMode);
            return;
        }
        fake->locks.outcome = kestrune::platform::LockOutcome(outcome);
        const StoreOutcome begun = credentialStore().BeginLogin();
        QCOMPARE(begun.done(), starts);
        QCOMPARE(fake->locks.locked, QStringList{lockPath});
        QCOMPARE(fake->exit.calls, 0);
        if (starts) {
            QCOMPARE(begun.kind, Kind::CreateMode);
            QCOMPARE(fileBytes(file), CRLF);
        } else {
            checkFailure(begun, StoreStep::BeginLogin, Kind::AlreadyRunning);
            QCOMPARE(namesIn(dir->path()), QStringList());
        }
    }

    // A file changed while the password dialog waited is not loaded under the
    // password checked against the old one; a vanished one loads as empty.
    void aChangeDuringLoginEndsTheProgram_data() {
        QTest::addColumn<bool>("vanish");
        QTest::newRow("same size, a second later") << false;
        QTest::newRow("vanished") << true;
    }
    void aChangeDuringLoginEndsTheProgram() {
        QFETCH(bool, vanish);
        const QByteArray before = flipped("pw") + CRLF + flipped("a|||b|||c") + CRLF;
        QVERIFY(putFile(file, before));
        QVERIFY(credentialStore().BeginLogin());
        credentialStore().state.MasterPassword = u"pw"_s;
        const QByteArray outside = changeFromOutside(vanish ? u"vanished"_s : u"later"_s);
        QCOMPARE(outside.isEmpty(), vanish);
        const StoreOutcome loaded = credentialStore().LoadData();
        QCOMPARE(loaded.done(), vanish);
        QCOMPARE(fake->exit.calls, 0);
        if (!vanish) {
            checkFailure(loaded, StoreStep::LoadData, Kind::ChangedOutside);
            QCOMPARE(fileBytes(file), outside);
            QVERIFY(host->list.rows.empty());
        }
    }

    // Before a write the file must still be the one last read or written
    // here: another program's change, even of the same size in the same
    // second, is never overwritten; a vanished file is written anew; the
    // program's own saves do not count as changes.
    void writesOnlyOverTheFileLastSeen_data() {
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("written");
        for (const bool create : {false, true}) {
            const char* op = create ? "create: " : "save: ";
            QTest::addRow("%snone", op) << create << u"none"_s << true;
            QTest::addRow("%svanished", op) << create << u"vanished"_s << true;
            QTest::addRow("%ssame size, a second later", op) << create << u"later"_s << false;
            QTest::addRow("%ssame size, time put back", op) << create << u"timeBack"_s << false;
            QTest::addRow("%sreplaced, same size and time", op) << create << u"replaced"_s << false;
        }
    }
    void writesOnlyOverTheFileLastSeen() {
        QFETCH(bool, create);
        QFETCH(QString, change);
        QFETCH(bool, written);
        QVERIFY(putFile(file, create ? CRLF : flipped("pw") + CRLF + flipped("a|||b|||c") + CRLF));
        QVERIFY(credentialStore().BeginLogin());
        credentialStore().state.MasterPassword = u"pw"_s;
        if (!create) {
            QVERIFY(credentialStore().LoadData());
            host->list.rows.push_back({u"d"_s, u"e"_s, u"f"_s});
            QVERIFY(credentialStore().SaveData()); // its own write is no change
            host->list.rows.push_back({u"g"_s, u"h"_s, u"i"_s});
        }

        const QByteArray outside = changeFromOutside(change);
        QCOMPARE(outside.isEmpty(), written);
        QCOMPARE(QFile::exists(file), change != u"vanished"_s);

        const StoreStep step = create ? StoreStep::CreateMasterPassword : StoreStep::SaveData;
        const StoreOutcome done =
            create ? credentialStore().CreateMasterPassword() : credentialStore().SaveData();
        QCOMPARE(done.done(), written);
        if (written) {
            QCOMPARE(done.kind, create ? Kind::Created : Kind::Saved);
            QCOMPARE(fileBytes(file), create ? flipped("pw") + CRLF
                                             : flipped("pw") + CRLF + flipped("a|||b|||c") + CRLF +
                                                   flipped("d|||e|||f") + CRLF +
                                                   flipped("g|||h|||i") + CRLF + CRLF);
            return;
        }
        QCOMPARE(fileBytes(file), outside);
        checkFailure(done, step, Kind::ChangedOutside);
        QVERIFY(done.file.refused);
        QCOMPARE(namesIn(dir->path()), QStringList{u"data.enc"_s});
    }

    // A save onto a file that another program changed makes the change again
    // on the file's new content and writes that, plain or sealed, also
    // through a link (which stays a link, its target replaced in its own
    // folder); the list then shows the result. A file of another vault takes
    // no change.
    void aSaveOntoAChangedFileMerges_data() {
        QTest::addColumn<bool>("sealed");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("anotherVault");
        for (const bool sealed : {false, true}) {
            for (const bool link : {false, true}) {
                QTest::addRow("%s, %s", sealed ? "sealed" : "plain",
                              link ? "through a link" : "in place")
                    << sealed << link << false;
            }
            QTest::addRow("%s, another vault", sealed ? "sealed" : "plain")
                << sealed << false << true;
        }
    }
    void aSaveOntoAChangedFileMerges() {
        QFETCH(bool, sealed);
        QFETCH(bool, link);
        QFETCH(bool, anotherVault);
        const QString pw = u"pw"_s;
        QString target = file;
#ifdef Q_OS_WIN
        if (link) {
            QSKIP("a link is a shortcut file on Windows");
        }
#endif
        if (link) {
            QVERIFY(QDir(dir->path()).mkdir(u"synced"_s));
            target = dir->filePath(u"synced/data.enc"_s);
            QVERIFY(QFile::link(u"synced/data.enc"_s, file));
        }
        QVERIFY(putFile(target, plainFile(pw, {kA, kB})));
        std::optional<Seal> other;
        if (sealed) {
            credentialStore().state.MasterPassword = pw;
            QVERIFY(credentialStore().LoadData());
            QVERIFY(credentialStore().EncryptDataFile(
                makeSeal(pw, lowestKeyLimits(), kMinChunkSize).value()));
            startAgain();
            QCOMPARE(credentialStore().BeginLogin().kind, Kind::SealedCheckMode);
            SealedPasswordTry mine = trySealedPassword(*credentialStore().sealedLock(), pw);
            SealedPasswordTry theirs = trySealedPassword(*credentialStore().sealedLock(), pw);
            QCOMPARE(theirs.outcome, SealedPasswordTry::Outcome::Opens);
            credentialStore().acceptSeal(std::move(mine.seal));
            other = std::move(theirs.seal);
            if (anotherVault) {
                other = makeSeal(u"other"_s, lowestKeyLimits(), kMinChunkSize);
            }
        } else {
            QVERIFY(credentialStore().BeginLogin());
        }
        credentialStore().state.MasterPassword = pw;
        QVERIFY(credentialStore().LoadData());
        const QString theirPassword = anotherVault ? u"other"_s : pw;
        const QByteArray outside = sealed ? sealedFile(*other, theirPassword, {kA, kB, kC})
                                          : plainFile(theirPassword, {kA, kB, kC});
        QVERIFY(renameIntoPlace(target, outside));

        host->list.rows.push_back(kD);
        const StoreOutcome saved = credentialStore().SaveData(EntryChange::add(kD));
        QCOMPARE(QFileInfo(file).isSymLink(), link);
        QCOMPARE(namesIn(QFileInfo(target).absolutePath()), QStringList{u"data.enc"_s});
        if (anotherVault) {
            checkFailure(saved, StoreStep::SaveData, Kind::ChangedOutside);
            QCOMPARE(fileBytes(target), outside);
            return;
        }
        QCOMPARE(saved.kind, Kind::Saved);
        QVERIFY(saved.merged);
        const std::vector<Entry> merged = {kA, kB, kC, kD};
        QCOMPARE(host->list.rows, merged);
        QCOMPARE(credentialStore().isSealed(), sealed);
        if (!sealed) {
            QCOMPARE(fileBytes(file), plainFile(pw, merged));
        }
        // Its own write is no change: the next save is a plain one.
        host->list.rows.pop_back();
        const StoreOutcome again = credentialStore().SaveData(EntryChange::remove(kD));
        QCOMPARE(again.kind, Kind::Saved);
        QVERIFY(!again.merged);
    }

    // Read again after another program's change: new content is loaded in
    // place of the list's; the file last seen, or none for the moment, is no
    // change; a file of another vault, or one still being written, loads
    // nothing; a file sealed anew needs the key of its new salt, made from the
    // master password; one whose encryption was removed loads unsealed.
    void reloadReadsTheFileAsItIsNow_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("sealed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("sealedAfter");
        QTest::newRow("plain: none") << u"none"_s << false << int(Kind::Unchanged) << false;
        QTest::newRow("plain: vanished") << u"vanished"_s << false << int(Kind::Unchanged) << false;
        QTest::newRow("plain: new content") << u"new"_s << false << int(Kind::Reloaded) << false;
        QTest::newRow("plain: another vault")
            << u"another"_s << false << int(Kind::AnotherVault) << false;
        QTest::newRow("plain: half written") << u"half"_s << false << int(Kind::Damaged) << false;
        QTest::newRow("plain: sealed elsewhere")
            << u"sealedAnew"_s << false << int(Kind::Reloaded) << true;
        QTest::newRow("sealed: new content") << u"new"_s << true << int(Kind::Reloaded) << true;
        QTest::newRow("sealed: sealed anew")
            << u"sealedAnew"_s << true << int(Kind::Reloaded) << true;
        QTest::newRow("sealed: another vault")
            << u"another"_s << true << int(Kind::AnotherVault) << true;
        QTest::newRow("sealed: half written") << u"half"_s << true << int(Kind::Damaged) << true;
        QTest::newRow("sealed: encryption removed")
            << u"new"_s << false << int(Kind::Reloaded) << false;
    }
    void reloadReadsTheFileAsItIsNow() {
        QFETCH(QString, change);
        QFETCH(bool, sealed);
        QFETCH(int, kind);
        QFETCH(bool, sealedAfter);
        const QString pw = u"pw"_s;
        const bool removed = QByteArray(QTest::currentDataTag()).contains("removed");
        QVERIFY(putFile(file, plainFile(pw, {kA, kB})));
        QVERIFY(credentialStore().BeginLogin());
        credentialStore().state.MasterPassword = pw;
        QVERIFY(credentialStore().LoadData());
        std::optional<Seal> theirs;
        if (sealed || removed) {
            QVERIFY(credentialStore().EncryptDataFile(
                makeSeal(pw, lowestKeyLimits(), kMinChunkSize).value()));
            startAgain();
            QCOMPARE(credentialStore().BeginLogin().kind, Kind::SealedCheckMode);
            SealedPasswordTry mine = trySealedPassword(*credentialStore().sealedLock(), pw);
            theirs = std::move(trySealedPassword(*credentialStore().sealedLock(), pw).seal);
            credentialStore().acceptSeal(std::move(mine.seal));
            credentialStore().state.MasterPassword = pw;
            QVERIFY(credentialStore().LoadData());
        }
        const std::vector<Entry> now = {kC, kA};
        QByteArray outside;
        if (change == u"new"_s) {
            outside = sealed ? sealedFile(*theirs, pw, now) : plainFile(pw, now);
        } else if (change == u"another"_s) {
            outside = sealed ? sealedFile(makeSeal(u"other"_s, lowestKeyLimits()).value(),
                                          u"other"_s, now)
                             : plainFile(u"other"_s, now);
        } else if (change == u"half"_s) {
            outside = (sealed ? sealedFile(*theirs, pw, now) : plainFile(pw, now)).chopped(3);
        } else if (change == u"sealedAnew"_s) {
            outside = sealedFile(makeSeal(pw, lowestKeyLimits()).value(), pw, now);
        }
        if (change == u"vanished"_s) {
            QVERIFY(QFile::remove(file));
        } else if (change != u"none"_s) {
            QVERIFY(renameIntoPlace(file, outside));
        }
        const std::vector<Entry> before = host->list.rows;

        StoreOutcome reloaded = credentialStore().ReloadData();
        if (reloaded.kind == Kind::NeedsKey) {
            // The key of the new salt, made from the master password: when it
            // does not open the file, the file is another vault's.
            QCOMPARE(host->list.rows, before);
            SealedPasswordTry tried = trySealedPassword(*credentialStore().sealedLock(), pw);
            reloaded = tried.outcome == SealedPasswordTry::Outcome::Opens
                           ? credentialStore().ReloadData(std::move(tried.seal))
                           : StoreOutcome{StoreStep::ReloadData, Kind::AnotherVault};
        }
        QCOMPARE(reloaded.step, StoreStep::ReloadData);
        QCOMPARE(int(reloaded.kind), kind);
        QCOMPARE(credentialStore().isSealed(), sealedAfter);
        if (reloaded.kind == Kind::Reloaded) {
            QCOMPARE(reloaded.count, qsizetype(2));
            QCOMPARE(host->list.rows, now);
            QCOMPARE(credentialStore().ReloadData().kind, Kind::Unchanged);
        } else {
            QCOMPARE(host->list.rows, before);
        }
        if (change != u"none"_s && change != u"vanished"_s) {
            QCOMPARE(fileBytes(file), outside); // never written over
        }
        QCOMPARE(fake->exit.calls, 0);
    }

    // What a save writes, a fresh start reads back the same, in order.
    void roundTrip() {
        const std::vector<Entry> tricky = {
            {u"Šarka"_s, u"€uro ÿ"_s, QString()},
            {u" "_s, u" padded "_s, u"  both  "_s},
            {u"a|b"_s, u"c||d"_s, u"|e|"_s},
            {u"ŠŠ\tŠ"_s, u"ŽžŸœ“”"_s, u"C:\\Program Files\\x"_s},
            {u"\u00A0"_s, QString(), u"Š"_s},
            {QString(), QString(), QString()},
        };
        const QString password = u"Pä|||ss Š€"_s;
        host->list.rows = tricky;
        credentialStore().state.MasterPassword = password;
        QVERIFY(credentialStore().SaveData());

        startAgain();
        QCOMPARE(credentialStore().BeginLogin().kind, Kind::CheckMode);
        QCOMPARE(credentialStore().state.StoredPassword, password);
        QVERIFY(!credentialStore().state.CreatingPassword);
        QCOMPARE(credentialStore().LoadData().count, qsizetype(6));
        QCOMPARE(host->list.rows, tricky);
    }

    // Far more entries than a 16-bit count could hold.
    void manyEntries() {
        constexpr int count = 100000;
        VectorRows rows;
        rows.rows.reserve(count);
        for (int i = 0; i < count; ++i) {
            rows.rows.push_back({u"user%1"_s.arg(i), u"pw"_s, u"site"_s});
        }
        QVERIFY(putFile(file, savedDataFile(u"pw"_s, rows)));
        const StoreOutcome loaded = credentialStore().LoadData();
        QCOMPARE(loaded.kind, Kind::Loaded);
        QCOMPARE(loaded.count, qsizetype(count));
        QCOMPARE(host->list.rows.size(), std::size_t(count));
        QCOMPARE(host->list.rows[65536].username, u"user65536"_s);
        QCOMPARE(host->list.rows.back().username, u"user99999"_s);
    }
};

QTEST_GUILESS_MAIN(tst_CredentialStore)
#include "tst_CredentialStore.moc"
