#include "store/ConflictCopies.h"
#include "store/DataFileFormat.h"
#include "store/OtherDataFile.h"
#include "store/SealedWriter.h"

#include "support/FakeStoreHost.h"
#include "support/StoreTestBase.h"
#include "support/StoreTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrune::store;
using namespace kestrune::test;
using namespace Qt::StringLiterals;

namespace {

const std::vector<Entry> kTwo = {{u"alice"_s, u"pw1"_s, u"example.com"_s},
                                 {u"bob"_s, u"pw2"_s, QString()}};

QByteArray writtenFile(const QString& masterPassword, const std::vector<Entry>& entries) {
    VectorRows rows;
    rows.rows = entries;
    return savedDataFile(masterPassword, rows);
}

} // namespace

// The copies sync engines make of data.enc, found beside it by their names
// and read with the running program's master password and key.
class tst_ConflictCopies : public StoreTestBase {
    Q_OBJECT

private slots:
    // One row for each engine's names, then names that only look like them.
    void conflictNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("engine");
        QTest::newRow("Syncthing")
            << u"data.sync-conflict-20261209-122649-B6OSXHE.enc"_s << u"Syncthing"_s;
        QTest::newRow("Nextcloud, ownCloud")
            << u"data (conflicted copy 2026-12-09 101500).enc"_s << u"Nextcloud or ownCloud"_s;
        QTest::newRow("Dropbox") << u"data (Alice's conflicted copy 2026-12-09).enc"_s
                                 << u"Dropbox"_s;
        QTest::newRow("Dropbox, second of the day")
            << u"data (Alice's conflicted copy 2026-12-09 (1)).enc"_s << u"Dropbox"_s;
        QTest::newRow("letter case")
            << u"DATA.SYNC-CONFLICT-20261209-122649-B6OSXHE.ENC"_s << u"Syncthing"_s;
        QTest::newRow("the data file itself") << u"data.enc"_s << QString();
        QTest::newRow("another file's copy")
            << u"notes.sync-conflict-20261209-122649-B6OSXHE.enc"_s << QString();
        QTest::newRow("a prefix before the name")
            << u"olddata.sync-conflict-20261209-122649-B6OSXHE.enc"_s << QString();
        QTest::newRow("a short device id")
            << u"data.sync-conflict-20261209-122649-B6OSXH.enc"_s << QString();
        QTest::newRow("another suffix")
            << u"data.sync-conflict-20261209-122649-B6OSXHE.enc.tmp"_s << QString();
        QTest::newRow("the engine's temporary file") << u".syncthing.data.enc.tmp"_s << QString();
        QTest::newRow("no time") << u"data (conflicted copy 2026-12-09).enc"_s << QString();
        QTest::newRow("no owner") << u"data ('s conflicted copy 2026-12-09).enc"_s << QString();
        QTest::newRow("a copy of the lock")
            << u"data.enc.sync-conflict-20261209-122649-B6OSXHE.lock"_s << QString();
    }
    void conflictNames() {
        QFETCH(QString, name);
        QFETCH(QString, engine);
        QCOMPARE(conflictCopyEngine(name, u"data.enc"_s), engine);
    }

    // Everything with a copy's name is found, the data file and other files
    // are not; a folder, a link that leads nowhere or in a loop and a file
    // above the limit are named with what stands in the way.
    void copiesBesideTheDataFile() {
        const QDir folder(dir->path());
        QVERIFY(putFile(file, writtenFile(u"master"_s, kTwo)));
        const QString plain = folder.filePath(u"data.sync-conflict-20261209-122649-B6OSXHE.enc"_s);
        QVERIFY(putFile(plain, writtenFile(u"master"_s, kTwo)));
        QVERIFY(putFile(folder.filePath(u"data.enc.bak"_s), "x"));
        const QString inFolder = folder.filePath(u"data (conflicted copy 2026-12-09 101500).enc"_s);
        QVERIFY(folder.mkdir(inFolder));
        const QString large = folder.filePath(u"data (Bo's conflicted copy 2026-12-09).enc"_s);
        {
            QFile sparse(large);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.resize(kDataFileSizeLimit + 1));
        }
        std::vector<ConflictCopy> expected = {
            {inFolder, FileProblem::NotAFile},
            {large, FileProblem::TooLarge},
        };
