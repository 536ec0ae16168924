#include "store/DataFileFormat.h"

#include "store/HighBitCodec.h"
#include "store/Windows1252.h"

#include <algorithm>
#include <array>

namespace kestrune::store {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
// The separator "|||" as it stands on disk.
constexpr std::array<char, 3> kEncodedSeparator = {char(0xFC), char(0xFC), char(0xFC)};

// Appends the Windows-1252 bytes of `text` with their top bits already
// inverted; characters without a byte become "?".
void appendEncoded(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* p = out.data() + start;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        int b = (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) ? int(u) : windows1252Byte(u);
        if (b < 0) {
            b = '?';
        }
        *p++ = char(b ^ 0x80);
    }
}

// Appends one entry as its encoded line, without the line end.
void appendEntryLine(QByteArray& out, const Entry& entry) {
    const QByteArrayView separator(kEncodedSeparator.data(), kEncodedSeparator.size());
    appendEncoded(out, entry.username);
    out.append(separator);
    appendEncoded(out, entry.password);
    out.append(separator);
    appendEncoded(out, entry.location);
}

// Decodes one encoded field straight into text.
QString decodeField(QByteArrayView encoded) {
    QByteArray plain(encoded.data(), encoded.size());
    flipHighBits(plain.data(), plain.size());
    return fromWindows1252(plain);
}

// Calls `onLine` for every line of `file` in order, lines ending at CR.
template <typename F> void forEachLine(QByteArrayView file, F&& onLine) {
    const char* p = file.data();
    const char* const end = p + file.size();
    while (p < end) {
        const char* cr = std::find(p, end, kCR);
        onLine(QByteArrayView(p, cr - p));
        if (cr == end) {
            break;
        }
        p = cr + 1;
        if (p < end && *p == kLF) {
            ++p;
        }
    }
}

qsizetype findSeparator(QByteArrayView line, qsizetype from) {
    const auto* begin = line.data() + from;
    const auto* end = line.data() + line.size();
    const auto* hit = std::search(begin, end, kEncodedSeparator.begin(), kEncodedSeparator.end());
    return hit == end ? -1 : hit - line.data();
}

} // namespace

QByteArray emptyDataFile() {
    return QByteArrayLiteral("\r\n");
}

QByteArray createdDataFile(const QString& masterPassword) {
    QByteArray out;
    appendEncoded(out, masterPassword);
    out.append("\r\n");
    return out;
}

QByteArray savedDataFile(const QString& masterPassword, const EntryRows& rows) {
    const qsizetype count = rows.entryCount();
    qsizetype size = masterPassword.size() + 4;
    for (qsizetype i = 0; i < count; ++i) {
        const Entry& e = rows.entryAt(i);
        size += e.username.size() + e.password.size() + e.location.size() + 8;
    }
    QByteArray out;
    out.reserve(size);
    appendEncoded(out, masterPassword);
    out.append("\r\n");
    for (qsizetype i = 0; i < count; ++i) {
        appendEntryLine(out, rows.entryAt(i));
        out.append("\r\n");
    }
    out.append("\r\n");
    return out;
}

QByteArrayView firstLineOf(QByteArrayView file) {
    const auto cr = std::find(file.begin(), file.end(), kCR);
    return QByteArrayView(file.data(), cr - file.begin());
}

QString storedPasswordOf(QByteArrayView file) {
    return decodeField(firstLineOf(file));
}

std::vector<Entry> entriesOf(QByteArrayView file) {
    std::vector<Entry> entries;
    // A first guess at the number of lines keeps the vector from regrowing.
    entries.reserve(std::size_t(std::count(file.begin(), file.end(), kCR)));
    bool first = true;
    forEachLine(file, [&](QByteArrayView line) {
        if (first) {
            first = false; // the master password
            return;
        }
        if (line.isEmpty() || line == QByteArrayView(" ")) {
            return;
        }
        Entry entry;
        QString* fields[] = {&entry.username, &entry.password, &entry.location};
        qsizetype from = 0;
        for (int f = 0; f < 3; ++f) {
            const qsizetype hit = findSeparator(line, from);
            const qsizetype to = hit < 0 ? line.size() : hit;
            *fields[f] = decodeField(line.sliced(from, to - from));
            if (hit < 0) {
                break;
            }
            from = hit + qsizetype(kEncodedSeparator.size());
        }
        entries.push_back(std::move(entry));
    });
    return entries;
}

QByteArray encodedEntryLine(const Entry& entry) {
    QByteArray out;
    appendEntryLine(out, entry);
    return out;
}

QString firstUnstorableCharacter(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() == 0x008D) {
            return QString(QChar(0x008D));
        }
        if (windows1252Byte(text[i].unicode()) < 0) {
            return firstCharacterOutsideWindows1252(text.sliced(i));
        }
    }
    return {};
}

FieldCheck checkEntryField(QStringView text, bool last) {
    if (text.contains(QLatin1StringView(kFieldSeparator))) {
        return {FieldProblem::ContainsSeparator, {}};
    }
    if (!last && text.endsWith(u'|')) {
        return {FieldProblem::EndsWithBar, {}};
    }
    if (QString character = firstUnstorableCharacter(text); !character.isEmpty()) {
        return {FieldProblem::Character, character};
    }
    return {};
}

} // namespace kestrune::store
