#include "exchange/CsvExport.h"

#include "store/LocationRules.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrune::exchange {

namespace {

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

QStringView exportName(const store::Entry& entry) {
    const QStringView host = store::webHost(entry.location);
    return host.isEmpty() ? QStringView(entry.username) : host;
}

CsvExportEncoder::CsvExportEncoder(const store::EntryRows& rows, qsizetype pieceSize)
    : rows_(rows), pieces_(pieceSize, store::PieceBuffer::Wipe::Yes) {} // the passwords in clear

QByteArrayView CsvExportEncoder::next() {
    if (done_) {
        return {};
    }
    pieces_.startPiece();
    if (nextRow_ < 0) {
        const QByteArrayView header = QByteArrayView(kExportHeader);
        char* p = pieces_.room(header.size() + 2);
        std::copy(header.begin(), header.end(), p);
        p += header.size();
        *p++ = '\r';
        *p++ = '\n';
        pieces_.endAt(p);
        nextRow_ = 0;
    }
    const qsizetype count = rows_.entryCount();
    while (nextRow_ < count) {
        const store::Entry& entry = rows_.entryAt(nextRow_);
        const QStringView name = exportName(entry);
        const qsizetype bound = fieldBound(name) + fieldBound(entry.location) +
                                fieldBound(entry.username) + fieldBound(entry.password) + 5;
        if (pieces_.wouldOverflow(bound)) {
            return pieces_.piece();
        }
        char* p = pieces_.room(bound);
        putField(p, name);
        *p++ = ',';
        putField(p, entry.location);
        *p++ = ',';
        putField(p, entry.username);
        *p++ = ',';
        putField(p, entry.password);
        *p++ = '\r';
        *p++ = '\n';
        pieces_.endAt(p);
        ++nextRow_;
    }
    done_ = true;
    return pieces_.piece();
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
        return store::FileResult::failure(store::FileProblem::NameIsNotAFile);
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
