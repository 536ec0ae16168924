#include "store/DataFileFormat.h"

#include "store/HighBitCodec.h"
#include "store/SecretKey.h"
#include "store/Windows1252.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrune::store {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
// The separator "|||" as it stands on disk.
constexpr std::array<char, 3> kEncodedSeparator = {char(0xFC), char(0xFC), char(0xFC)};

// Every byte value once, in order.
QByteArray everyByte() {
    QByteArray bytes(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b) {
        bytes[b] = char(b);
    }
    return bytes;
}

// The byte of every UTF-16 unit as it stands on disk: its Windows-1252 byte
// through the codec, or an encoded "?" for a unit without a byte. One look-up
// encodes a character. Made from the decoding of every byte, so that it holds
// exactly the characters the code page has.
const std::array<char, 0x10000>& encodingTable() {
    static const std::array<char, 0x10000> table = [] {
        std::array<char, 0x10000> bytes{};
        bytes.fill(HighBitCodec(QByteArrayLiteral("?")).front());
        const QByteArray plain = everyByte();
        const QByteArray stored = HighBitCodec(plain);
        const QString chars = fromWindows1252(plain);
        for (qsizetype b = 0; b < chars.size(); ++b) {
            bytes[chars[b].unicode()] = stored[b];
        }
        return bytes;
    }();
    return table;
}

// Writes the Windows-1252 bytes of `text` with their top bits already inverted
// to `p`, which has room for one byte per UTF-16 unit, and moves `p` past them;
// characters without a byte become "?".
void encodeInto(char*& at, QStringView text) {
    const qsizetype n = text.size();
    const char16_t* in = text.utf16();
    // A copy of the pointer: stores through a char* could change `at` itself,
    // which would make the compiler reload it after every byte.
    char* const p = at;
    const char* const table = encodingTable().data();
    qsizetype i = 0;
#if defined(__SSE2__)
    // Eight characters at a time while they are all ASCII, the common case:
    // an ASCII character is its own byte, put through the codec eight at once.
    const __m128i highBits = _mm_set1_epi16(short(0xFF80));
    const __m128i topBit = _mm_set1_epi8(char(0x80));
    for (; i + 8 <= n; i += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(
                _mm_cmpeq_epi16(_mm_and_si128(chars, highBits), _mm_setzero_si128())) != 0xFFFF) {
            for (int k = 0; k < 8; ++k) {
                p[i + k] = table[in[i + k]];
            }
            continue;
        }
        const __m128i bytes = _mm_xor_si128(_mm_packus_epi16(chars, chars), topBit);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + i), bytes);
    }
#endif
    for (; i < n; ++i) {
        p[i] = table[in[i]];
    }
    at = p + n;
}

void putBytes(char*& p, QByteArrayView bytes) {
    std::memcpy(p, bytes.data(), std::size_t(bytes.size()));
    p += bytes.size();
}

// Writes one entry as its encoded line, without the line end; `p` needs room
// for entryLineSize(entry) bytes.
void encodeEntryLine(char*& p, const Entry& entry) {
    const QByteArrayView separator(kEncodedSeparator.data(), kEncodedSeparator.size());
    encodeInto(p, entry.username);
    putBytes(p, separator);
    encodeInto(p, entry.password);
    putBytes(p, separator);
    encodeInto(p, entry.location);
}

qsizetype entryLineSize(const Entry& entry) {
    return entry.username.size() + entry.password.size() + entry.location.size() +
           2 * qsizetype(kEncodedSeparator.size());
}

// The character of every byte as it stands on disk: the byte through the
// codec, then read as Windows-1252. One look-up decodes a byte.
const std::array<char16_t, 256>& decodingTable() {
    static const std::array<char16_t, 256> table = [] {
        const QString text = fromWindows1252(HighBitCodec(everyByte()));
        std::array<char16_t, 256> chars{};
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), chars.size(), chars.begin());
        return chars;
    }();
    return table;
}

// Decodes one encoded field straight into text, with no copy of its bytes.
QString decodeField(QByteArrayView encoded) {
    const qsizetype n = encoded.size();
    if (n == 0) {
        return {};
    }
    QString text(n, Qt::Uninitialized);
    const char16_t* const table = decodingTable().data();
    const auto* in = reinterpret_cast<const unsigned char*>(encoded.data());
    auto* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < n; ++i) {
        out[i] = table[in[i]];
    }
    return text;
}

qsizetype findSeparator(QByteArrayView line, qsizetype from) {
    const char* const data = line.data();
    const qsizetype size = line.size();
    while (from + 3 <= size) {
        const void* hit = std::memchr(data + from, kEncodedSeparator[0], std::size_t(size - from));
        if (hit == nullptr) {
            return -1;
        }
        const qsizetype at = static_cast<const char*>(hit) - data;
        if (at + 3 > size) {
            return -1;
        }
        if (data[at + 1] == kEncodedSeparator[1] && data[at + 2] == kEncodedSeparator[2]) {
            return at;
        }
        from = at + 1;
    }
    return -1;
}

// The entry of one encoded line.
Entry entryOfLine(QByteArrayView line) {
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
    return entry;
}

} // namespace

