#include "exchange/CsvExport.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrune::exchange {

namespace {

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The host of the authority part of an address with a scheme, "user@host:port".
QStringView hostOfAuthority(QStringView authority) {
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        authority = authority.sliced(at + 1);
    }
    if (authority.startsWith(u'[')) { // an IPv6 address keeps its brackets
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QStringView() : authority.first(close + 1);
    }
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        authority = authority.first(colon);
    }
    return authority;
}

// A location without a scheme is a web address when it starts with a host
// name: labels of letters, digits and hyphens joined by dots, the last one
// holding a letter (or four numbers, an IPv4 address), then an optional port
// and path.
QStringView hostWithoutScheme(QStringView s) {
    const qsizetype n = s.size();
    qsizetype end = 0;
    qsizetype dots = 0;
    qsizetype lastDot = -1;
    bool letterInLabel = false;
    bool onlyDigits = true;
    for (; end < n; ++end) {
        const char16_t c = s[end].unicode();
        if (c == u'/' || c == u'?' || c == u'#' || c == u':') {
            break;
        }
        if (c == u'.') {
            if (end == lastDot + 1) {
                return {}; // an empty label
            }
            lastDot = end;
            ++dots;
            letterInLabel = false;
        } else if (isAsciiLetter(c)) {
            letterInLabel = true;
            onlyDigits = false;
        } else if (c != u'-' && !isAsciiDigit(c)) {
            return {};
        }
    }
    if (dots == 0 || lastDot == end - 1) {
        return {};
    }
    if (!letterInLabel && !(onlyDigits && dots == 3)) {
        return {};
    }
    if (end < n && s[end] == u':') {
        qsizetype p = end + 1;
        while (p < n && isAsciiDigit(s[p].unicode())) {
            ++p;
        }
        if (p == end + 1 || (p < n && s[p] != u'/' && s[p] != u'?' && s[p] != u'#')) {
            return {}; // "a.b:c" is no host and port
        }
    }
    return s.first(end);
}

// What a field's text holds that matters to its writing.
struct FieldScan {
    bool quoted = false; // it holds a quote, the delimiter or a line end, or
                         // starts or ends with a blank that a reader might trim
    bool ascii = true;   // every character is one byte in UTF-8
};

bool isSpecial(char16_t c) {
    return c == u'"' || c == u',' || c == u'\r' || c == u'\n';
}

FieldScan scanField(QStringView text) {
    FieldScan scan;
    const qsizetype n = text.size();
    if (n == 0) {
        return scan;
    }
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    scan.quoted = blank(text.front()) || blank(text.back());
    const char16_t* in = text.utf16();
    qsizetype i = 0;
#if defined(__SSE2__)
    // Eight characters at a time: most fields are plain ASCII.
    const __m128i highBits = _mm_set1_epi16(short(0xFF80));
    const __m128i quote = _mm_set1_epi16(short(u'"'));
    const __m128i comma = _mm_set1_epi16(short(u','));
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    for (; i + 8 <= n; i += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(chars, highBits), _mm_setzero_si128());
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chars, quote), _mm_cmpeq_epi16(chars, comma)),
                         _mm_or_si128(_mm_cmpeq_epi16(chars, cr), _mm_cmpeq_epi16(chars, lf)));
        scan.ascii = scan.ascii && _mm_movemask_epi8(ascii) == 0xFFFF;
        scan.quoted = scan.quoted || _mm_movemask_epi8(special) != 0;
    }
#endif
    for (; i < n; ++i) {
        scan.ascii = scan.ascii && in[i] < 0x80;
        scan.quoted = scan.quoted || isSpecial(in[i]);
    }
    return scan;
}

// The most bytes a field can take: three per UTF-16 unit (a doubled quote
// takes two) and the quotes around it.
qsizetype fieldBound(QStringView text) {
    return 3 * text.size() + 2;
}

// Writes plain ASCII text as it is.
void putAscii(char*& at, QStringView text) {
    char* const p = at;
    const char16_t* in = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(chars, chars));
    }
#endif
    for (; i < n; ++i) {
        p[i] = char(in[i]);
    }
    at = p + n;
}

