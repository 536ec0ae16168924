#include "Cases.h"

#include "BenchPlatform.h"
#include "Statistics.h"
#include "Stopwatch.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/SealedReader.h"
#include "widgets/Forms.h"

#include <QByteArray>
#include <QCoreApplication>

namespace kestrune::bench {

// The key of a sealed file made from the master password, on its own.
void keyCase(benchmark::State& state) {
    Samples& key = samplesOf("key (standard limits)", 0);
    QByteArray password = store::passwordBytes(vaultPassword()).value();
    for (auto _ : state) {
        store::SecretKey made;
        const Stopwatch watch;
        if (!made.derive(password, store::randomKeySalt(), store::standardKeyLimits())) {
            state.SkipWithError("no key");
            break;
        }
        state.SetIterationTime(watch.wallMs() / 1000);
        key.program.push_back(watch.wallMs());
    }
    store::wipe(password);
}

// A sealed vault: the check at start, which needs no password (the hash over
// the whole file), and the load after the key, as LoadData does it, into the
// list of a real main window.
void sealedLoadCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = sealedVaultOf(count);
    Samples& check = samplesOf("sealed check at start", count);
    Samples& load = samplesOf("load sealed", count);
    const QString path = vault.folder + QStringLiteral("/data.enc");
    for (auto _ : state) {
        closeAllWindows();
        setProgramFolder(vault.folder);
        const Stopwatch checkWatch;
        // BeginLogin checks the file whole, on a thread of its own.
        auto* form = ui::forms().load<ui::Form1>();
        while (form->loginSteps().checkingFile()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        const double checkMs = checkWatch.wallMs();
        if (!store::credentialStore().sealedLock()) {
            state.SkipWithError("the sealed vault was not taken for one");
            break;
        }
        const Stopwatch loadWatch;
        store::SealedEntries read = store::readSealedEntries(path, theSeal().key, vaultPassword());
        if (read.outcome != store::SealedOutcome::Opened || !read.passwordMatches ||
            read.entries.size() != count) {
            state.SkipWithError("the sealed vault did not open");
            break;
        }
        form->entryRows().appendEntries(std::move(read.entries));
        const double loadMs = loadWatch.wallMs();
        load.programCpu.push_back(loadWatch.cpuMs());
        state.SetIterationTime(loadMs / 1000);
        load.program.push_back(loadMs);
        check.program.push_back(checkMs);
        forgetResidentWindow();
        closeAllWindows();
    }
    state.counters["check_ms"] = median(check.program);
    state.counters["file_MB"] = double(vault.fileSize) / 1e6;
}

// SaveData of the whole list with the file sealed: the plain list encoded and
// sealed piece by piece through the same writer as a plain save.
void sealedSaveCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = vaultOf(count);
    if (residentWindowOrSkip(state, vault) == nullptr) {
        return; // the window holds the list saved
    }
    store::CredentialStore& store = store::credentialStore();
    store.acceptSeal(copyOfSeal(theSeal()));
    Samples& save = samplesOf("save sealed", count);
    for (auto _ : state) {
        const Stopwatch watch;
        if (!store.SaveData()) {
            state.SkipWithError("SaveData failed");
            break;
        }
        state.SetIterationTime(watch.wallMs() / 1000);
        save.program.push_back(watch.wallMs());
        save.programCpu.push_back(watch.cpuMs());
    }
    store.RemoveEncryption();
    restoreVault(vault);
}

} // namespace kestrune::bench
