#include "platform/Platform.h"

namespace kestrune::platform {

namespace {

Services& real() {
    static QtMessageBoxes messages;
    static ProcessExit exit;
    static QtWindowOnTop onTop;
    static ExecutableFolder folder;
    static QtUserSettings settings;
    static QtClipboard clipboard;
    static DesktopOpener opener;
    static LockFiles locks;
    static SystemFileStamps stamps;
    static QtTimers timers;
    static QtFileDialogs files;
    static SystemFileWatcher* watcher = new SystemFileWatcher; // lives as long as the program
    static SystemSessionLock sessionLock;
    static Services services{&messages,  &exit,        &onTop, &folder, &settings,
                             &clipboard, &opener,      &locks, &stamps, &timers,
                             &files,     &sessionLock, watcher};
    return services;
}

Services& current() {
    static Services services = real();
    return services;
}

template <typename T> T* orReal(T* replacement, T* fallback) {
    return replacement != nullptr ? replacement : fallback;
}

} // namespace

Services& services() {
    return current();
}

void install(const Services& replacement) {
    const Services& r = real();
    current() = Services{
        orReal(replacement.messages, r.messages), orReal(replacement.exit, r.exit),
        orReal(replacement.onTop, r.onTop),       orReal(replacement.folder, r.folder),
        orReal(replacement.settings, r.settings), orReal(replacement.clipboard, r.clipboard),
        orReal(replacement.opener, r.opener),     orReal(replacement.locks, r.locks),
        orReal(replacement.stamps, r.stamps),     orReal(replacement.timers, r.timers),
        orReal(replacement.files, r.files),       orReal(replacement.sessionLock, r.sessionLock),
        orReal(replacement.watcher, r.watcher)};
}

void installReal() {
    current() = real();
}

} // namespace kestrune::platform
