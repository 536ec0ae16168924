#pragma once

namespace kestrune::platform {

// Keeps the program's memory, and every password in it, inside the process:
// no core file when it crashes, and no reading of its memory by other programs
// of the same user through the debugging interface. Called first thing in
// main(). Does nothing where the system offers no such switch.
void keepMemoryPrivate();

} // namespace kestrune::platform
