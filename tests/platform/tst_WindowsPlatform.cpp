// The Windows paths of the platform layer, against Windows itself: the
// registry, the lock file, the stamp of a file, the program folder and the
// native window region. Built and run on Windows only.
#include "platform/FileLock.h"
#include "platform/FileStamp.h"
#include "platform/ProgramFolder.h"
#include "platform/UserSettings.h"
#include "platform/WindowRegion.h"

#include "platform/WindowsApi.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>

using namespace kestrune::platform;

namespace {

// An application name of this run alone, so that a run on a real machine
// writes nothing where a real program keeps its settings.
QString testApplication() {
    return QStringLiteral("KestruneTest%1").arg(GetCurrentProcessId());
}

std::wstring wide(const QString& text) {
    return text.toStdWString();
}

// A registry text value of the current user, or a null string.
QString registryText(const QString& key, const QString& name) {
    wchar_t value[256];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, wide(key).c_str(), wide(name).c_str(), RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return {};
    }
    return QString::fromWCharArray(value);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Sets the file's last write time, as a copy tool that keeps times would.
bool setModified(const QString& path, const FILETIME& time) {
    const HANDLE file = CreateFileW(
        wide(QDir::toNativeSeparators(path)).c_str(), FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool done = SetFileTime(file, nullptr, nullptr, &time) != 0;
    CloseHandle(file);
    return done;
}

FILETIME modifiedOf(const QString& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(wide(QDir::toNativeSeparators(path)).c_str(), GetFileExInfoStandard,
                         &data);
    return data.ftLastWriteTime;
}

constexpr const char* kHoldLock = "--hold-lock";

// The helper process: takes the lock at `path`, says so, and waits to be ended.
int holdLock(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LockFiles locks;
    if (locks.lock(QCoreApplication::arguments().at(2)) != LockOutcome::Taken) {
        return 2;
    }
    std::puts("locked");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

} // namespace

class tst_WindowsPlatform : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() {
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       wide(QStringLiteral("Software\\") + testApplication()).c_str());
    }

    // --- the registry ---

