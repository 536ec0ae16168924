// The reload and watcher benchmark. It prints, as the median of a few runs:
//   load     a data.enc of 100,000 entries read by LoadData into the main
//            list's model, as at a login
//   reload   the same file, changed by another program, read by ReloadData
//            into the same model, in place of its rows
// both plain and sealed, by the wall clock and in processor time; then the
// processor time of an idle program over 10 seconds, without and with the
// data file watched (notifications plus the stamp looked at every 2 seconds).
// It asserts nothing.
//
// Options: --entries=N, --runs=N, --idle=SECONDS.

#include "StepTimes.h"
#include "VaultGenerator.h"

#include "mainwindow/EntryListModel.h"
#include "platform/FileWatcher.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/Seal.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

namespace {

using namespace kestrune;
using namespace kestrune::bench;

// The main window as the store sees it: the list's model, its rows replaced
// as the entry list replaces them.
class ModelHost final : public store::StoreHost {
public:
    ui::EntryListModel model;
    store::EntryRows& entryRows() override { return model; }
    void replaceEntries(std::vector<store::Entry>&& entries) override {
        model.replaceAll(std::move(entries));
    }
};

// What a sync engine does: the new content beside the file, renamed over it.
bool renameIntoPlace(const QString& path, const QByteArray& bytes) {
    QFile beside(path + QStringLiteral(".incoming"));
    if (!beside.open(QIODevice::WriteOnly) || beside.write(bytes) != bytes.size()) {
        return false;
    }
    beside.close();
    return QFile::remove(path) && QFile::rename(beside.fileName(), path);
}

// The bytes of the file as written with the master password, plain or sealed
// with `seal`, after the store has written `entries`.
QByteArray written(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void print(const char* what, const Times& t) {
    std::printf("  %-24s %9.1f ms wall  %9.1f ms cpu\n", what, median(t.wall), median(t.cpu));
}

bool loadAndReload(const QString& folder, std::size_t count, int runs, bool sealed) {
    const QString path = store::DataFilePath(folder);
    const QString password = QStringLiteral("bench master");
    store::CredentialStore& store = store::credentialStore();
    // The vault, then the same vault as this program writes it (sealed or
    // not), then a changed copy of it, as another computer would write it.
    const std::string vault = bench::makeVault(count);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(vault.data(), qint64(vault.size())) != qint64(vault.size())) {
            return false;
        }
    }
    ModelHost host;
    store.reset();
    store.attach(&host);
    if (!store.BeginLogin()) {
        return false;
    }
    store.state.MasterPassword = store.state.StoredPassword;
    if (!store.LoadData()) {
        return false;
    }
    store.state.MasterPassword = password; // written anew under this bench's password
    if (sealed) {
        std::optional<store::Seal> seal = store::makeSeal(password, store::lowestKeyLimits());
        if (!seal || !store.EncryptDataFile(std::move(*seal))) {
            return false;
        }
    } else if (!store.SaveData()) {
        return false;
    }
    const QByteArray mine = written(path);
    host.model.append({QStringLiteral("added elsewhere"), QStringLiteral("pw"), QString()});
    if (!store.SaveData()) {
        return false;
    }
    const QByteArray theirs = written(path);

    Times load;
    Times reload;
    // As at a login, the load finds no memory freed just before it: the rows
    // of the run before stay until it is done. A reload likewise reads while
    // the list still holds its rows.
    std::unique_ptr<ModelHost> before;
    for (int run = 0; run < runs; ++run) {
        if (!renameIntoPlace(path, mine)) {
            return false;
        }
        auto held = std::make_unique<ModelHost>();
        ModelHost& fresh = *held;
        store.attach(&fresh);
        // The login, without its password dialog: the seal stays in hand.
        if (!store.BeginLogin()) {
            return false;
        }
        const auto loaded = timed(load, [&] { return store.LoadData(); });
        if (loaded.kind != store::StoreOutcome::Kind::Loaded ||
            fresh.model.count() != qsizetype(count)) {
            std::fprintf(stderr, "load failed\n");
            return false;
        }
        if (!renameIntoPlace(path, theirs)) {
            return false;
        }
        if (before) {
            before->model.replaceAll({});
        }
        before = std::move(held);
        QThreadPool::globalInstance()->waitForDone();
        const auto reloaded = timed(reload, [&] { return store.ReloadData(); });
        if (reloaded.kind != store::StoreOutcome::Kind::Reloaded ||
            fresh.model.count() != qsizetype(count) + 1) {
            std::fprintf(stderr, "reload failed\n");
            return false;
        }
    }
    std::printf("%s, %zu entries (%.1f MB):\n", sealed ? "sealed" : "plain", count,
                double(theirs.size()) / 1e6);
    print("load (LoadData)", load);
    print("reload (ReloadData)", reload);
    std::printf("  reload / load            %9.2f wall  %9.2f cpu\n",
                median(reload.wall) / median(load.wall), median(reload.cpu) / median(load.cpu));
    store.reset();
    return true;
}

double idleCpuMs(int seconds) {
    const double start = processCpuMs();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return processCpuMs() - start;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto count = std::size_t(numberOption(argc, argv, "--entries", 100000));
    const int runs = std::max(1, int(numberOption(argc, argv, "--runs", 5)));
    const int idle = int(numberOption(argc, argv, "--idle", 10));

    QTemporaryDir dir;
    test::FakePlatform fake(dir.path());
    // The real stamps and locks: what the program uses.
    platform::Services services = platform::services();
    services.stamps = nullptr;
    platform::install(services);
    if (!loadAndReload(dir.path(), count, runs, false) ||
        !loadAndReload(dir.path(), count, runs, true)) {
        std::fprintf(stderr, "the benchmark failed\n");
        return 1;
    }

    std::printf("idle, %d s (processor time of the whole process):\n", idle);
    std::printf("  %-24s %9.2f ms cpu\n", "not watching", idleCpuMs(idle));
    platform::SystemFileWatcher watcher;
    int changes = 0;
    QObject::connect(&watcher, &platform::FileWatcher::changed, [&changes] { ++changes; });
    watcher.watch(store::DataFilePath(dir.path()));
    std::printf("  %-24s %9.2f ms cpu  (%d change signals)\n", "watching data.enc", idleCpuMs(idle),
                changes);
    return 0;
}
