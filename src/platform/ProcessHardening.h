#pragma once

namespace kestrune::platform {

// Keeps the program's memory, and every password in it, inside the process:
// no core file or crash dump when it crashes, and no reading of its memory by
// other programs of the same user through the debugging interface. Called
// first thing in main(). Does nothing where the system offers no such switch.
void keepMemoryPrivate();

// Files and folders the program creates from now on are readable and writable
// by the user who runs it only (Linux: the process's umask). On Windows a new
// file takes the access rules of its folder, which Qt leaves as they are, so
// nothing is done there. Called first thing in main().
void createFilesOwnerOnly();

} // namespace kestrune::platform