EntryReader::~EntryReader() {
    wipe(pending_);
}

void EntryReader::expectBytes(qint64 total) {
    expectedBytes_ = total;
}

void EntryReader::feed(QByteArrayView piece) {
    if (piece.isEmpty()) {
        return;
    }
    if (!reserved_) {
        // Room for the lines the file will hold, judged by the first piece;
        // room that stays unused is never touched, so it costs no memory.
        reserved_ = true;
        const auto lines = std::size_t(std::count(piece.begin(), piece.end(), kCR));
        std::size_t guess = lines;
        if (expectedBytes_ > piece.size()) {
            guess =
                std::size_t(double(lines) * double(expectedBytes_) / double(piece.size()) * 1.05) +
                16;
        }
        // A file of nothing but line ends would ask for room it never uses:
        // lines that short are rare, so a file full of them simply grows.
        const qint64 whole = std::max<qint64>(expectedBytes_, piece.size());
        guess = std::min(guess, std::size_t(whole / 16) + 16);
        entries_.reserve(guess);
    }
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (skipLF_) {
        skipLF_ = false;
        if (*p == kLF) {
            ++p;
        }
    }
    while (p < end) {
        const auto* cr = static_cast<const char*>(std::memchr(p, kCR, std::size_t(end - p)));
        if (cr == nullptr) {
            // The line goes on in the next piece.
            pending_.append(QByteArrayView(p, end - p));
            return;
        }
        if (pending_.isEmpty()) {
            takeLine(QByteArrayView(p, cr - p));
        } else {
            pending_.append(QByteArrayView(p, cr - p));
            takeLine(pending_);
            wipe(pending_);
        }
        p = cr + 1;
        if (p == end) {
            skipLF_ = true; // an LF at the start of the next piece ends this line
        } else if (*p == kLF) {
            ++p;
        }
    }
}

std::vector<Entry> EntryReader::finish() {
    if (!pending_.isEmpty()) {
        // The last line had no CR.
        takeLine(pending_);
        wipe(pending_);
    }
    skipLF_ = false;
    return std::move(entries_);
}

void EntryReader::takeLine(QByteArrayView line) {
    if (first_) {
        first_ = false; // the master password
        return;
    }
    if (line.isEmpty() || line == QByteArrayView(" ")) {
        return;
    }
    entries_.push_back(entryOfLine(line));
}

QByteArray emptyDataFile() {
    return QByteArrayLiteral("\r\n");
}

QByteArray createdDataFile(const QString& masterPassword) {
    QByteArray out(masterPassword.size() + 2, Qt::Uninitialized);
    char* p = out.data();
    encodeInto(p, masterPassword);
    putBytes(p, "\r\n");
    return out;
}

QByteArray savedDataFile(const QString& masterPassword, const EntryRows& rows) {
    const qsizetype count = rows.entryCount();
    qsizetype size = masterPassword.size() + 4;
    for (qsizetype i = 0; i < count; ++i) {
        size += entryLineSize(rows.entryAt(i)) + 2;
    }
    QByteArray out;
    out.reserve(size);
    SavedFileEncoder encoder(masterPassword, rows);
    for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
        out.append(piece);
    }
    return out;
}

SavedFileEncoder::SavedFileEncoder(const QString& masterPassword, const EntryRows& rows,
                                   qsizetype pieceSize)
    : masterPassword_(masterPassword), rows_(rows), pieces_(pieceSize, PieceBuffer::Wipe::Yes) {}

QByteArrayView SavedFileEncoder::next() {
    if (done_) {
        return {};
    }
    const qsizetype count = rows_.entryCount();
    pieces_.startPiece();
    if (nextRow_ < 0) {
        char* p = pieces_.room(masterPassword_.size() + 2);
        encodeInto(p, masterPassword_);
        putBytes(p, "\r\n");
        pieces_.endAt(p);
        nextRow_ = 0;
    }
    while (nextRow_ < count) {
        const Entry& entry = rows_.entryAt(nextRow_);
        const qsizetype lineSize = entryLineSize(entry) + 2;
        if (pieces_.wouldOverflow(lineSize)) {
            return pieces_.piece();
        }
        char* p = pieces_.room(lineSize);
        encodeEntryLine(p, entry);
        putBytes(p, "\r\n");
        pieces_.endAt(p);
        ++nextRow_;
    }
    // The file ends with one more line end.
    char* p = pieces_.room(2);
    putBytes(p, "\r\n");
    pieces_.endAt(p);
    done_ = true;
    return pieces_.piece();
}

QByteArrayView firstLineOf(QByteArrayView file) {
    const auto cr = std::find(file.begin(), file.end(), kCR);
    return QByteArrayView(file.data(), cr - file.begin());
}

QString storedPasswordOf(QByteArrayView file) {
    return decodeField(firstLineOf(file));
}

std::vector<Entry> entriesOf(QByteArrayView file) {
    EntryReader reader;
    reader.feed(file);
    return reader.finish();
}

QByteArray encodedEntryLine(const Entry& entry) {
    QByteArray out(entryLineSize(entry), Qt::Uninitialized);
    char* p = out.data();
    encodeEntryLine(p, entry);
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
