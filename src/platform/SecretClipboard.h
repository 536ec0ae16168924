#pragma once

#include "platform/Timers.h"

#include <QString>

namespace kestrune::platform {

// A secret on the clipboard for a limited time. Some time after it was put
// there, and when the program ends, the clipboard is emptied if it still
// holds that text; whatever was copied there meanwhile is left alone. Works
// through the clipboard and timer services in use.
class SecretClipboard {
public:
    // Puts `text` on the clipboard as a secret, to be emptied `holdMs` from
    // now. Putting another secret (or the same again) starts the wait afresh.
    void put(const QString& text, int holdMs);
    // Empties the clipboard if it still holds the secret last put, and
    // forgets the secret. Nothing happens when none is held.
    void clearIfStillHeld();
    // Forgets the secret without touching the clipboard (a test, when it
    // installs new services).
    void reset();

private:
    QString secret_;
    bool held_ = false;
    Timers::Id timer_ = 0;
};

// The program's one secret clipboard.
SecretClipboard& secretClipboard();

} // namespace kestrune::platform
