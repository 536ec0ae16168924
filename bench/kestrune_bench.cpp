// Kestrune's performance benchmark. For vaults of 1,000 to 1,000,000 entries it
// times the program's own paths, on the real main window offscreen:
//   load        data.enc read, decoded and appended to the list model
//               (readWholeFile -> entriesOf -> appendEntries, as LoadData does)
//   first show  the main window shown with the filled list and painted once
//   save        SaveData: the whole list written, synced and renamed over data.enc
//   sort        a header click on each column, both directions, in the C locale
//               and with en_US collation, until the list has been painted again
//   find        one Find Next for a text that no row holds, so that it scans
//               every username and location, letter case ignored and matched
//   peak memory of a fresh process that loads a vault and shows it (and of one
//               that then sorts it once)
//   sealed      the same vaults sealed: the key made from the master password
//               on its own (standard limits), the check of a sealed file at
//               start (no key), its load after the key and its save, each
//               beside the plain figure; peak memory of a sealed load
// and, in the same run, the floor of plain C++ without Qt for load, save and
// memory. Each figure is printed with its ratio to the floor: as Google
// Benchmark counters while running, and in a table at the end.
//
// Extra options (before the Google Benchmark ones):
//   --sizes=1000,10000   only these vault sizes
//   --no-peak            skip the peak-memory children
//   --folder=PATH        where the vaults are written (default: beside the
//                        executable, as the program keeps data.enc)

//
// The cases are in Cases.h, one file per subject; this file reads the
// options, registers the cases in the order they run, and ends with the
// peak-memory children and the table.

#include "BenchPlatform.h"
#include "Cases.h"
#include "PeakMemory.h"
#include "Report.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "app/Resources.h"
#include "platform/Platform.h"
#include "widgets/ProgramIdentity.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kestrune;
using namespace kestrune::bench;

std::string optionValue(const std::string& arg, const std::string& name) {
    return arg.rfind(name, 0) == 0 ? arg.substr(name.size()) : std::string();
}

// Registers a case run `iterations` times, each timed by the case itself, in ms.
template <typename Run> void registerCase(const std::string& name, int iterations, Run run) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(run))
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// Registers the cases in the order they run: the key, then for each vault
// size its load, save, find, sealed save and load, and the sorts.
void registerCases(const std::vector<std::size_t>& sizes) {
    registerCase("key", 5, [](benchmark::State& s) { keyCase(s); });
    for (const std::size_t count : sizes) {
        const int runs = count >= 1000000 ? 3 : count >= 100000 ? 5 : count >= 10000 ? 10 : 20;
        const int sortRuns = count >= 1000000 ? 2 : runs;
        const std::string size = std::to_string(count);
        registerCase("load+show/" + size, runs,
                     [count](benchmark::State& s) { loadCase(s, count); });
        registerCase("save/" + size, runs, [count](benchmark::State& s) { saveCase(s, count); });
        for (const bool matchCase : {false, true}) {
            registerCase(std::string(matchCase ? "find/match-case/" : "find/") + size, runs,
                         [=](benchmark::State& s) { findCase(s, count, matchCase); });
        }
        registerCase("save sealed/" + size, runs,
                     [count](benchmark::State& s) { sealedSaveCase(s, count); });
        registerCase("load sealed/" + size, runs,
                     [count](benchmark::State& s) { sealedLoadCase(s, count); });
        for (const bool icu : {false, true}) {
            for (int column = 0; column < 3; ++column) {
                for (const bool descending : {false, true}) {
                    registerCase(
                        std::string("sort/") + (icu ? "en_US/" : "C/") + kColumnNames[column] +
                            (descending ? "/desc/" : "/asc/") + size,
                        sortRuns,
                        [=](benchmark::State& s) { sortCase(s, count, icu, column, descending); });
                }
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes = {1000, 10000, 100000, 1000000};
    bool peak = true;
    QString folder;
    QString peakKind;
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (const std::string v = optionValue(arg, "--sizes="); !v.empty()) {
            sizes.clear();
            std::istringstream list(v);
            std::string item;
            while (std::getline(list, item, ',')) {
                sizes.push_back(std::stoul(item));
            }
        } else if (arg == "--no-peak") {
            peak = false;
        } else if (const std::string v = optionValue(arg, "--folder="); !v.empty()) {
            folder = QString::fromStdString(v);
        } else if (const std::string v = optionValue(arg, "--peak-child="); !v.empty()) {
            peakKind = QString::fromStdString(v);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int restCount = int(rest.size());
    if (!peakKind.isEmpty()) {
        return peakChild(peakKind, folder, restCount, rest.data());
    }

    QApplication app(restCount, rest.data());
    app::initResources();
    ui::LoadIdentity();
    installBenchPlatform();

    std::unique_ptr<QTemporaryDir> temporary;
    if (folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QCoreApplication::applicationDirPath() +
                                                    QStringLiteral("/bench-vaults-XXXXXX"));
        setVaultRoot(temporary->path());
    } else {
        setVaultRoot(folder);
        QDir().mkpath(folder);
    }

    registerCases(sizes);
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeAllWindows();
    // The children below open the same data files, each a copy of the program.
    platform::services().locks->unlockAll();

    printTable(peak ? measurePeaks(sizes) : PeakFigures{});
    return 0;
}
