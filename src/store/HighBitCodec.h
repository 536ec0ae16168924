#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The codec of the data file: every byte has its top bit inverted. It is its
// own inverse, so one function encodes and decodes. Applied as a plain XOR it
// also maps 00 and 80 onto each other, so every one of the 256 byte values
// comes back unchanged after two passes.
namespace kestrune::store {

// In place, on bytes.
void flipHighBits(char* data, qsizetype size);

// Bytes in, bytes out.
QByteArray HighBitCodec(QByteArrayView bytes);
inline QByteArray HighBitCodec(const QByteArray& bytes) {
    return HighBitCodec(QByteArrayView(bytes));
}

// Text in, text out, through the data file's character set. Characters the
// character set cannot hold must be refused before they reach this function;
// here they come out as "?".
QString HighBitCodec(const QString& text);

} // namespace kestrune::store
