#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// The data file's character set on every platform: Windows-1252, that is
// Latin-1 with its own characters at the bytes 80 to 9F. The five bytes that
// code page leaves undefined (81, 8D, 8F, 90, 9D) stand for the control
// characters of the same code, so every byte has exactly one character.
namespace kestrune::store {

// Bytes to text; never fails.
QString fromWindows1252(QByteArrayView bytes);

// Text to bytes, or nothing when a character has no byte in the code page.
std::optional<QByteArray> toWindows1252(QStringView text);

// The byte for one character, or -1 when the code page has none.
int windows1252Byte(char16_t ch);

// The first character of `text` that the code page cannot hold, as a string
// (a surrogate pair stays whole), or an empty string when all can be held.
QString firstCharacterOutsideWindows1252(QStringView text);

} // namespace kestrune::store
