#include "store/Windows1252.h"

#include "store/Wipe.h"

#include <array>

namespace kestrune::store {

namespace {

// The characters of the bytes 80 to 9F.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

} // namespace

QString fromWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b <= 0x9F) ? kHighTable[b - 0x80] : char16_t(b);
    }
    return text;
}

int windows1252Byte(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return ch;
    }
    for (std::size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == ch) {
            return int(0x80 + i);
        }
    }
    return -1;
}

std::optional<QByteArray> toWindows1252(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar ch : text) {
        const int b = windows1252Byte(ch.unicode());
        if (b < 0) {
            wipe(bytes); // the start of a password, maybe
            return std::nullopt;
        }
        *out++ = char(b);
    }
    return bytes;
}

QString firstCharacterOutsideWindows1252(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (windows1252Byte(text[i].unicode()) >= 0) {
            continue;
        }
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            return text.mid(i, 2).toString();
        }
        return text.mid(i, 1).toString();
    }
    return {};
}

} // namespace kestrune::store
