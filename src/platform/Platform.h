#pragma once

#include "platform/Clipboard.h"
#include "platform/FileDialogs.h"
#include "platform/FileLock.h"
#include "platform/FileStamp.h"
#include "platform/FileWatcher.h"
#include "platform/MessageBoxes.h"
#include "platform/Opener.h"
#include "platform/ProgramExit.h"
#include "platform/ProgramFolder.h"
#include "platform/SessionLock.h"
#include "platform/Timers.h"
#include "platform/UserSettings.h"
#include "platform/WindowOnTop.h"

namespace kestrune::platform {

// The one place production code gets its outside effects from. Every member
// points at a real implementation unless a test installed a double.
struct Services {
    MessageBoxes* messages = nullptr;
    ProgramExit* exit = nullptr;
    WindowOnTop* onTop = nullptr;
    ProgramFolder* folder = nullptr;
    UserSettings* settings = nullptr;
    Clipboard* clipboard = nullptr;
    Opener* opener = nullptr;
    FileLocks* locks = nullptr;
    FileStamps* stamps = nullptr;
    Timers* timers = nullptr;
    FileDialogs* files = nullptr;
    SessionLock* sessionLock = nullptr;
    FileWatcher* watcher = nullptr;
};

// The services in use.
Services& services();

// Replaces the services in use; members left null keep the real implementation.
void install(const Services& replacement);

// Back to the real implementations.
void installReal();

} // namespace kestrune::platform
