// Fuzz target for the CSV reader of the import. Any bytes may be picked as a
// file to import; for every input this checks that reading ends without a
// sanitizer report, and that
//  - a refused file names a line that the file has, and says why;
//  - a read file's records are in order, none of them blank, and come out the
//    same when written back with every field quoted and read again;
//  - the import plan accounts for every row once, and takes only entries that
//    the data file can hold;
//  - the export of the entries taken, read back, gives the same entries in the
//    same order.

#include "FuzzCheck.h"

#include "exchange/CsvExport.h"
#include "exchange/CsvReader.h"
#include "exchange/EntryRules.h"
#include "exchange/ImportLayouts.h"
#include "exchange/ImportPlan.h"
#include "store/DataFileFormat.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace kestrune;
using namespace kestrune::exchange;

namespace {

class Rows final : public store::EntryRows {
public:
    std::vector<store::Entry> rows;
    qsizetype entryCount() const override { return qsizetype(rows.size()); }
    const store::Entry& entryAt(qsizetype index) const override { return rows[std::size_t(index)]; }
    void appendEntries(std::vector<store::Entry>&& entries) override {
        rows.insert(rows.end(), entries.begin(), entries.end());
    }
};

qsizetype linesIn(const QString& text) {
    qsizetype lines = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) {
            ++lines;
        }
    }
    return lines;
}

QString quotedAgain(const CsvTable& table) {
    QString text;
    for (const CsvRecord& record : table.records) {
        for (std::size_t f = 0; f < record.fields.size(); ++f) {
            if (f > 0) {
                text += table.delimiter;
            }
            QString field = record.fields[f];
            field.replace(QChar(u'"'), QStringLiteral("\"\""));
            text += u'"' + field + u'"';
        }
        text += u"\r\n";
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const CsvReadResult read = readCsv(bytes);
    if (!read.ok) {
        FUZZ_CHECK(!read.error.isEmpty());
        FUZZ_CHECK(read.errorLine >= 0 && read.errorLine <= linesIn(decodeCsvText(bytes)));
        return 0;
    }
    const CsvTable& table = read.table;
    FUZZ_CHECK(!table.records.empty());
    qsizetype row = 0;
    qsizetype line = 0;
    for (const CsvRecord& record : table.records) {
        FUZZ_CHECK(record.row > row && record.line > line);
        row = record.row;
        line = record.line;
        FUZZ_CHECK(!record.fields.empty());
        FUZZ_CHECK(record.fields.size() > 1 || !record.fields.front().isEmpty());
    }

    const CsvReadResult again = parseCsv(quotedAgain(table), table.delimiter);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.table.records.size() == table.records.size());
    for (std::size_t r = 0; r < table.records.size(); ++r) {
        FUZZ_CHECK(again.table.records[r].fields == table.records[r].fields);
    }

    const std::vector<QString>& first = table.records.front().fields;
    const std::optional<KnownLayout> known = recogniseLayout(first);
    const ColumnMapping mapping =
        known ? known->mapping : guessMapping(first, qsizetype(first.size()), true);
    const ImportPlan plan = planImport(table, mapping, Rows());
    FUZZ_CHECK(plan.rows == qsizetype(table.records.size()) - 1);
    FUZZ_CHECK(qsizetype(plan.additions.size()) + plan.duplicates + plan.notLogins +
                   qsizetype(plan.refused.size()) ==
               plan.rows);
    for (const store::Entry& entry : plan.additions) {
        FUZZ_CHECK(exchange::checkEntry(entry).ok());
    }
    for (const RefusedRow& refused : plan.refused) {
        FUZZ_CHECK(refused.row >= 2 && refused.row <= row && !refused.reason.isEmpty());
    }

    if (!plan.additions.empty()) {
        Rows exported;
        exported.rows = plan.additions;
        const CsvReadResult back = readCsv(exportCsv(exported));
        FUZZ_CHECK(back.ok);
        const std::optional<KnownLayout> layout =
            recogniseLayout(back.table.records.front().fields);
        FUZZ_CHECK(layout && layout->layout == Layout::Chrome);
        const ImportPlan reimport = planImport(back.table, layout->mapping, Rows());
        FUZZ_CHECK(reimport.additions == plan.additions);
    }
    return 0;
}
