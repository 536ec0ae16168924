#include "platform/SecretClipboard.h"

#include "platform/Platform.h"

namespace kestrune::platform {

void SecretClipboard::put(const QString& text, int holdMs) {
    Services& s = services();
    s.timers->cancel(timer_);
    s.clipboard->setText(text, true);
    secret_ = text;
    held_ = true;
    timer_ = s.timers->startOnce(holdMs, [this] {
        timer_ = 0; // it has run
        clearIfStillHeld();
    });
}

void SecretClipboard::clearIfStillHeld() {
    if (!held_) {
        return;
    }
    Services& s = services();
    s.timers->cancel(timer_);
    // Compared with what the clipboard holds now: text the user copied
    // meanwhile, here or in another program, stays.
    if (s.clipboard->text() == secret_) {
        s.clipboard->clear();
    }
    reset();
}

void SecretClipboard::reset() {
    secret_ = QString();
    held_ = false;
    timer_ = 0;
}

SecretClipboard& secretClipboard() {
    static SecretClipboard clipboard;
    return clipboard;
}

} // namespace kestrune::platform
