#include "Cases.h"

#include "RawFloor.h"
#include "Statistics.h"
#include "Stopwatch.h"
#include "VaultCache.h"
#include "VaultGenerator.h"
#include "WindowDriver.h"

#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace kestrune::bench {

namespace {

// Which call the program's save uses to reach the disk, so that the floor
// makes the same one: QSaveFile syncs with fdatasync where the system has it.
SyncCall detectSyncCall() {
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
    return SyncCall::Fdatasync;
#else
    return SyncCall::Fsync;
#endif
}

const SyncCall programSyncCall = detectSyncCall();

std::string fileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

} // namespace

// SaveData of the whole list, beside the floor writing the same bytes, and
// the share of the save that encodes the file.
void saveCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindowOrSkip(state, vault);
    if (form == nullptr) {
        return;
    }
    store::CredentialStore& store = store::credentialStore();
    if (!store.SaveData()) {
        state.SkipWithError("SaveData failed");
        return;
    }
    // The floor writes exactly the bytes the program wrote.
    const std::string bytes = fileContent(vault.dataPath);
    // Loaded and saved in file order, the vault must come back byte for byte.
    if (!form->lstPass->rows().sorted() && bytes != makeVault(count)) {
        state.SkipWithError("the saved data.enc differs from the one loaded");
        return;
    }
    Samples& save = samplesOf("save", count);
    const std::size_t from = save.program.size();
    std::vector<double> buildTimes;
    for (auto _ : state) {
        const Stopwatch saveWatch;
        if (!store.SaveData()) {
            state.SkipWithError("SaveData failed");
            break;
        }
        const double saveMs = saveWatch.wallMs();
        save.programCpu.push_back(saveWatch.cpuMs());

        const Stopwatch floorWatch;
        if (!saveRaw(vault.floorPath, bytes, programSyncCall)) {
            state.SkipWithError("the floor could not write");
            break;
        }
        const double floorMs = floorWatch.wallMs();
        save.floorCpu.push_back(floorWatch.cpuMs());

        // The share of the save that encodes the file (processor time).
        const Stopwatch buildWatch;
        store::SavedFileEncoder encoder(store.state.MasterPassword, form->entryRows());
        for (QByteArrayView piece = encoder.next(); !piece.isEmpty(); piece = encoder.next()) {
            benchmark::DoNotOptimize(piece.data());
        }
        buildTimes.push_back(buildWatch.cpuMs());

        state.SetIterationTime(saveMs / 1000);
        save.program.push_back(saveMs);
        save.floor.push_back(floorMs);
    }
    setFloorCounters(state, save, from);
    state.counters["encode_cpu_ms"] = mean(buildTimes);
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
}

} // namespace kestrune::bench
