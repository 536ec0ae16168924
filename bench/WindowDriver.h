#pragma once

#include "VaultCache.h"

#include <benchmark/benchmark.h>

#include <QObject>

#include <array>

class QEvent;
class QWidget;

namespace kestrune::ui {
class Form1;
}

// The main window driven as the program drives it once the password dialog
// is up: loaded over a vault, its list filled as LoadData fills it, shown
// and painted.
namespace kestrune::bench {

// Unloads every window and forgets the store's state, as a fresh program has
// it; prints any message box they showed.
void closeAllWindows();

// Loads the main window for the vault: its load reads the stored master
// password and opens the password dialog. The password counts as given.
ui::Form1* openMainWindow(const Vault& vault);

// What LoadData does before it shows the window: the file read piece by piece
// and decoded as it comes, then the entries appended to the main window's list.
// `steps`, when given, receives the time of each: read and decode, append.
bool fillList(ui::Form1& form, const Vault& vault, std::array<double, 2>* steps = nullptr);

// Notes a paint of a widget.
class PaintSpy final : public QObject {
public:
    explicit PaintSpy(QWidget* widget);
    ~PaintSpy() override;
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    QWidget* widget_;
};

// Runs the event loop until the spy has seen a paint (at most 10 s).
bool waitForPaint(PaintSpy& spy);

// Shows the filled window as LoadData's last step does, until painted once.
bool showAndPaint(ui::Form1& form);

// A main window holding the vault, kept between the cases that only read or
// save it; loaded, filled and shown when it holds another vault.
ui::Form1* residentWindow(const Vault& vault);
// The same, or null with the case skipped when the window could not be filled.
ui::Form1* residentWindowOrSkip(benchmark::State& state, const Vault& vault);
// The window kept is gone or no longer as loaded.
void forgetResidentWindow();

} // namespace kestrune::bench
