#include "platform/Opener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifdef Q_OS_WIN
#include "platform/WindowsCommandLine.h"

#include "platform/WindowsApi.h"

#include <shellapi.h>

#include <string>
#endif

namespace kestrune::platform {

#ifdef Q_OS_WIN

namespace {

// explorer.exe in the system's Windows folder: never one that lies beside the
// program, in the working folder or on the search path.
QString systemExplorer() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return QString::fromWCharArray(folder, int(length)) + QStringLiteral("\\explorer.exe");
}

} // namespace

bool DesktopOpener::open(const QString& location) {
    // The shell's default action for the address: the default web browser for
    // a web address. No owner window, no parameters, no working folder.
    const std::wstring file = location.toStdWString();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool DesktopOpener::explore(const QString& location) {
    const QString program = systemExplorer();
    if (program.isEmpty()) {
        return false;
    }
    // No shell reads this line: the explorer itself splits it, and the quoting
    // makes the whole location its one argument.
    std::wstring commandLine =
        (quotedWindowsArgument(program) + u' ' + quotedWindowsArgument(location)).toStdWString();
    const std::wstring application = program.toStdWString();

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED; // minimized and activated
    PROCESS_INFORMATION process{};
    // The command line buffer must be writable: CreateProcessW may change it.
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    // The explorer runs on by itself; nothing waits for it.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

#else

bool DesktopOpener::open(const QString& location) {
    const QFileInfo asPath(QDir::fromNativeSeparators(location));
    if (!location.isEmpty() && QDir::isAbsolutePath(QDir::fromNativeSeparators(location)) &&
        asPath.exists()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(asPath.absoluteFilePath()));
    }
    const QUrl url(location, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

bool DesktopOpener::explore(const QString& location) {
    // The desktop's opener already picks the browser or the file manager.
    return open(location);
}

#endif

} // namespace kestrune::platform