    void settingsLiveInTheRegistryUnderTheProgramsName() {
        QtUserSettings settings;
        const QString app = testApplication();
        const QString key = QStringLiteral("Software\\%1\\%1\\Settings").arg(app);
        QCOMPARE(settings.value(app, "Settings", "showHelp", "1"), QStringLiteral("1"));
        settings.setValue(app, "Settings", "showHelp", "0");
        QCOMPARE(registryText(key, "showHelp"), QStringLiteral("0"));
        // A value written by other means is read back as it stands.
        const std::wstring text = L" 01";
        QCOMPARE(RegSetKeyValueW(HKEY_CURRENT_USER, wide(key).c_str(), L"showHelp", REG_SZ,
                                 text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t))),
                 LSTATUS(ERROR_SUCCESS));
        QCOMPARE(settings.value(app, "Settings", "showHelp", "1"), QStringLiteral(" 01"));
    }

    // --- the lock file ---

    void aHeldLockCannotBeTakenNorDeleted() {
        QTemporaryDir folder;
        const QString path = QDir::toNativeSeparators(folder.filePath("data.enc.lock"));
        LockFiles first;
        QCOMPARE(first.lock(path), LockOutcome::Taken);
        QCOMPARE(first.lock(path), LockOutcome::Taken); // held already
        LockFiles second;
        QCOMPARE(second.lock(path), LockOutcome::HeldElsewhere);
        // The holder keeps the file open: nobody removes it meanwhile.
        QVERIFY(!QFile::remove(path));
        first.unlockAll();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(second.lock(path), LockOutcome::Taken);
    }

    void aLockOfAnEndedProcessIsTakenOver() {
        QTemporaryDir folder;
        const QString path = QDir::toNativeSeparators(folder.filePath("data.enc.lock"));
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {kHoldLock, path});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));
        LockFiles locks;
        QCOMPARE(locks.lock(path), LockOutcome::HeldElsewhere);
        holder.kill(); // ended without unlocking
        QVERIFY(holder.waitForFinished(30000));
        QVERIFY(QFile::exists(path));
        QCOMPARE(locks.lock(path), LockOutcome::Taken);
    }

    void noLockWhereNoFileCanBeMade() {
        QTemporaryDir folder;
        const QString path =
            QDir::toNativeSeparators(folder.filePath("missing folder/data.enc.lock"));
        LockFiles locks;
        QCOMPARE(locks.lock(path), LockOutcome::NotPossible);
    }

    // --- the stamp of a file ---

    void aFileReplacedFromOutsideHasAnotherStamp() {
        QTemporaryDir folder;
        const QString path = folder.filePath("data.enc");
        const QString other = folder.filePath("other");
        QVERIFY(writeFile(path, "same size"));
        const SystemFileStamps stamps;
        const FileStamp before = stamps.stampOf(QDir::toNativeSeparators(path));
        QVERIFY(before.exists);
        QCOMPARE(before.size, qint64(9));
        QCOMPARE(stamps.stampOf(QDir::toNativeSeparators(path)), before);

        // Another file of the same size and the same time moved over it.
        QVERIFY(writeFile(other, "SAME SIZE"));
        QVERIFY(setModified(other, modifiedOf(path)));
        QVERIFY(MoveFileExW(wide(QDir::toNativeSeparators(other)).c_str(),
                            wide(QDir::toNativeSeparators(path)).c_str(),
                            MOVEFILE_REPLACE_EXISTING));
        const FileStamp replaced = stamps.stampOf(QDir::toNativeSeparators(path));
        QVERIFY(replaced.exists);
        QCOMPARE(replaced.size, before.size);
        QCOMPARE(replaced.modified, before.modified);
        QVERIFY(replaced.identity != before.identity);
        QVERIFY(replaced != before);

        // Written in place, with the old time put back.
        const FILETIME time = modifiedOf(path);
        Sleep(20);
        QVERIFY(writeFile(path, "same SIZE"));
        QVERIFY(setModified(path, time));
        const FileStamp rewritten = stamps.stampOf(QDir::toNativeSeparators(path));
        QCOMPARE(rewritten.identity, replaced.identity);
        QCOMPARE(rewritten.modified, replaced.modified);
        QVERIFY(rewritten.statusChanged != replaced.statusChanged);

        QVERIFY(QFile::remove(path));
        QVERIFY(!stamps.stampOf(QDir::toNativeSeparators(path)).exists);
    }

    void anOpenFileCanBeStampedAndReplaced() {
        QTemporaryDir folder;
        const QString path = QDir::toNativeSeparators(folder.filePath("data.enc"));
        QVERIFY(writeFile(path, "x"));
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(SystemFileStamps().stampOf(path).exists);
        // The stamp's query holds no handle that stops a safe save's rename.
        QVERIFY(writeFile(path + ".new", "y"));
        reader.close();
        QVERIFY(MoveFileExW(wide(path + ".new").c_str(), wide(path).c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    }

    // --- the program folder ---

    void theProgramFolderIsWrittenWithBackslashes() {
        const QString path = ExecutableFolder().path();
        QCOMPARE(path, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        QVERIFY(!path.contains(u'/'));
        QVERIFY(path.contains(u'\\'));
        QCOMPARE(path.mid(1, 2), QStringLiteral(":\\")); // a drive letter
    }

    // --- the window region ---

    void aNativeWindowGetsItsRegionInWindowCoordinates() {
        if (QGuiApplication::platformName() != QLatin1String("windows")) {
            QSKIP("a native region needs windows of the Windows platform (-platform windows)");
        }
        QWidget window;
        window.resize(320, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        setWindowRegion(&window, 300, 180);
        const HRGN region = CreateRectRgn(0, 0, 0, 0);
        QCOMPARE(GetWindowRgn(reinterpret_cast<HWND>(window.winId()), region), SIMPLEREGION);
        RECT box{};
        GetRgnBox(region, &box);
        DeleteObject(region);
        QCOMPARE(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)),
                 QRect(0, 0, 300, 180));
        QVERIFY(window.mask().isEmpty()); // not Qt's mask in client coordinates
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kHoldLock) == 0) {
        return holdLock(argc, argv);
    }
    QApplication app(argc, argv);
    tst_WindowsPlatform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_WindowsPlatform.moc"
