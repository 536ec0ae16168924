#include "platform/ProcessHardening.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace kestrune::platform {

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
    // Windows offers no switch of this kind for one process that leaves the
    // system's own settings alone, so nothing is done there.
}

} // namespace kestrune::platform
