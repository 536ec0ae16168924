#pragma once

#include "platform/Timers.h"
#include "store/Seal.h"

#include <optional>

namespace kestrune::ui {

class Form1;

// Reads the data file again when another program changes it (a sync engine
// bringing another computer's change, say), once nothing of the user's is
// pending, and shows its new content in the list. The watcher only says that
// something changed; the store decides what (nothing, new content, another
// vault, a file still being written).
class Reloading {
public:
    // Notifications come in bursts: the file is read once they are over.
    static constexpr int kSettleMs = 300;
    // While something is pending, it is looked at again this often.
    static constexpr int kWaitMs = 500;

    explicit Reloading(Form1& main);
    ~Reloading();
    Reloading(const Reloading&) = delete;
    Reloading& operator=(const Reloading&) = delete;

    // Watches the data file from now on (once the entries are loaded).
    void start();

    // True when nothing of the user's is pending that a reload would pull the
    // rows from under: no entry dialog, import, encryption or removal of
    // encryption, no message box waiting for an answer, no key being made.
    bool reloadMayRun() const;

private:
    void fileChanged();
    void readAgain();
    // A file sealed anew elsewhere: its key made from the master password,
    // off the user-interface thread, then the file read with it.
    void makeKey();

    Form1& main_;
    bool watching_ = false;
    platform::Timers::Id due_ = 0;
    bool makingKey_ = false;
    std::optional<store::Seal> newSeal_;
    bool toldAnotherVault_ = false;
};

} // namespace kestrune::ui
