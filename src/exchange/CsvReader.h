#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

// Reading CSV files as other programs write them (RFC 4180): fields separated
// by a comma, a semicolon or a tab, whichever the first line uses most; a field
// in double quotes may hold the delimiter, line ends and doubled quotes; lines
// end with CR LF, LF or CR, the last one optionally. The bytes are read as
// UTF-8 when they are valid UTF-8 (a byte-order mark is dropped), as UTF-16
// when they start with its byte-order mark, and as Windows-1252 otherwise.
namespace kestrune::exchange {

enum class TextEncoding { Utf8, Utf16, Windows1252 };

// One line of the table: its fields as they stand in the file, quotes removed.
struct CsvRecord {
    qsizetype row = 0;  // 1-based place among the records, blank ones counted
    qsizetype line = 0; // 1-based line of the file where the record starts
    std::vector<QString> fields;
};

struct CsvTable {
    QChar delimiter = u',';
    TextEncoding encoding = TextEncoding::Utf8;
    // Every record in file order; blank lines are left out.
    std::vector<CsvRecord> records;
};

struct CsvReadResult {
    bool ok = true;
    qsizetype errorLine = 0; // where a malformed file goes wrong
    QString error;           // why, for the user; names the line
    CsvTable table;
};

// The text of a file's bytes, and which encoding gave it.
QString decodeCsvText(QByteArrayView bytes, TextEncoding* encoding = nullptr);

// The delimiter the first line of `text` uses most, outside quotes; a comma
// when it has none (a file of one column).
QChar detectDelimiter(QStringView text);

// Parses text already decoded, with the delimiter its first line uses, or
// with the one given.
CsvReadResult parseCsv(QStringView text);
CsvReadResult parseCsv(QStringView text, QChar delimiter);

// Reads a whole file's bytes: decodes, finds the delimiter and parses. A file
// that is empty, holds binary data or is not well formed is refused, with the
// line where it goes wrong.
CsvReadResult readCsv(QByteArrayView bytes);

} // namespace kestrune::exchange
