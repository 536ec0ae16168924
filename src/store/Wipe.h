#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// Overwriting memory that held a secret (a password, a key, decrypted text)
// before it is freed or reused.
namespace kestrune::store {

// Overwrites size bytes at data with zeros, in a way the compiler keeps.
void wipeBytes(void* data, std::size_t size);

// Overwrites the bytes or the text and empties them. Text that shares its
// data with another copy (implicit sharing) is only emptied: that copy still
// holds the data, and overwriting it here would change it behind its back, so
// the wipe belongs where the last copy lives.
void wipe(QByteArray& bytes);
void wipe(QString& text);

} // namespace kestrune::store
