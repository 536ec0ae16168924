#include "WindowDriver.h"

#include "BenchPlatform.h"
#include "Stopwatch.h"

#include "mainwindow/EntryList.h"
#include "mainwindow/Form1.h"
#include "store/CredentialStore.h"
#include "store/DataFileFormat.h"
#include "store/FileHelpers.h"
#include "widgets/Forms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QWidget>

#include <vector>

#include <malloc.h>

namespace kestrune::bench {

namespace {

std::size_t residentCount = 0;

} // namespace

void closeAllWindows() {
    ui::forms().unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    store::credentialStore().reset();
    printMessages();
    // The millions of small blocks just freed would otherwise be gathered up
    // by the allocator inside the next timed step; a fresh program has none.
    malloc_trim(0);
}

ui::Form1* openMainWindow(const Vault& vault) {
    closeAllWindows();
    setProgramFolder(vault.folder);
    auto* form = ui::forms().load<ui::Form1>();
    store::CredentialStore& store = store::credentialStore();
    store.state.MasterPassword = store.state.StoredPassword;
    return form;
}

bool fillList(ui::Form1& form, const Vault& vault, std::array<double, 2>* steps) {
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

PaintSpy::PaintSpy(QWidget* widget) : widget_(widget) {
    widget_->installEventFilter(this);
}

PaintSpy::~PaintSpy() {
    widget_->removeEventFilter(this);
}

bool PaintSpy::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        painted = true;
    }
    return false;
}

bool waitForPaint(PaintSpy& spy) {
    QElapsedTimer timer;
    timer.start();
    while (!spy.painted && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return spy.painted;
}

bool showAndPaint(ui::Form1& form) {
    PaintSpy spy(form.lstPass->viewport());
    form.afterFormLoad();
    return waitForPaint(spy);
}

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

ui::Form1* residentWindowOrSkip(benchmark::State& state, const Vault& vault) {
    ui::Form1* form = residentWindow(vault);
    if (form == nullptr) {
        state.SkipWithError("the main window could not be filled");
    }
    return form;
}

void forgetResidentWindow() {
    residentCount = 0;
}

} // namespace kestrune::bench
