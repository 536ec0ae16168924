#pragma once

#include <QObject>

namespace kestrune::platform {

// The system's word that the desktop session is locking or the computer is
// going to sleep: the moment to lock the program too. It says "lock now",
// nothing more.
class SessionLock : public QObject {
    Q_OBJECT
public:
    // Starts listening, once more or for the first time. `window` is the
    // native handle of the program's main window, where Windows sends its
    // session notices. True unless a notice that the system offers could not
    // be asked for; a bus or service that is not there is no failure.
    virtual bool listen(quintptr window) = 0;

signals:
    void lockNow();
};

// On Linux, over D-Bus: the screen savers' ActiveChanged(true) on the session
// bus (freedesktop, GNOME, Xfce), and login1's Lock of this session and
// PrepareForSleep(true) on the system bus. On Windows, the session's lock
// (WTSRegisterSessionNotification) and suspend (WM_POWERBROADCAST).
class SystemSessionLock final : public SessionLock {
    Q_OBJECT
public:
    SystemSessionLock();
    ~SystemSessionLock() override;
    bool listen(quintptr window) override;

private slots:
    void activeChanged(bool active);
    void prepareForSleep(bool sleeping);
    void sessionLocked();

private:
    class NoticeFilter;
    NoticeFilter* filter_ = nullptr;
    quintptr registered_ = 0;
    bool connected_ = false;
};

} // namespace kestrune::platform
