#pragma once

#include <QString>

// Whether a data file was sealed when this user last had it open, kept in the
// per-user settings so that a sealed file swapped for a plain, empty or
// missing one is noticed at the next login. The settings hold no path: each
// file is known by a hash of its full path.
namespace kestrune::store {

// The name a data file is known by in the settings: the BLAKE2b-256 hash of
// its canonical path (letter case folded on Windows), in hex.
QString sealedFileKey(const QString& dataFilePath);

// Whether the file at `dataFilePath` was last seen sealed by `application`.
bool wasSealed(const QString& application, const QString& dataFilePath);

// Remembers whether the file is sealed; writes the settings only on a change.
void rememberSealed(const QString& application, const QString& dataFilePath, bool sealed);

} // namespace kestrune::store
