// The import and export benchmark. It prints, as the median of a few runs:
//   import   a CSV file of 100,000 rows (KeePassXC's layout: every field quoted,
//            ten columns, notes and times) read from disk to the summary: read,
//            decoded, parsed, its layout recognised, the plan made against a
//            list of 1,000 entries and the summary's text written
//   export   1,000,000 entries written as CSV (writeExport), beside the plain
//            save of the same list (what SaveData does: SavedFileEncoder into
//            the atomic writer, with its check before the rename)
// both by the wall clock and in processor time. The entries are those of the
// main benchmark's generated vaults. It asserts nothing.
//
// Options: --rows=N (import rows), --entries=N (export entries), --runs=N.

#include "StepTimes.h"
#include "VaultGenerator.h"

#include "exchange/CsvExport.h"
#include "exchange/CsvReader.h"
#include "exchange/ImportLayouts.h"
#include "exchange/ImportPlan.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "support/FakeStoreHost.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <time.h>

namespace {

using namespace kestrune;
using namespace kestrune::bench;

std::vector<store::Entry> generatedEntries(std::size_t count) {
    const std::string vault = bench::makeVault(count);
    return store::entriesOf(QByteArrayView(vault.data(), qsizetype(vault.size())));
}

QByteArray quoted(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

// The entries as KeePassXC writes them: every field quoted, LF line ends.
QByteArray keePassXcFile(const std::vector<store::Entry>& entries) {
    QByteArray out = "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\","
                     "\"Icon\",\"Last Modified\",\"Created\"\n";
    std::size_t i = 0;
    for (const store::Entry& e : entries) {
        const QString title = QStringLiteral("Entry %1").arg(i);
        const QString notes =
            i % 5 == 0 ? QStringLiteral("first line\nsecond, \"quoted\" line") : QString();
        out += "\"Root/Work\"," + quoted(title) + ',' + quoted(e.username) + ',' +
               quoted(e.password) + ',' + quoted(e.location) + ',' + quoted(notes) +
               ",\"\",\"0\",\"2024-01-02T10:00:00Z\",\"2023-05-06T07:08:09Z\"\n";
        ++i;
    }
    return out;
}

void print(const char* what, const Times& t) {
    std::printf("%-34s %9.1f ms %9.1f ms cpu\n", what, median(t.wall), median(t.cpu));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto rows = std::size_t(numberOption(argc, argv, "--rows", 100000));
    const auto entries = std::size_t(numberOption(argc, argv, "--entries", 1000000));
    const int runs = std::max(1, int(numberOption(argc, argv, "--runs", 5)));
    QTemporaryDir folder(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/bench-exchange-XXXXXX"));

    // Import.
    const QString csvPath = folder.filePath(QStringLiteral("import.csv"));
    {
        QFile file(csvPath);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(keePassXcFile(generatedEntries(rows))) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(csvPath));
            return 1;
        }
    }
    test::VectorRows list;
    list.rows = generatedEntries(1000);
    Times importTimes;
    Times readTimes;
    qsizetype added = 0;
    Times planTimes;
    for (int run = 0; run < runs; ++run) {
        // What the summary shows stays alive past the timing, as it does while
        // the summary is on the screen.
        exchange::CsvReadResult read;
        exchange::ImportPlan plan;
        QString summary;
        const bool ok = timed(importTimes, [&] {
            if (!timed(readTimes, [&] {
                    const store::ReadResult bytes = store::readWholeFile(csvPath);
                    read = exchange::readCsv(bytes.bytes);
                    return bytes.ok && read.ok;
                })) {
                return false;
            }
            return timed(planTimes, [&] {
                const auto known = exchange::recogniseLayout(read.table.records.front().fields);
                if (!known) {
                    return false;
                }
                plan = exchange::planImport(read.table, known->mapping, list);
                summary = exchange::summaryText(plan, exchange::layoutName(known->layout),
                                                read.table.encoding);
                return !summary.isEmpty();
            });
        });
        if (!ok) {
            std::fprintf(stderr, "the import failed\n");
            return 1;
        }
        added = qsizetype(plan.additions.size());
    }
    std::printf("import: %zu rows, %.1f MB, %lld entries to add, %d runs (medians)\n", rows,
                double(QFileInfo(csvPath).size()) / 1e6, static_cast<long long>(added), runs);
    print("  read, decoded, parsed", readTimes);
    print("  layout, plan, summary text", planTimes);
    print("  to the summary (all)", importTimes);

    // Export against the plain save.
    test::VectorRows big;
    big.rows = generatedEntries(entries);
    const QString savePath = folder.filePath(QStringLiteral("data.enc"));
    const QString exportPath = folder.filePath(QStringLiteral("kestrune-export.csv"));
    Times saveTimes;
    Times exportTimes;
    for (int run = 0; run < runs; ++run) {
        timed(saveTimes, [&] {
            store::SavedFileEncoder encoder(QStringLiteral("master"), big);
            return store::writeFileAtomicallyInPieces(
                       savePath, [&encoder] { return encoder.next(); },
                       [&savePath] { return QFileInfo(savePath).exists() || true; })
                .ok;
        });
        timed(exportTimes, [&] { return exchange::writeExport(exportPath, big).ok; });
    }
    std::printf("export: %zu entries, data.enc %.1f MB, CSV %.1f MB, %d runs (medians)\n", entries,
                double(QFileInfo(savePath).size()) / 1e6,
                double(QFileInfo(exportPath).size()) / 1e6, runs);
    print("  plain save", saveTimes);
    print("  export", exportTimes);
    std::printf("  export / save: %.2f (wall), %.2f (cpu)\n",
                median(exportTimes.wall) / median(saveTimes.wall),
                median(exportTimes.cpu) / median(saveTimes.cpu));
    return 0;
}