// Writes a field as UTF-8 at `p`, quoted when it needs to be, and moves `p`
// past it.
void putField(char*& at, QStringView text) {
    const FieldScan scan = scanField(text);
    if (scan.ascii && !scan.quoted) {
        putAscii(at, text);
        return;
    }
    char* p = at;
    if (scan.quoted) {
        *p++ = '"';
    }
    const char16_t* in = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            if (c == u'"') {
                *p++ = '"'; // doubled inside quotes
            }
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, in[i + 1]);
            ++i;
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else {
            // A lone surrogate has no UTF-8 form: the replacement character.
            const char16_t u = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            *p++ = char(0xE0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        }
    }
    if (scan.quoted) {
        *p++ = '"';
    }
    at = p;
}

} // namespace

QStringView webHost(QStringView location) {
    // A scheme: a letter, then letters, digits, "+", "-" or ".", then "://".
    qsizetype i = 0;
    while (i < location.size() && i < 32) {
        const char16_t c = location[i].unicode();
        if (!isAsciiLetter(c) &&
            !(i > 0 && (isAsciiDigit(c) || c == u'+' || c == u'-' || c == u'.'))) {
            break;
        }
        ++i;
    }
    if (i > 0 && location.sliced(i).startsWith(u"://")) {
        if (location.first(i).compare(u"file", Qt::CaseInsensitive) == 0) {
            return {};
        }
        const QStringView rest = location.sliced(i + 3);
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != u'/' && rest[end] != u'?' && rest[end] != u'#' &&
               rest[end] != u'\\') {
            ++end;
        }
        return hostOfAuthority(rest.first(end));
    }
    return hostWithoutScheme(location);
}

QStringView exportName(const store::Entry& entry) {
    const QStringView host = webHost(entry.location);
    return host.isEmpty() ? QStringView(entry.username) : host;
}

CsvExportEncoder::CsvExportEncoder(const store::EntryRows& rows, qsizetype pieceSize)
    : rows_(rows), pieceSize_(std::max<qsizetype>(pieceSize, 1)) {}

QByteArrayView CsvExportEncoder::next() {
    if (done_) {
        return {};
    }
    // Two buffers in turn: the piece given last time stays as it is while this
    // one is made, so that it can still be being written.
    QByteArray& buffer = buffers_[nextBuffer_];
    nextBuffer_ = 1 - nextBuffer_;
    qsizetype used = 0;
    const auto room = [&](qsizetype n) {
        if (buffer.size() < used + n) {
            buffer.resize(std::max(used + n, pieceSize_));
        }
        return buffer.data() + used;
    };
    if (nextRow_ < 0) {
        const QByteArrayView header = QByteArrayView(kExportHeader);
        char* p = room(header.size() + 2);
        std::copy(header.begin(), header.end(), p);
        p += header.size();
        *p++ = '\r';
        *p++ = '\n';
        used = p - buffer.data();
        nextRow_ = 0;
    }
    const qsizetype count = rows_.entryCount();
    while (nextRow_ < count) {
        const store::Entry& entry = rows_.entryAt(nextRow_);
        const QStringView name = exportName(entry);
        const qsizetype bound = fieldBound(name) + fieldBound(entry.location) +
                                fieldBound(entry.username) + fieldBound(entry.password) + 5;
        if (used > 0 && used + bound > pieceSize_) {
            return QByteArrayView(buffer.constData(), used);
        }
        char* p = room(bound);
        putField(p, name);
        *p++ = ',';
        putField(p, entry.location);
        *p++ = ',';
        putField(p, entry.username);
        *p++ = ',';
        putField(p, entry.password);
        *p++ = '\r';
        *p++ = '\n';
        used = p - buffer.data();
        ++nextRow_;
    }
    done_ = true;
    return QByteArrayView(buffer.constData(), used);
}

QByteArray exportCsv(const store::EntryRows& rows) {
    QByteArray out;
    CsvExportEncoder encoder(rows);
    for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
        out.append(piece);
    }
    return out;
}

store::FileResult writeExport(const QString& path, const store::EntryRows& rows) {
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        return store::FileResult::failure(
            QStringLiteral("A folder, or something else that is not a file, has that name."));
    }
    constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // The new file takes over the permissions of the one it replaces: narrow
    // them first, so that the passwords are never readable by others.
    if (target.exists()) {
        QFile::setPermissions(path, ownerOnly);
    }
    CsvExportEncoder encoder(rows);
    store::FileResult written =
        store::writeFileAtomicallyInPieces(path, [&encoder] { return encoder.next(); });
    if (written.ok) {
        QFile::setPermissions(path, ownerOnly);
    }
    return written;
}

} // namespace kestrune::exchange
