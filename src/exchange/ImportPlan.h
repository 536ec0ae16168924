#pragma once

#include "exchange/CsvReader.h"
#include "exchange/ImportLayouts.h"
#include "store/DataFileFormat.h"
#include "store/Entry.h"

#include <QString>

#include <vector>

// What an import would do, worked out before anything changes: the entries it
// adds, the rows it skips as already present and the rows that cannot be
// stored, each with its row number and why, and what the file holds that
// Kestrune does not keep.
namespace kestrune::exchange {

struct RefusedRow {
    qsizetype row = 0; // the record's row in the file, 1-based, the header counted
    QString reason;    // never shows a password
};

// How many of the rows taken had something in each kind of column that is not
// kept.
struct NotKept {
    qsizetype notes = 0;
    qsizetype folders = 0;
    qsizetype totp = 0;
    qsizetype times = 0;
    qsizetype names = 0;  // a title or name that is neither the username nor the host
    qsizetype fields = 0; // custom fields
    qsizetype other = 0;  // columns the user did not choose

    bool operator==(const NotKept&) const = default;
};

struct ImportPlan {
    std::vector<store::Entry> additions; // in file order
    qsizetype duplicates = 0;            // equal to an entry in the list or an earlier row
    qsizetype notLogins = 0;             // items of another type (notes, cards, identities)
    std::vector<RefusedRow> refused;
    NotKept notKept;
    qsizetype rows = 0; // the rows looked at (the header not counted)
};

// The plan for importing `table` read with `mapping` into a list that holds
// `existing`. Each row gives the username, the password and the location from
// the mapped columns; an empty username is replaced by the title or name.
ImportPlan planImport(const CsvTable& table, const ColumnMapping& mapping,
                      const store::EntryRows& existing);

// The summary's text for the user: the numbers, the refused rows, what is not
// kept.
QString summaryText(const ImportPlan& plan, const QString& layout, TextEncoding encoding);

} // namespace kestrune::exchange
