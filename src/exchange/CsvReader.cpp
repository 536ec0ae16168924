#include "exchange/CsvReader.h"

#include "store/Windows1252.h"

#include <QStringDecoder>

#include <array>

namespace kestrune::exchange {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.size() < qsizetype(mark.size())) {
        return false;
    }
    qsizetype i = 0;
    for (const unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes[i++]) != b) {
            return false;
        }
    }
    return true;
}

// The number of line ends in `text`; CR LF counts once.
qsizetype lineEndsIn(QStringView text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == kLF) {
            ++count;
        } else if (text[i] == kCR) {
            ++count;
            if (i + 1 < text.size() && text[i + 1] == kLF) {
                ++i;
            }
        }
    }
    return count;
}

CsvReadResult failure(qsizetype line, const QString& why) {
    CsvReadResult result;
    result.ok = false;
    result.errorLine = line;
    result.error = why;
    return result;
}

} // namespace

QString decodeCsvText(QByteArrayView bytes, TextEncoding* encoding) {
    const auto report = [encoding](TextEncoding used) {
        if (encoding != nullptr) {
            *encoding = used;
        }
    };
    if (startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF})) {
        const bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        report(TextEncoding::Utf16);
        return utf16.decode(bytes.sliced(2));
    }
    QByteArrayView body = bytes;
    if (startsWith(body, {0xEF, 0xBB, 0xBF})) {
        body = body.sliced(3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        report(TextEncoding::Utf8);
        return text;
    }
    report(TextEncoding::Windows1252);
    return store::fromWindows1252(body);
}

QChar detectDelimiter(QStringView text) {
    // Comma first: it wins a tie.
    constexpr std::array<char16_t, 3> candidates = {u',', u';', u'\t'};
    std::array<qsizetype, 3> counts{};
    bool quoted = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == kQuote) {
            quoted = !quoted;
        } else if (!quoted && (c == kCR || c == kLF)) {
            break;
        } else if (!quoted) {
            for (std::size_t k = 0; k < candidates.size(); ++k) {
                counts[k] += c == candidates[k] ? 1 : 0;
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < candidates.size(); ++k) {
        if (counts[k] > counts[best]) {
            best = k;
        }
    }
    return QChar(candidates[best]);
}

CsvReadResult parseCsv(QStringView text) {
    return parseCsv(text, detectDelimiter(text));
}

CsvReadResult parseCsv(QStringView text, QChar delimiterGiven) {
    CsvReadResult result;
    CsvTable& table = result.table;
    table.delimiter = delimiterGiven;
    const char16_t delimiter = table.delimiter.unicode();
    const char16_t* const data = text.utf16();
    const qsizetype n = text.size();
    qsizetype pos = 0;
    qsizetype line = 1;
    qsizetype row = 0;
    // A field ends at the delimiter or a line end.
    const auto endsField = [&](qsizetype at) {
        const char16_t c = data[at];
        return c == delimiter || c == kCR || c == kLF;
    };

    // Records mostly have as many fields as the one before them.
    std::size_t fieldsBefore = 0;
    while (pos < n) {
        CsvRecord record;
        record.row = ++row;
        record.line = line;
        record.fields.reserve(fieldsBefore);
        while (true) {
            if (pos < n && data[pos] == kQuote) {
                const qsizetype startLine = line;
                QString field;
                ++pos;
                while (true) {
                    const qsizetype close = text.indexOf(kQuote, pos);
                    if (close < 0) {
                        return failure(
                            startLine,
                            QStringLiteral("The quoted field that starts on line %1 has no "
                                           "closing quote.")
                                .arg(startLine));
                    }
                    const QStringView piece = text.sliced(pos, close - pos);
                    line += lineEndsIn(piece);
                    pos = close + 1;
                    if (pos < n && data[pos] == kQuote) { // a doubled quote
                        field += piece;
                        field += QChar(kQuote);
                        ++pos;
                        continue;
                    }
                    // Most quoted fields are one piece: made at once.
                    if (field.isEmpty()) {
                        field = piece.toString();
                    } else {
                        field += piece;
                    }
                    break;
                }
                if (pos < n && !endsField(pos)) {
                    return failure(line, QStringLiteral("Line %1: a quoted field goes on after "
                                                        "its closing quote.")
                                             .arg(line));
                }
                record.fields.push_back(std::move(field));
            } else {
                // Unquoted: up to the delimiter or the line end. A quote inside
                // is taken as text, as most programs do.
                const qsizetype start = pos;
                while (pos < n && !endsField(pos)) {
                    ++pos;
                }
                record.fields.push_back(text.sliced(start, pos - start).toString());
            }
            if (pos < n && data[pos] == delimiter) {
                ++pos;
                continue;
            }
            break;
        }
        if (pos < n) { // the line end
            if (data[pos] == kCR && pos + 1 < n && data[pos + 1] == kLF) {
                ++pos;
            }
            ++pos;
            ++line;
        }
        fieldsBefore = record.fields.size();
        const bool blank = record.fields.size() == 1 && record.fields.front().isEmpty();
        if (!blank) {
            table.records.push_back(std::move(record));
        }
    }
    return result;
}

CsvReadResult readCsv(QByteArrayView bytes) {
    if (bytes.isEmpty()) {
        return failure(0, QStringLiteral("The file is empty."));
    }
    TextEncoding encoding = TextEncoding::Utf8;
    const QString text = decodeCsvText(bytes, &encoding);
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        const qsizetype line = lineEndsIn(QStringView(text).first(nul)) + 1;
        return failure(
            line, QStringLiteral("Line %1 holds binary data: this is not a CSV file.").arg(line));
    }
    CsvReadResult result = parseCsv(text);
    result.table.encoding = encoding;
    if (result.ok && result.table.records.empty()) {
        return failure(0, QStringLiteral("The file holds no rows."));
    }
    return result;
}

} // namespace kestrune::exchange
