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

#include "RawFloor.h"
#include "VaultGenerator.h"

#include "app/Resources.h"
#include "mainwindow/EntryCommands.h"
#include "mainwindow/EntryFind.h"
#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "platform/Platform.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "store/SealedFile.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

namespace {

using namespace kestrune;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of this process (all its threads: a save makes its pieces
// on a second thread), in ms: unlike the wall clock it is not inflated when
// other processes share the machine, nor by waits for the disk.
double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall-clock and processor time of one timed step.
class Stopwatch {
public:
    Stopwatch() : wall_(Clock::now()), cpu_(processCpuMs()) {}
    double wallMs() const { return msSince(wall_); }
    double cpuMs() const { return processCpuMs() - cpu_; }

private:
    Clock::time_point wall_;
    double cpu_;
};

// ---------------------------------------------------------------------------
// Platform services for an unattended run: the vault's folder, no help window
// at start, messages printed instead of shown, no ending of the process.

class BenchFolder final : public platform::ProgramFolder {
public:
    QString folder;
    QString path() const override { return folder; }
};

class BenchSettings final : public platform::UserSettings {
public:
    QString value(const QString&, const QString&, const QString& name,
                  const QString& defaultValue) const override {
        return name == QLatin1String("showHelp") ? QStringLiteral("0") : defaultValue;
    }
    void setValue(const QString&, const QString&, const QString&, const QString&) override {}
};

class BenchMessages final : public platform::MessageBoxes {
public:
    platform::Answer show(QWidget*, const QString& text, const QString& title, platform::Buttons,
                          platform::Icon) override {
        std::fprintf(stderr, "message box \"%s\": %s\n", qPrintable(title), qPrintable(text));
        return platform::Answer::Ok;
    }
};

class BenchExit final : public platform::ProgramExit {
public:
    void endNow() override {}
};

BenchFolder benchFolder;
BenchSettings benchSettings;
BenchMessages benchMessages;
BenchExit benchExit;

void installServices() {
    platform::Services services;
    services.folder = &benchFolder;
    services.settings = &benchSettings;
    services.messages = &benchMessages;
    services.exit = &benchExit;
    platform::install(services);
}

// ---------------------------------------------------------------------------
// Vaults on disk, one folder per size.

QString vaultRoot;

struct Vault {
    std::size_t count = 0;
    QString folder;
    std::string dataPath;  // data.enc
    std::string floorPath; // the floor's save target beside it
    qint64 fileSize = 0;
};

std::map<std::size_t, Vault> vaults;

const Vault& vaultOf(std::size_t count) {
    auto it = vaults.find(count);
    if (it != vaults.end()) {
        return it->second;
    }
    Vault vault;
    vault.count = count;
    vault.folder = vaultRoot + QStringLiteral("/vault-%1").arg(count);
    QDir().mkpath(vault.folder);
    vault.dataPath = (vault.folder + QStringLiteral("/data.enc")).toStdString();
    vault.floorPath = (vault.folder + QStringLiteral("/floor.enc")).toStdString();
    const std::string bytes = bench::makeVault(count);
    std::ofstream(vault.dataPath, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
    vault.fileSize = qint64(bytes.size());
    return vaults.emplace(count, vault).first->second;
}

// The master password of every vault.
QString vaultPassword() {
    const std::string bytes = bench::makeVault(1);
    return store::storedPasswordOf(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// The seal of the sealed vaults, made once with the standard limits.
std::optional<store::Seal> benchSeal;

const store::Seal& theSeal() {
    if (!benchSeal) {
        benchSeal = store::makeSeal(vaultPassword(), store::standardKeyLimits());
    }
    return *benchSeal;
}

store::Seal copyOfSeal(const store::Seal& seal) {
    store::Seal copy;
    copy.header = seal.header;
    copy.key.assign(QByteArrayView(reinterpret_cast<const char*>(seal.key.bytes()),
                                   qsizetype(store::SecretKey::kSize)));
    return copy;
}

// The vault of `count` entries sealed, in a folder of its own.
std::map<std::size_t, Vault> sealedVaults;

const Vault& sealedVaultOf(std::size_t count) {
    auto it = sealedVaults.find(count);
    if (it != sealedVaults.end()) {
        return it->second;
    }
    Vault vault;
    vault.count = count;
    vault.folder = vaultRoot + QStringLiteral("/sealed-%1").arg(count);
    QDir().mkpath(vault.folder);
    vault.dataPath = (vault.folder + QStringLiteral("/data.enc")).toStdString();
    const std::string plain = bench::makeVault(count);
    const QByteArray bytes =
        store::sealedFile(theSeal(), QByteArrayView(plain.data(), qsizetype(plain.size())));
    std::ofstream(vault.dataPath, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
    vault.fileSize = bytes.size();
    return sealedVaults.emplace(count, vault).first->second;
}

// Writes the vault's original bytes back (a save may have reordered the rows).
void restoreVault(const Vault& vault) {
    const std::string bytes = bench::makeVault(vault.count);
    std::ofstream(vault.dataPath, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

// ---------------------------------------------------------------------------
// The main window, as the program has it once the password dialog is up.

void closeAllWindows() {
    ui::forms().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    store::credentialStore().reset();
    // The millions of small blocks just freed would otherwise be gathered up
    // by the allocator inside the next timed step; a fresh program has none.
    malloc_trim(0);
}

// Loads the main window for the vault: its load reads the stored master
// password and opens the password dialog. The password counts as given.
ui::Form1* openMainWindow(const Vault& vault) {
    closeAllWindows();
    benchFolder.folder = vault.folder;
    auto* form = ui::forms().load<ui::Form1>();
    store::CredentialStore& store = store::credentialStore();
    store.state.MasterPassword = store.state.StoredPassword;
    return form;
}

// What LoadData does before it shows the window: the file read piece by piece
// and decoded as it comes, then the entries appended to the main window's list.
// `steps`, when given, receives the time of each: read and decode, append.
bool fillList(ui::Form1& form, const Vault& vault, std::array<double, 2>* steps = nullptr) {
    auto start = Clock::now();
    const QString path = vault.folder + QStringLiteral("/data.enc");
    store::EntryReader reader;
    reader.expectBytes(QFileInfo(path).size());
    const store::FileResult read =
        store::readFileInPieces(path, [&reader](QByteArrayView piece) { reader.feed(piece); });
    if (!read.ok) {
        return false;
    }
    std::vector<store::Entry> entries = reader.finish();
    const double decodeMs = msSince(start);
    start = Clock::now();
    form.entryRows().appendEntries(std::move(entries));
    if (steps != nullptr) {
        *steps = {decodeMs, msSince(start)};
    }
    return true;
}

// Notes a paint of the list.
class PaintSpy final : public QObject {
public:
    explicit PaintSpy(QWidget* widget) : widget_(widget) { widget_->installEventFilter(this); }
    ~PaintSpy() override { widget_->removeEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }

private:
    QWidget* widget_;
};

// Runs the event loop until the list has been painted (at most 10 s).
bool waitForPaint(PaintSpy& spy) {
    QElapsedTimer timer;
    timer.start();
    while (!spy.painted && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return spy.painted;
}

// Shows the filled window as LoadData's last step does, until painted once.
bool showAndPaint(ui::Form1& form) {
    PaintSpy spy(form.lstPass->viewport());
    form.afterFormLoad();
    return waitForPaint(spy);
}

// A main window holding one vault, kept between the save and sort cases.
std::size_t residentCount = 0;

ui::Form1* residentWindow(const Vault& vault) {
    if (residentCount == vault.count) {
        if (auto* form = ui::forms().find<ui::Form1>()) {
            return form;
        }
    }
    residentCount = 0;
    ui::Form1* form = openMainWindow(vault);
    if (!fillList(*form, vault) || !showAndPaint(*form)) {
        return nullptr;
    }
    residentCount = vault.count;
    return form;
}

// ---------------------------------------------------------------------------
// Figures for the table at the end: every sample of a figure, by name and size.

struct Samples {
    std::vector<double> program; // wall clock, ms
    std::vector<double> floor;
    std::vector<double> programCpu; // processor time, ms (load and save only)
    std::vector<double> floorCpu;
};
std::map<std::string, std::map<std::size_t, Samples>> figures;
std::vector<std::string> figureOrder;

Samples& samplesOf(const std::string& name, std::size_t count) {
    if (std::find(figureOrder.begin(), figureOrder.end(), name) == figureOrder.end()) {
        figureOrder.push_back(name);
    }
    return figures[name][count];
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    return values.empty() ? 0 : sum / double(values.size());
}

std::vector<double> tail(const std::vector<double>& values, std::size_t from) {
    return std::vector<double>(values.begin() + std::ptrdiff_t(std::min(from, values.size())),
                               values.end());
}

// The counters of a case measured against the floor: the floor's median time,
// and the program's medians over the floor's, by the wall clock and by
// processor time (the latter is steadier on a busy machine).
void setFloorCounters(benchmark::State& state, const Samples& samples, std::size_t from) {
    const double floor = median(tail(samples.floor, from));
    const double floorCpu = median(tail(samples.floorCpu, from));
    state.counters["floor_ms"] = floor;
    state.counters["x_floor"] = floor > 0 ? median(tail(samples.program, from)) / floor : 0;
    state.counters["x_floor_cpu"] =
        floorCpu > 0 ? median(tail(samples.programCpu, from)) / floorCpu : 0;
}

// ---------------------------------------------------------------------------
// The cases.

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
        bench::RawVault raw;
        if (!bench::loadRaw(vault.dataPath, raw) || raw.entries.size() != count) {
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
        residentCount = 0;
        closeAllWindows();
    }
    setFloorCounters(state, load, from);
    state.counters["show_ms"] = mean(showTimes);
    // The steps of the load: reading and decoding the file, filling the list.
    state.counters["decode_ms"] = mean(stepTimes[0]);
    state.counters["append_ms"] = mean(stepTimes[1]);
    state.counters["file_MB"] = double(vault.fileSize) / 1e6;
}

bench::SyncCall programSyncCall = bench::SyncCall::Fsync;

void saveCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindow(vault);
    if (form == nullptr) {
        state.SkipWithError("the main window could not be filled");
        return;
    }
    store::CredentialStore& store = store::credentialStore();
    if (!store.SaveData()) {
        state.SkipWithError("SaveData failed");
        return;
    }
    // The floor writes exactly the bytes the program wrote.
    std::string bytes;
    {
        std::ifstream in(vault.dataPath, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        bytes = all.str();
    }
    // Loaded and saved in file order, the vault must come back byte for byte.
    if (!form->lstPass->rows().sorted() && bytes != bench::makeVault(count)) {
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
        if (!bench::saveRaw(vault.floorPath, bytes, programSyncCall)) {
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
    store::wipeBytes(password);
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
        benchFolder.folder = vault.folder;
        const Stopwatch checkWatch;
        auto* form = ui::forms().load<ui::Form1>(); // BeginLogin checks the file whole
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
        residentCount = 0;
        closeAllWindows();
    }
    state.counters["check_ms"] = median(check.program);
    state.counters["file_MB"] = double(vault.fileSize) / 1e6;
}

// SaveData of the whole list with the file sealed: the plain list encoded and
// sealed piece by piece through the same writer as a plain save.
void sealedSaveCase(benchmark::State& state, std::size_t count) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindow(vault);
    if (form == nullptr) {
        state.SkipWithError("the main window could not be filled");
        return;
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

const char* const kColumnNames[] = {"username", "password", "location"};

void sortCase(benchmark::State& state, std::size_t count, bool icu, int column, bool descending) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindow(vault);
    if (form == nullptr) {
        state.SkipWithError("the main window could not be filled");
        return;
    }
    ui::EntryListModel& model = form->lstPass->rows();
    model.setCollatorLocale(icu ? QLocale(QLocale::English, QLocale::UnitedStates) : QLocale::c());
    const std::string name = std::string("sort ") + (icu ? "en_US " : "C ") + kColumnNames[column] +
                             (descending ? " desc" : " asc");
    Samples& sort = samplesOf(name, count);
    for (auto _ : state) {
        // A click flips the shared direction: start from the other one.
        model.setSorted(false);
        model.setSortOrder(descending ? 0 : 1);
        PaintSpy spy(form->lstPass->viewport());
        const auto start = Clock::now();
        form->lstPass_ColumnClick(column + 1);
        if (!waitForPaint(spy)) {
            state.SkipWithError("the list was not painted");
            break;
        }
        const double ms = msSince(start);
        state.SetIterationTime(ms / 1000);
        sort.program.push_back(ms);
        if (model.sortOrder() != (descending ? 1 : 0) || model.sortKey() != column) {
            state.SkipWithError("the click did not sort as expected");
            break;
        }
    }
    model.setCollatorLocale(QLocale());
}

// Find Next as the user runs it (F3), for a text that no row holds: the whole
// list is scanned, then the status line says so. The floor looks for the same
// bytes in the raw vault's usernames and locations with std::string_view.
void findCase(benchmark::State& state, std::size_t count, bool matchCase) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindow(vault);
    bench::RawVault raw;
    if (form == nullptr || !bench::loadRaw(vault.dataPath, raw)) {
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

// ---------------------------------------------------------------------------
// Peak memory, in a fresh child process per vault and kind.

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

// The child: loads the vault in the folder the way the program does (the login
// steps after the password: LoadData, then the window shown), lets the list
// paint, and prints its peak.
int peakChild(const QString& kind, const QString& folder, int argc, char** argv) {
    if (kind == QLatin1String("floor")) {
        bench::RawVault raw;
        if (!bench::loadRaw((folder + QStringLiteral("/data.enc")).toStdString(), raw)) {
            return 1;
        }
        benchmark::DoNotOptimize(raw.entries.data());
        std::printf("%ld\n", peakKilobytes());
        return 0;
    }
    QApplication app(argc, argv);
    app::initResources();
    ui::LoadIdentity();
    installServices();
    benchFolder.folder = folder;
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

// ---------------------------------------------------------------------------
// The table at the end.

std::string machineText() {
    std::string cpu = "unknown";
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ostringstream out;
    out << "CPU " << cpu << ", " << std::thread::hardware_concurrency() << " threads; Qt "
        << qVersion() << "; vaults in " << vaultRoot.toStdString();
    return out.str();
}

void printTable(const std::map<std::size_t, std::pair<long, long>>& peaks,
                const std::map<std::size_t, long>& sortedPeaks,
                const std::map<std::size_t, long>& sealedPeaks, long emptyPeak) {
    std::printf("\n== Kestrune figures (median of the runs; floor = plain C++, same run)\n");
    std::printf("%s\n\n", machineText().c_str());
    std::printf("%-26s %9s %11s %11s %8s %11s %11s %8s\n", "figure", "entries", "program ms",
                "floor ms", "x floor", "prog cpu", "floor cpu", "x cpu");
    for (const std::string& name : figureOrder) {
        for (const auto& [count, samples] : figures[name]) {
            const double program = median(samples.program);
            std::printf("%-26s %9zu %11.2f", name.c_str(), count, program);
            if (!samples.floor.empty()) {
                const double floor = median(samples.floor);
                std::printf(" %11.2f %8.2f", floor, floor > 0 ? program / floor : 0.0);
            }
            if (!samples.floorCpu.empty()) {
                const double programCpu = median(samples.programCpu);
                const double floorCpu = median(samples.floorCpu);
                std::printf(" %11.2f %11.2f %8.2f", programCpu, floorCpu,
                            floorCpu > 0 ? programCpu / floorCpu : 0.0);
            }
            std::printf("\n");
        }
    }
    if (!peaks.empty()) {
        std::printf("\n%-26s %9s %11s %11s %8s\n", "peak memory", "entries", "program MB",
                    "floor MB", "x floor");
        if (emptyPeak > 0) {
            std::printf("%-26s %9d %11.1f %11s %8s\n", "peak (window, no entries)", 0,
                        double(emptyPeak) / 1024, "-", "-");
        }
        for (const auto& [count, peak] : peaks) {
            std::printf("%-26s %9zu %11.1f %11.1f %8.2f\n", "peak (load + show)", count,
                        double(peak.first) / 1024, double(peak.second) / 1024,
                        peak.second > 0 ? double(peak.first) / double(peak.second) : 0.0);
        }
        for (const auto& [count, peak] : sortedPeaks) {
            std::printf("%-26s %9zu %11.1f\n", "peak (+ en_US sort)", count, double(peak) / 1024);
        }
        for (const auto& [count, peak] : sealedPeaks) {
            std::printf("%-26s %9zu %11.1f\n", "peak (sealed load + show)", count,
                        double(peak) / 1024);
        }
    }
    // The sealed figures beside the plain ones of the same run, by the wall
    // clock and by processor time (all threads).
    if (figures.count("load sealed") != 0 || figures.count("save sealed") != 0) {
        std::printf("\n%-26s %9s %11s %11s %8s %11s %11s %8s\n", "sealed vs plain", "entries",
                    "sealed ms", "plain ms", "x plain", "sealed cpu", "plain cpu", "x cpu");
        for (const auto& [sealed, plain] :
             {std::make_pair("load sealed", "load"), std::make_pair("save sealed", "save")}) {
            for (const auto& [count, samples] : figures[sealed]) {
                const Samples& other = figures[plain][count];
                const double a = median(samples.program);
                const double b = median(other.program);
                const double ac = median(samples.programCpu);
                const double bc = median(other.programCpu);
                std::printf("%-26s %9zu %11.2f %11.2f %8.2f %11.2f %11.2f %8.2f\n", sealed, count,
                            a, b, b > 0 ? a / b : 0.0, ac, bc, bc > 0 ? ac / bc : 0.0);
            }
        }
    }
    std::fflush(stdout);
}

// Which call the program's save uses to reach the disk, so that the floor
// makes the same one: QSaveFile syncs with fdatasync where the system has it.
bench::SyncCall detectSyncCall() {
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
    return bench::SyncCall::Fdatasync;
#else
    return bench::SyncCall::Fsync;
#endif
}

std::string optionValue(const std::string& arg, const std::string& name) {
    return arg.rfind(name, 0) == 0 ? arg.substr(name.size()) : std::string();
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
    installServices();
    programSyncCall = detectSyncCall();

    std::unique_ptr<QTemporaryDir> temporary;
    if (folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QCoreApplication::applicationDirPath() +
                                                    QStringLiteral("/bench-vaults-XXXXXX"));
        vaultRoot = temporary->path();
    } else {
        vaultRoot = folder;
        QDir().mkpath(vaultRoot);
    }

    benchmark::RegisterBenchmark("key", [](benchmark::State& s) { keyCase(s); })
        ->Iterations(5)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (const std::size_t count : sizes) {
        const int runs = count >= 1000000 ? 3 : count >= 100000 ? 5 : count >= 10000 ? 10 : 20;
        const int sortRuns = count >= 1000000 ? 2 : runs;
        benchmark::RegisterBenchmark(("load+show/" + std::to_string(count)).c_str(),
                                     [count](benchmark::State& s) { loadCase(s, count); })
            ->Iterations(runs)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("save/" + std::to_string(count)).c_str(),
                                     [count](benchmark::State& s) { saveCase(s, count); })
            ->Iterations(runs)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        for (const bool matchCase : {false, true}) {
            benchmark::RegisterBenchmark(
                (std::string(matchCase ? "find/match-case/" : "find/") + std::to_string(count))
                    .c_str(),
                [=](benchmark::State& s) { findCase(s, count, matchCase); })
                ->Iterations(runs)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("save sealed/" + std::to_string(count)).c_str(),
                                     [count](benchmark::State& s) { sealedSaveCase(s, count); })
            ->Iterations(runs)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("load sealed/" + std::to_string(count)).c_str(),
                                     [count](benchmark::State& s) { sealedLoadCase(s, count); })
            ->Iterations(runs)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        for (const bool icu : {false, true}) {
            for (int column = 0; column < 3; ++column) {
                for (const bool descending : {false, true}) {
                    const std::string name =
                        std::string("sort/") + (icu ? "en_US/" : "C/") + kColumnNames[column] +
                        (descending ? "/desc/" : "/asc/") + std::to_string(count);
                    benchmark::RegisterBenchmark(
                        name.c_str(),
                        [=](benchmark::State& s) { sortCase(s, count, icu, column, descending); })
                        ->Iterations(sortRuns)
                        ->UseManualTime()
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }

    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeAllWindows();
    // The children below open the same data files, each a copy of the program.
    platform::services().locks->unlockAll();

    std::map<std::size_t, std::pair<long, long>> peaks;
    std::map<std::size_t, long> sortedPeaks;
    std::map<std::size_t, long> sealedPeaks;
    long emptyPeak = 0;
    if (peak) {
        if (!sizes.empty()) {
            emptyPeak = runPeakChild(QStringLiteral("empty"), vaultOf(sizes.front()).folder);
        }
        for (const std::size_t count : sizes) {
            const Vault& vault = vaultOf(count);
            restoreVault(vault);
            peaks[count] = {runPeakChild(QStringLiteral("program"), vault.folder),
                            runPeakChild(QStringLiteral("floor"), vault.folder)};
            sortedPeaks[count] = runPeakChild(QStringLiteral("sorted"), vault.folder);
            sealedPeaks[count] =
                runPeakChild(QStringLiteral("sealed"), sealedVaultOf(count).folder);
        }
    }
    printTable(peaks, sortedPeaks, sealedPeaks, emptyPeak);
    return 0;
}
