#include "store/HighBitCodec.h"

#include "store/Windows1252.h"

#include <cstdint>
#include <cstring>

namespace kestrune::store {

void flipHighBits(char* data, qsizetype size) {
    qsizetype i = 0;
    // Eight bytes at a time; the compiler turns this into vector code.
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        word ^= 0x8080808080808080ULL;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) {
        data[i] = char(static_cast<unsigned char>(data[i]) ^ 0x80U);
    }
}

QByteArray HighBitCodec(QByteArrayView bytes) {
    QByteArray result(bytes.data(), bytes.size());
    flipHighBits(result.data(), result.size());
    return result;
}

QString HighBitCodec(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = windows1252Byte(text[i].unicode());
        bytes[i] = b < 0 ? '?' : char(b);
    }
    flipHighBits(bytes.data(), bytes.size());
    return fromWindows1252(bytes);
}

} // namespace kestrune::store
