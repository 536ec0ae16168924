#include "Cases.h"

#include "RawFloor.h"
#include "Statistics.h"
#include "Stopwatch.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "mainwindow/EntryCommands.h"
#include "mainwindow/EntryFind.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"

#include <string>
#include <string_view>

namespace kestrune::bench {

// Find Next as the user runs it (F3), for a text that no row holds: the whole
// list is scanned, then the status line says so. The floor looks for the same
// bytes in the raw vault's usernames and locations with std::string_view.
void findCase(benchmark::State& state, std::size_t count, bool matchCase) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindowOrSkip(state, vault);
    if (form == nullptr) {
        return;
    }
    RawVault raw;
    if (!loadRaw(vault.dataPath, raw)) {
        state.SkipWithError("the main window could not be filled");
        return;
    }
    const QString text = QStringLiteral("qqxz"); // held by no row
    const std::string bytes = text.toStdString();
    form->commands().findRequest() = {text, matchCase};
    form->lstPass->selectRow(1);
    Samples& find = samplesOf(matchCase ? "find (match case)" : "find", count);
    const std::size_t from = find.program.size();
    for (auto _ : state) {
        const Stopwatch findWatch;
        form->commands().FindNext();
        const double findMs = findWatch.wallMs();
        find.programCpu.push_back(findWatch.cpuMs());
        if (form->lstPass->firstSelected() != 1 ||
            form->statusText() != QStringLiteral("Cannot find \"%1\".").arg(text)) {
            state.SkipWithError("Find Next found a row, or said nothing");
            break;
        }

        const Stopwatch floorWatch;
        std::size_t hits = 0;
        for (const auto& entry : raw.entries) {
            hits += entry[0].find(bytes) != std::string_view::npos ||
                    entry[2].find(bytes) != std::string_view::npos;
        }
        benchmark::DoNotOptimize(hits);
        const double floorMs = floorWatch.wallMs();
        find.floorCpu.push_back(floorWatch.cpuMs());

        state.SetIterationTime(findMs / 1000);
        find.program.push_back(findMs);
        find.floor.push_back(floorMs);
    }
    setFloorCounters(state, find, from);
    form->commands().findRequest() = {};
}

} // namespace kestrune::bench
