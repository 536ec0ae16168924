// A program killed in the middle of a save must leave data.enc whole: either
// the old content or the new one, byte for byte, never a mixture, a truncated
// file or a temporary file in its place.
//
// The test runs itself a second time as a child process (--save-child) that
// saves a large vault over and over through the real store, alternating
// between two contents, and tells the parent through a pipe when a save
// starts ("s") and when it is done ("d"). The parent kills it with SIGKILL at
// a random moment, reads the file back and starts the next child.
//
// It runs over a written file and over a sealed one (sealed with the lowest
// limits, so that each child makes its key in milliseconds): afterwards the
// sealed file must open and hold one of the two contents.
//
// KESTRUNE_CRASH_SEED and KESTRUNE_CRASH_KILLS change the seed and the number
// of kills (a third of them over the sealed file).

#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/Seal.h"
#include "store/SealedPasswordTry.h"
#include "store/SealedReader.h"
#include "store/SealedWriter.h"
#include "support/StoreTestBase.h"
#include "support/StoreTestUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
extern char** environ;
#endif

using namespace kestrune::store;
using namespace kestrune::test;

namespace {

const QString kMasterPassword = QStringLiteral("Crash|||Test Š€");
const KeySalt kSalt = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// The seal of the sealed runs: the lowest limits, a fixed salt, chunks of
// 64 KiB, so that a save writes many.
[[maybe_unused]] Seal crashSeal() {
    Seal seal;
    seal.header.limits = lowestKeyLimits();
    seal.header.salt = kSalt;
    seal.header.chunkSize = 64 * 1024;
    QByteArray password = passwordBytes(kMasterPassword).value();
    seal.key.derive(password, kSalt, seal.header.limits);
    wipe(password);
    return seal;
}

// The plaintext of a sealed file, or "<not opened>".
[[maybe_unused]] QByteArray unsealed(const QByteArray& file, const Seal& seal) {
    QByteArray plain;
    SealedFileReader reader(&seal.key, [&plain](QByteArrayView piece) { plain += piece; });
    reader.feed(file);
    return reader.finish() == SealedOutcome::Opened ? plain : QByteArrayLiteral("<not opened>");
}
constexpr int kMarkerFd = 3;         // where the child reports its saves
constexpr int kGoFd = 4;             // where the child waits for its go
constexpr int kChildMaxSaves = 4000; // a child left alone stops by itself

// Two contents of a vault of tens of thousands of realistic entries (about
// 2.5 MB on disk), the second an edit of the first: rows removed, changed and
// added, so that the files differ all along and in size.
[[maybe_unused]] std::array<std::vector<Entry>, 2> vaultContents(quint32 seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const QString passwordCharacters =
        QStringLiteral("abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!#$%&*+-=?@_|"
                       " éüßŠš€Ÿ\t");
    const char* const names[] = {"anna", "björn", "carla", "dmitri", "émile", "franziska"};
    // Built with as few allocations as possible: every child process makes
    // the whole vault again before its first save.
    const auto password = [&] {
        char16_t text[24];
        const int length = 10 + pick(14);
        for (int i = 0; i < length; ++i) {
            text[i] = passwordCharacters[pick(int(passwordCharacters.size()))].unicode();
        }
        QString out = QString::fromUtf16(text, length);
        // Only what the entry dialog would take: no separator, no bar at the end.
        if (checkEntryField(out, false).problem != FieldProblem::None) {
            out.replace(QLatin1Char('|'), QLatin1Char('!'));
        }
        return out;
    };
    const auto entry = [&](int n) {
        char text[96];
        Entry e;
        std::snprintf(text, sizeof text, "%s.%d@mail%d.example", names[pick(6)], n, pick(50));
        e.username = QString::fromUtf8(text);
        e.password = password();
        switch (pick(4)) {
        case 0:
            break; // no location
        case 1:
            std::snprintf(text, sizeof text, "C:\\Users\\Public\\Documents\\file%d.txt", n);
            e.location = QString::fromLatin1(text);
            break;
        default:
            std::snprintf(text, sizeof text, "https://www.site%d.example/login?next=%%2Fhome", n);
            e.location = QString::fromLatin1(text);
        }
        return e;
    };

    std::array<std::vector<Entry>, 2> contents;
    constexpr int kEntries = 25000;
    contents[0].reserve(kEntries);
    for (int n = 0; n < kEntries; ++n) {
        contents[0].push_back(entry(n));
    }
    for (std::size_t i = 0; i < contents[0].size(); ++i) {
        if (i % 7 == 3) {
            continue; // removed
        }
        Entry e = contents[0][i];
        if (i % 5 == 1) {
            e.password = password(); // changed
        }
        contents[1].push_back(std::move(e));
    }
    for (int n = kEntries; n < kEntries + 6000; ++n) {
        contents[1].push_back(entry(n)); // added
    }
    return contents;
}

#ifdef Q_OS_UNIX

// The child: makes both contents, waits for the parent's go (the digit of
// the content to save first), then saves the two in turn until it is killed,
// reporting on the pipe before and after every save.
int saveChild(const char* folder, const char* seedText, bool sealed) {
#ifdef Q_OS_LINUX
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
#endif
    FakePlatform fake(QString::fromLocal8Bit(folder));
    std::array<std::vector<Entry>, 2> contents = vaultContents(quint32(std::atoll(seedText)));
    std::array<FakeStoreHost, 2> hosts;
    hosts[0].list.rows = std::move(contents[0]);
    hosts[1].list.rows = std::move(contents[1]);
    credentialStore().state.MasterPassword = kMasterPassword;
    if (sealed) {
        credentialStore().acceptSeal(crashSeal());
    }
    char go = 0;
    if (read(kGoFd, &go, 1) != 1) {
        return 0; // not needed after all
    }
    int which = go == '1' ? 1 : 0;
    for (int i = 0; i < kChildMaxSaves; ++i) {
        credentialStore().attach(&hosts[std::size_t(which)]);
        if (write(kMarkerFd, "s", 1) != 1) {
            return 3;
        }
        const bool saved = credentialStore().SaveData().done();
        if (write(kMarkerFd, saved ? "d" : "f", 1) != 1 || !saved) {
            return 2;
        }
        which = 1 - which;
    }
    return 0;
}

// A child process and the parent's ends of its two pipes. One is started
// ahead, so that it makes its contents while the parent checks the file the
// last one left; it is killed and reaped at the latest when it goes.
class Child {
public:
    Child(const QString& folder, quint32 seed, bool sealed) {
        int markers[2] = {-1, -1};
        int go[2] = {-1, -1};
        if (pipe2(markers, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0) {
            return;
        }
        // The child's ends must not already sit where they are moved to.
        const int childMarkers = fcntl(markers[1], F_DUPFD_CLOEXEC, 10);
        const int childGo = fcntl(go[0], F_DUPFD_CLOEXEC, 10);
        close(markers[1]);
        close(go[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, childMarkers, kMarkerFd);
        posix_spawn_file_actions_adddup2(&actions, childGo, kGoFd);
        const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
        const QByteArray folderArg = folder.toLocal8Bit();
        const QByteArray seedArg = QByteArray::number(seed);
        char* argv[] = {const_cast<char*>(program.constData()),
                        const_cast<char*>("--save-child"),
                        const_cast<char*>(folderArg.constData()),
                        const_cast<char*>(seedArg.constData()),
                        const_cast<char*>(sealed ? "sealed" : "written"),
                        nullptr};
        if (posix_spawn(&pid_, program.constData(), &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(childMarkers);
        close(childGo);
        markerFd_ = markers[0];
        goFd_ = go[1];
    }
    ~Child() {
        if (pid_ > 0) {
            killNow();
        }
        if (markerFd_ >= 0) {
            close(markerFd_);
        }
        if (goFd_ >= 0) {
            close(goFd_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0 && markerFd_ >= 0 && goFd_ >= 0; }
    int markerFd() const { return markerFd_; }
    bool go(int first) {
        const char digit = first == 1 ? '1' : '0';
        return write(goFd_, &digit, 1) == 1;
    }
    // Kills the child and returns its wait status.
    int killNow() {
        int status = 0;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int markerFd_ = -1;
    int goFd_ = -1;
};

// Reads one byte from the child, waiting at most `timeoutMs`; 0 on end of
// file or time-out.
char readMarker(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) {
        return 0;
    }
    char c = 0;
    ssize_t n = 0;
    do {
        n = read(fd, &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : 0;
}

// Reads the child's markers until its end of the pipe closes.
QByteArray readRemainingMarkers(int fd) {
    QByteArray markers;
    while (const char c = readMarker(fd, 5000)) {
        markers.append(c);
    }
    return markers;
}

#endif

} // namespace

class tst_CrashSave : public StoreTestBase {
    Q_OBJECT

private slots:
    void aKillDuringASaveLeavesTheOldOrTheNewFileWhole_data() {
        QTest::addColumn<bool>("sealed");
        QTest::newRow("written") << false;
        QTest::newRow("sealed") << true;
    }
    void aKillDuringASaveLeavesTheOldOrTheNewFileWhole() {
#ifndef Q_OS_UNIX
        QSKIP("needs fork and SIGKILL");
#else
        QFETCH(bool, sealed);
        const quint32 seed = numberFromEnvironment("KESTRUNE_CRASH_SEED", 20261208);
        const int allKills = int(numberFromEnvironment("KESTRUNE_CRASH_KILLS", 200));
        const int kills = sealed ? std::max(allKills / 3, 1) : allKills;
        const Seal seal = crashSeal();
        qInfo("seed %u, %d kills (KESTRUNE_CRASH_SEED and KESTRUNE_CRASH_KILLS change them)", seed,
              kills);
        QElapsedTimer clock;
        clock.start();

        const std::array<std::vector<Entry>, 2> contents = vaultContents(seed);
        std::array<QByteArray, 2> bytes;
        for (std::size_t i = 0; i < 2; ++i) {
            VectorRows rows;
            rows.rows = contents[i];
            bytes[i] = savedDataFile(kMasterPassword, rows);
            QCOMPARE(entriesOf(bytes[i]), contents[i]);
        }
        QVERIFY(bytes[0] != bytes[1]);
        qInfo("the two files: %lld and %lld bytes, %zu and %zu entries", qlonglong(bytes[0].size()),
              qlonglong(bytes[1].size()), contents[0].size(), contents[1].size());
        QVERIFY(putFile(file, sealed ? sealedFile(seal, bytes[0]) : bytes[0]));
        // What the file holds, as the written layout.
        const auto content = [&](const QByteArray& onDisk) {
            return sealed ? unsealed(onDisk, seal) : onDisk;
        };

        std::mt19937 random(seed);
        int onDisk = 0;
        int midSave = 0;
        int keptOld = 0;
        int completedSaves = 0;
        QSet<QString> strays;
        // How long a save takes, measured on the first child, which is left
        // to finish a few saves.
        qint64 saveMicros = 0;

        auto next = std::make_unique<Child>(dir->path(), seed, sealed);
        for (int kill = 0; kill < kills; ++kill) {
            const std::unique_ptr<Child> child = std::move(next);
            QVERIFY2(child->started(), "the child cannot be started");
            const int first = 1 - onDisk;
            QVERIFY(child->go(first));
            QByteArray markers;
            const char started = readMarker(child->markerFd(), 30000);
            QVERIFY2(started == 's', "the child did not start saving");
            markers.append(started);
            if (saveMicros == 0) {
                // Calibration: the time from one "s" to the next, over a few saves.
                QElapsedTimer save;
                save.start();
                int saves = 0;
                while (saves < 6) {
                    const char c = readMarker(child->markerFd(), 30000);
                    if (c == 0) {
                        break;
                    }
                    markers.append(c);
                    saves += c == 's' ? 1 : 0;
                }
                saveMicros = std::max<qint64>(save.nsecsElapsed() / 1000 / std::max(saves, 1), 1);
                qInfo("one save takes about %lld us", saveMicros);
            } else {
                // Anywhere in the first save or the next one.
                const auto delay = std::uniform_int_distribution<qint64>(0, 2 * saveMicros)(random);
                std::this_thread::sleep_for(std::chrono::microseconds(delay));
            }
            const int status = child->killNow();
            if (kill + 1 < kills) {
                next = std::make_unique<Child>(dir->path(), seed, sealed);
            }
            markers.append(readRemainingMarkers(child->markerFd()));
            QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                     qPrintable(QStringLiteral("the child ended by itself, markers ") +
                                QString::fromLatin1(markers.right(20))));
            QVERIFY2(!markers.contains('f'), "a save failed in the child");

            // What the file may hold: the content of the last save that
            // reported done (or the old file), or, when the kill landed
            // during a save, also the content of that save.
            const int done = int(markers.count('d'));
            const bool duringASave = markers.endsWith('s');
            const int lastDone = done == 0 ? onDisk : (first + done - 1) % 2;
            const int inProgress = (first + done) % 2;
            completedSaves += done;

            const ReadResult read = readWholeFile(file);
            QVERIFY2(read.ok, qPrintable(read.systemReason));
            const QByteArray plain = content(read.bytes);
            int found = -1;
            for (int i = 0; i < 2; ++i) {
                if (plain == bytes[std::size_t(i)]) {
                    found = i;
                }
            }
            QVERIFY2(found >= 0,
                     qPrintable(QStringLiteral("kill %1: data.enc holds %2 bytes, neither content")
                                    .arg(kill)
                                    .arg(read.bytes.size())));
            QVERIFY2(
                found == lastDone || (duringASave && found == inProgress),
                qPrintable(QStringLiteral("kill %1: data.enc holds content %2 after markers %3")
                               .arg(kill)
                               .arg(found)
                               .arg(QString::fromLatin1(markers))));
            QCOMPARE(entriesOf(plain), contents[std::size_t(found)]);
            midSave += duringASave ? 1 : 0;
            keptOld += found == onDisk ? 1 : 0;

            // A fresh start of the program loads it.
            startAgain();
            if (sealed) {
                QVERIFY(credentialStore().BeginLogin());
                SealedPasswordTry tried =
                    trySealedPassword(*credentialStore().sealedLock(), kMasterPassword);
                QCOMPARE(int(tried.outcome), int(SealedPasswordTry::Outcome::Opens));
                credentialStore().state.MasterPassword = kMasterPassword;
                credentialStore().acceptSeal(std::move(tried.seal));
            }
            QCOMPARE(credentialStore().LoadData().kind, StoreOutcome::Kind::Loaded);
            QCOMPARE(host->list.rows, contents[std::size_t(found)]);
            credentialStore().reset();

            // Nothing but data.enc is taken for the data file; a temporary
            // file a kill left behind is counted.
            const QStringList names = namesIn(dir->path());
            QVERIFY2(names.contains(QStringLiteral("data.enc")), qPrintable(names.join(u' ')));
            for (const QString& name : names) {
                if (name != QStringLiteral("data.enc")) {
                    strays.insert(name);
                    // A sealed save's temporary file holds ciphertext only.
                    const QByteArray stray = fileBytes(dir->filePath(name));
                    for (const Entry& e : {contents[0][0], contents[0][9000], contents[1].back()}) {
                        QVERIFY(!sealed || !stray.contains(encodedEntryLine(e)));
                    }
                }
            }
            onDisk = found;
        }

        qInfo("%d kills in %lld ms: %d during a save, %d left the old file, %d saves completed, "
              "%lld temporary files left behind%s%s",
              kills, clock.elapsed(), midSave, keptOld, completedSaves, qlonglong(strays.size()),
              strays.isEmpty() ? "" : ": ",
              qPrintable(QStringList(strays.begin(), strays.end()).join(u' ')));
        // The kills must really land during saves, and some after a rename.
        QVERIFY2(midSave * 2 >= kills, "too few kills landed during a save");
        if (kills >= 20) {
            QVERIFY2(keptOld > 0 && keptOld < kills, "every kill had the same outcome");
        }
#endif
    }
};

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
    if (argc == 5 && qstrcmp(argv[1], "--save-child") == 0) {
        QCoreApplication app(argc, argv);
        return saveChild(argv[2], argv[3], qstrcmp(argv[4], "sealed") == 0);
    }
#endif
    QCoreApplication app(argc, argv);
    tst_CrashSave test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_CrashSave.moc"
