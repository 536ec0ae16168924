#include "PeakMemory.h"

#include "BenchPlatform.h"
#include "RawFloor.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "app/Resources.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/SealedPasswordTry.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLocale>
#include <QProcess>

#include <cstdio>
#include <fstream>
#include <string>

#include <sys/resource.h>

namespace kestrune::bench {

namespace {

long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long runPeakChild(const QString& kind, const QString& folder) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--peak-child=") + kind, QStringLiteral("--folder=") + folder});
    if (!child.waitForFinished(300000) || child.exitCode() != 0) {
        return -1;
    }
    return child.readAllStandardOutput().trimmed().toLong();
}

// The child's work; its result is the exit code.
int measureInChild(const QString& kind, const QString& folder, int argc, char** argv) {
    if (kind == QLatin1String("floor")) {
        RawVault raw;
        if (!loadRaw((folder + QStringLiteral("/data.enc")).toStdString(), raw)) {
            return 1;
        }
        benchmark::DoNotOptimize(raw.entries.data());
        std::printf("%ld\n", peakKilobytes());
        return 0;
    }
    QApplication app(argc, argv);
    app::initResources();
    ui::LoadIdentity();
    installBenchPlatform();
    setProgramFolder(folder);
    auto* form = ui::forms().load<ui::Form1>();
    store::CredentialStore& store = store::credentialStore();
    store.state.MasterPassword = store.state.StoredPassword;
    PaintSpy spy(form->lstPass->viewport());
    if (kind == QLatin1String("sealed")) {
        // The password tried on the first chunk, then the load with its key.
        const auto lock = store.sealedLock();
        if (!lock) {
            return 1;
        }
        store::SealedPasswordTry tried = store::trySealedPassword(*lock, vaultPassword());
        if (tried.outcome != store::SealedPasswordTry::Outcome::Opens) {
            return 1;
        }
        store.state.MasterPassword = vaultPassword();
        store.acceptSeal(std::move(tried.seal));
        form->loginSteps().passwordAccepted();
    } else if (kind == QLatin1String("program") || kind == QLatin1String("sorted")) {
        form->loginSteps().passwordAccepted();
    } else { // "empty": the window with no entries, for the process's own share
        form->afterFormLoad();
    }
    if (!waitForPaint(spy)) {
        return 1;
    }
    if (kind == QLatin1String("sorted")) {
        // Then a header click on the location, with en_US collation.
        form->lstPass->rows().setCollatorLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        PaintSpy again(form->lstPass->viewport());
        form->lstPass_ColumnClick(3);
        if (!waitForPaint(again)) {
            return 1;
        }
    }
    std::printf("%ld\n", peakKilobytes());
    return 0;
}

} // namespace

PeakFigures measurePeaks(const std::vector<std::size_t>& sizes) {
    PeakFigures peaks;
    if (!sizes.empty()) {
        peaks.empty = runPeakChild(QStringLiteral("empty"), vaultOf(sizes.front()).folder);
    }
    for (const std::size_t count : sizes) {
        const Vault& vault = vaultOf(count);
        restoreVault(vault);
        peaks.loaded[count] = {runPeakChild(QStringLiteral("program"), vault.folder),
                               runPeakChild(QStringLiteral("floor"), vault.folder)};
        peaks.sorted[count] = runPeakChild(QStringLiteral("sorted"), vault.folder);
        peaks.sealed[count] = runPeakChild(QStringLiteral("sealed"), sealedVaultOf(count).folder);
    }
    return peaks;
}

int peakChild(const QString& kind, const QString& folder, int argc, char** argv) {
    const int result = measureInChild(kind, folder, argc, argv);
    printMessages();
    return result;
}

} // namespace kestrune::bench
