#include "Cases.h"

#include "RawFloor.h"
#include "Statistics.h"
#include "Stopwatch.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "mainwindow/Form1.h"
#include "store/Entry.h"

#include <array>
#include <vector>

namespace kestrune::bench {

// The load as LoadData does it, beside the floor's, and the first show of
// the window that holds it.
void loadCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = vaultOf(count);
    Samples& load = samplesOf("load", count);
    Samples& show = samplesOf("first show", count);
    const std::size_t from = load.program.size();
    std::vector<double> showTimes;
    std::array<std::vector<double>, 2> stepTimes;
    for (auto _ : state) {
        ui::Form1* form = openMainWindow(vault);

        const Stopwatch loadWatch;
        std::array<double, 2> steps{};
        if (!fillList(*form, vault, &steps)) {
            state.SkipWithError("data.enc could not be read");
            break;
        }
        const double loadMs = loadWatch.wallMs();
        const double loadCpu = loadWatch.cpuMs();

        auto start = Clock::now();
        if (!showAndPaint(*form)) {
            state.SkipWithError("the list was not painted");
            break;
        }
        const double showMs = msSince(start);

        const Stopwatch floorWatch;
        RawVault raw;
        if (!loadRaw(vault.dataPath, raw) || raw.entries.size() != count) {
            state.SkipWithError("the floor could not read data.enc");
            break;
        }
        const double floorMs = floorWatch.wallMs();
        load.floorCpu.push_back(floorWatch.cpuMs());
        load.programCpu.push_back(loadCpu);
        benchmark::DoNotOptimize(raw.entries.data());

        if (form->entryRows().entryCount() != qsizetype(count)) {
            state.SkipWithError("the list does not hold every entry");
            break;
        }
        state.SetIterationTime(loadMs / 1000);
        load.program.push_back(loadMs);
        load.floor.push_back(floorMs);
        show.program.push_back(showMs);
        showTimes.push_back(showMs);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            stepTimes[i].push_back(steps[i]);
        }
        forgetResidentWindow();
        closeAllWindows();
    }
    setFloorCounters(state, load, from);
    state.counters["show_ms"] = mean(showTimes);
    // The steps of the load: reading and decoding the file, filling the list.
    state.counters["decode_ms"] = mean(stepTimes[0]);
    state.counters["append_ms"] = mean(stepTimes[1]);
    state.counters["file_MB"] = double(vault.fileSize) / 1e6;
}

} // namespace kestrune::bench
