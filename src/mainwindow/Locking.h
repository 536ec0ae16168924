#pragma once

#include "platform/Timers.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class QAction;
class QMenu;

namespace kestrune::ui {

class Form1;

// Locking the program: by hand (File, Lock), after some minutes without
// keyboard or mouse input to any of its windows, and when the desktop session
// locks or the computer goes to sleep. A lock closes the windows that show
// entries, empties the list, hides the main window, has the store forget the
// master password and the key, and starts the login again in check mode; the
// right password brings the list back as the file is now, with its sort and
// its selected entry. A lock never throws away what is being typed: a lock by
// hand asks first, an automatic one waits until the work is done; and it
// never comes in the middle of a command or a save.
class Locking final : public QObject {
    Q_OBJECT
public:
    explicit Locking(Form1& main);
    ~Locking() override;

    // What File, Lock When Idle offers, in minutes; 0 is Off.
    static constexpr std::array<int, 5> kIdleChoices{0, 1, 5, 15, 60};
    static constexpr int kDefaultIdleMinutes = 5;
    // How often an automatic lock that waits for work to end looks again.
    static constexpr int kRetryMs = 1000;

    // File, Lock (Ctrl+L) and File, Lock When Idle, added to the File menu.
    void addMenuItems(QMenu& file);
    QAction* lockItem() const { return lockItem_; }
    QMenu* idleMenu() const { return idleMenu_; }

    // Minutes without input before the program locks itself; 0 never. Kept
    // in the user's settings as "lockAfterMinutes".
    int idleMinutes() const { return idleMinutes_; }
    void setIdleMinutes(int minutes);

    // From the lock until the right password has been given again.
    bool isLocked() const { return locked_; }

    // File, Lock: locks now. When the entry dialog holds changes, the user is
    // asked first whether to discard them.
    void Lock();

    // The main window shows after a login or an unlock: the entry selected
    // before the lock is selected again, and the idle time and the session
    // are watched. True when this ended a lock.
    bool afterLogin();

signals:
    // The right password has ended a lock; the list holds the file as it is now.
    void unlocked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool active() const { return loggedIn_ && !locked_; }
    // True while an automatic lock must wait: the entry dialog holds
    // changes, an import or an encryption is on its way, or a command waits
    // for an answer (which is then given as Cancel).
    bool mustWait();
    bool entryDialogHasChanges() const;
    void sessionLocked();
    // Locks when the session has locked or the idle time is over, and no work
    // is in progress; otherwise looks again when that may have changed.
    void check();
    void checkIn(qint64 ms);
    void lockNow();

    Form1& main_;
    QAction* lockItem_ = nullptr;
    QMenu* idleMenu_ = nullptr;
    int idleMinutes_ = kDefaultIdleMinutes;
    bool loggedIn_ = false;
    bool locked_ = false;
    bool sessionLocked_ = false;
    bool listening_ = false;
    qint64 lastInput_ = 0;
    platform::Timers::Id timer_ = 0;
    // The entry selected at the lock, found again by its username and
    // location: its password is not kept while the program is locked.
    struct Selected {
        QString username;
        QString location;
    };
    std::optional<Selected> selected_;
};

} // namespace kestrune::ui
