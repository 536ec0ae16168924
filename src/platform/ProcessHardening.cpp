#include "platform/ProcessHardening.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"
#endif

namespace kestrune::platform {

#ifdef Q_OS_WIN
namespace {

// Error reporting's flags (werapi.h): leave the heap out of a dump, and show
// no box.
constexpr DWORD kReportWithoutHeap = 0x1;
constexpr DWORD kReportWithoutUi = 0x20;

// The last handler of a crash: the process ends at once, before the system's
// default handler starts error reporting, which would write the process's
// memory, passwords and all, into a dump under the user's profile and offer
// to send it.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS* crash) {
    const UINT code = crash != nullptr && crash->ExceptionRecord != nullptr
                          ? UINT(crash->ExceptionRecord->ExceptionCode)
                          : UINT(1);
    ::TerminateProcess(::GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Some failures skip the handler above (a fast fail, a heap found corrupt):
// the system reports them directly. Their dump then leaves out the heap, where
// the entries and the master password live. Looked up at run time: systems
// without error reporting lack the call.
void reportWithoutHeap() {
    using SetFlags = HRESULT(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    const auto setFlags = reinterpret_cast<SetFlags>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "WerSetFlags")));
    if (setFlags != nullptr) {
        setFlags(kReportWithoutHeap | kReportWithoutUi);
    }
}

} // namespace
#endif

void keepMemoryPrivate() {
#ifdef Q_OS_LINUX
    // Not dumpable: no core file, the process's files under /proc belong to
    // root, and other processes of the same user may not attach to it.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
#ifdef Q_OS_UNIX
    // No core file either where the system is set to dump even such processes.
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#endif
#ifdef Q_OS_WIN
    // Kept out of error reporting's dumps for this process alone: excluding
    // the program by name (WerAddExcludedApplication) would change the user's
    // settings for good, for every program of that name.
    ::SetUnhandledExceptionFilter(endAtOnce);
    reportWithoutHeap();
#endif
}

void createFilesOwnerOnly() {
#ifdef Q_OS_UNIX
    ::umask(077);
#endif
}

} // namespace kestrune::platform
