// The merge benchmark. A vault of 100,000 entries and another copy of it, of
// 100,000 entries too, half of them shared (as a conflict copy left by a sync
// engine after both sides changed much). It prints, as the median of a few
// runs, the time from the copy on disk to the summary on the screen:
//   read      readOtherDataFile: the copy read, decoded (and opened) whole
//   merge     mergeTwoWay against the list: what it lacks, what is there
//   summary   the summary window filled and shown (offscreen)
// for a written copy, a sealed copy that opens with the key in hand (the same
// salt: a copy of the same file), and a sealed copy sealed again elsewhere,
// whose key is made from the master password with the standard limits first.
// It asserts nothing.
//
// Options: --entries=N (of each side), --runs=N.

#include "StepTimes.h"
#include "VaultGenerator.h"

#include "dialogs/frmMergeSummary.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/OtherDataFile.h"
#include "store/SealedWriter.h"
#include "store/TwoWayMerge.h"
#include "support/FakeStoreHost.h"

#include <QApplication>
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

void print(const char* what, const Times& t) {
    std::printf("%-34s %9.1f ms %9.1f ms cpu\n", what, median(t.wall), median(t.cpu));
}

const QString kMaster = QStringLiteral("master");

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const auto count = std::size_t(numberOption(argc, argv, "--entries", 100000));
    const int runs = std::max(1, int(numberOption(argc, argv, "--runs", 5)));
    QTemporaryDir folder(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/bench-merge-XXXXXX"));

    // Entries 0 .. count-1 in the list; count/2 .. count/2+count-1 in the copy.
    const std::string generated = bench::makeVault(count + count / 2);
    std::vector<store::Entry> all =
        store::entriesOf(QByteArrayView(generated.data(), qsizetype(generated.size())));
    test::VectorRows list;
    list.rows.assign(all.begin(), all.begin() + qsizetype(count));
    test::VectorRows copy;
    copy.rows.assign(all.begin() + qsizetype(count / 2), all.end());
    const QByteArray written = store::savedDataFile(kMaster, copy);

    const std::optional<store::Seal> running = store::makeSeal(kMaster, store::standardKeyLimits());
    const std::optional<store::Seal> elsewhere =
        store::makeSeal(kMaster, store::standardKeyLimits());
    if (!running || !elsewhere) {
        std::fprintf(stderr, "no seal\n");
        return 1;
    }
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"written copy", written},
        {"sealed, key in hand", store::sealedFile(*running, written)},
        {"sealed again elsewhere", store::sealedFile(*elsewhere, written)},
    };
    const QString path = folder.filePath(QStringLiteral("data.sync-conflict-20261209-122649-"
                                                        "B6OSXHE.enc"));
    ui::frmMergeSummary summary;
    for (const Case& c : cases) {
        if (!store::writeFileAtomically(path, c.bytes).ok) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        Times all;
        Times read;
        Times merge;
        Times shown;
        qsizetype added = 0;
        qsizetype there = 0;
        for (int run = 0; run < runs; ++run) {
            store::OtherDataFile other;
            store::TwoWayMerge plan;
            const bool ok = timed(all, [&] {
                return timed(read,
                             [&] {
                                 other = store::readOtherDataFile(path, kMaster, &*running);
                                 return other.outcome == store::OtherDataFile::Outcome::Entries;
                             }) &&
                       timed(merge,
                             [&] {
                                 plan = store::mergeTwoWay(list, std::move(other.entries));
                                 return true;
                             }) &&
                       timed(shown, [&] {
                           summary.setSummary(path, true, qsizetype(plan.additions.size()),
                                              plan.alreadyThere);
                           summary.show();
                           QCoreApplication::processEvents();
                           return true;
                       });
            });
            summary.hide();
            if (!ok) {
                std::fprintf(stderr, "the merge of the %s failed\n", c.name);
                return 1;
            }
            added = qsizetype(plan.additions.size());
            there = plan.alreadyThere;
        }
        std::printf("%s: %zu entries into %zu, %.1f MB, %lld to add, %lld there, %d runs "
                    "(medians)\n",
                    c.name, count, count, double(c.bytes.size()) / 1e6,
                    static_cast<long long>(added), static_cast<long long>(there), runs);
        print("  read", read);
        print("  merge", merge);
        print("  summary shown", shown);
        print("  to the summary (all)", all);
    }
    return 0;
}