#ifdef Q_OS_UNIX
        const QString loop = folder.filePath(u"data.sync-conflict-20261209-122650-AAAAAAA.enc"_s);
        QVERIFY(QFile::link(loop, loop));
        const QString link = folder.filePath(u"data.sync-conflict-20261209-122651-BBBBBBB.enc"_s);
        QVERIFY(QFile::link(plain, link));
        expected.push_back({loop, FileProblem::NotAFile});
        expected.push_back({link, FileProblem::None});
#endif
        expected.push_back({plain, FileProblem::None});
        std::sort(expected.begin(), expected.end(),
                  [](const ConflictCopy& a, const ConflictCopy& b) { return a.path < b.path; });
        QCOMPARE(findConflictCopies(file), expected);
#ifdef Q_OS_UNIX
        // Through a link: beside the file it leads to.
        QTemporaryDir elsewhere;
        const QString dataLink = QDir(elsewhere.path()).filePath(u"data.enc"_s);
        QVERIFY(QFile::link(file, dataLink));
        QCOMPARE(findConflictCopies(dataLink), expected);
#endif
    }

    // What a copy or another data file reads as: its entries when the
    // password opens it, else what stands in the way. A sealed copy of the
    // same vault opens with the key in hand; one sealed again elsewhere (a new
    // salt) with a key made from the password.
    void otherDataFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("outcome");
        const auto row = [](const char* name, const char* kind, const char* password,
                            OtherDataFile::Outcome outcome) {
            QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(password)
                                << int(outcome);
        };
        using O = OtherDataFile::Outcome;
        row("written, same password", "written", "master", O::Entries);
        row("written, another vault", "written", "other", O::OtherPassword);
        row("sealed, key in hand", "sealed same salt", "master", O::Entries);
        row("sealed, only the key in hand opens it", "sealed key only", "master", O::Entries);
        row("sealed again elsewhere", "sealed new salt", "master", O::Entries);
        row("sealed, another vault", "sealed new salt", "other", O::OtherPassword);
        row("sealed, damaged", "sealed damaged", "master", O::Damaged);
        row("sealed, later version", "sealed version 2", "master", O::Unsupported);
        row("empty", "empty", "master", O::Empty);
        row("no master password", "no password", "master", O::Empty);
        row("a folder", "folder", "master", O::NotAFile);
        row("larger than the limit", "too large", "master", O::TooLarge);
    }
    void otherDataFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, password);
        QFETCH(int, outcome);
        const std::optional<Seal> running = makeSeal(u"master"_s, lowestKeyLimits());
        QVERIFY(running);
        const QString path = QDir(dir->path()).filePath(u"other.enc"_s);
        const QByteArray written = writtenFile(u"master"_s, kTwo);
        // A key that no password makes: only a read with the key in hand opens
        // a file sealed with it.
        Seal keyOnly;
        keyOnly.header = running->header;
        QVERIFY(keyOnly.key.assign(QByteArray(SecretKey::kSize, 'k')));
        const Seal* inHand = &*running;
        if (kind == "written") {
            QVERIFY(putFile(path, written));
        } else if (kind == "sealed same salt") {
            QVERIFY(putFile(path, sealedFile(*running, written)));
        } else if (kind == "sealed key only") {
            QVERIFY(putFile(path, sealedFile(keyOnly, written)));
            inHand = &keyOnly;
        } else if (kind.startsWith(u"sealed")) {
            QByteArray sealed = sealedFile(*makeSeal(u"master"_s, lowestKeyLimits()), written);
            if (kind == "sealed damaged") {
                sealed[sealed.size() / 2] = char(sealed[sealed.size() / 2] ^ 1);
            } else if (kind == "sealed version 2") {
                sealed[16] = '2';
            }
            QVERIFY(putFile(path, sealed));
        } else if (kind == "empty") {
            QVERIFY(putFile(path, {}));
        } else if (kind == "no password") {
            QVERIFY(putFile(path, emptyDataFile()));
        } else if (kind == "folder") {
            QVERIFY(QDir(dir->path()).mkdir(u"other.enc"_s));
        } else if (kind == "too large") {
            QFile sparse(path);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.resize(kDataFileSizeLimit + 1));
        }
        const OtherDataFile read = readOtherDataFile(path, password, inHand);
        QCOMPARE(int(read.outcome), outcome);
        QCOMPARE(read.entries,
                 outcome == int(OtherDataFile::Outcome::Entries) ? kTwo : std::vector<Entry>{});
        QCOMPARE(read.sealed, kind.startsWith(u"sealed"));
    }
};

QTEST_GUILESS_MAIN(tst_ConflictCopies)
#include "tst_ConflictCopies.moc"
