#pragma once

#include "store/Entry.h"
#include "store/FileHelpers.h"
#include "store/PieceBuffer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The export: every entry as one line of a UTF-8 CSV file with the columns
// name,url,username,password, the layout that browsers and other password
// keepers import. Fields are quoted as RFC 4180 asks, lines end with CR LF.
namespace kestrune::exchange {

inline constexpr char kExportHeader[] = "name,url,username,password";

// The name an entry gets in the export: its location's host when the location
// is a web address, otherwise its username.
QStringView exportName(const store::Entry& entry);

// The export's bytes in pieces of about `pieceSize` bytes (a piece holds whole
// lines), so that a large list is never held whole in memory twice. The rows
// must not change while the pieces are taken; a piece stays valid until the
// call after next.
class CsvExportEncoder {
public:
    explicit CsvExportEncoder(const store::EntryRows& rows, qsizetype pieceSize = qsizetype(1)
                                                                                  << 20);
    // The next piece, empty when all has been given.
    QByteArrayView next();

private:
    const store::EntryRows& rows_;
    qsizetype nextRow_ = -1; // -1: the header comes first
    bool done_ = false;
    store::PieceBuffer pieces_;
};

// The whole export at once.
QByteArray exportCsv(const store::EntryRows& rows);

// Writes the export to `path` atomically (the old file, if any, stays whole
// on any failure), readable and writable by its owner only.
store::FileResult writeExport(const QString& path, const store::EntryRows& rows);

} // namespace kestrune::exchange
