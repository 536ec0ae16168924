#pragma once

#include <QString>

// The platform services for an unattended run, from the tests' doubles: the
// vault's folder as the program folder, no help window at start, message
// boxes noted instead of shown, no ending of the process. The other services
// (keeping a window on top, the lock files, the stamps of files, ...) stay
// the real ones, as the program has them.
namespace kestrune::bench {

// Installs the doubles; the program's identity must be loaded first.
void installBenchPlatform();

// The folder the program takes for its own, where it finds data.enc.
void setProgramFolder(const QString& folder);

// Prints the message boxes shown since the last call to standard error: a
// benchmark shows none unless something went wrong.
void printMessages();

} // namespace kestrune::bench
