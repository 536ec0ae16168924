#include "platform/SessionLock.h"

#ifdef Q_OS_WIN
#include "platform/WindowsApi.h"

#include <wtsapi32.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace kestrune::platform {

#ifdef Q_OS_WIN
// Sees every message Windows sends the program's windows: the session's lock
// and the start of a suspend are passed on once the message has been handled.
class SystemSessionLock::NoticeFilter final : public QAbstractNativeEventFilter {
public:
    explicit NoticeFilter(SystemSessionLock& owner) : owner_(owner) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        if ((msg->message == WM_WTSSESSION_CHANGE && msg->wParam == WTS_SESSION_LOCK) ||
            (msg->message == WM_POWERBROADCAST && msg->wParam == PBT_APMSUSPEND)) {
            QMetaObject::invokeMethod(&owner_, "sessionLocked", Qt::QueuedConnection);
        }
        return false;
    }

private:
    SystemSessionLock& owner_;
};
#else
// Only a placeholder: D-Bus calls the slots directly.
class SystemSessionLock::NoticeFilter {};

namespace {
const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
} // namespace
#endif

SystemSessionLock::SystemSessionLock() = default;

SystemSessionLock::~SystemSessionLock() {
#ifdef Q_OS_WIN
    if (registered_ != 0) {
        WTSUnRegisterSessionNotification(reinterpret_cast<HWND>(registered_));
    }
    if (auto* app = QCoreApplication::instance(); app != nullptr && filter_ != nullptr) {
        app->removeNativeEventFilter(filter_);
    }
#endif
    delete filter_;
}

bool SystemSessionLock::listen(quintptr window) {
#ifdef Q_OS_WIN
    if (filter_ == nullptr) {
        filter_ = new NoticeFilter(*this);
        QCoreApplication::instance()->installNativeEventFilter(filter_);
    }
    if (registered_ == window) {
        return true;
    }
    if (registered_ != 0) {
        WTSUnRegisterSessionNotification(reinterpret_cast<HWND>(registered_));
        registered_ = 0;
    }
    if (WTSRegisterSessionNotification(reinterpret_cast<HWND>(window), NOTIFY_FOR_THIS_SESSION) ==
        FALSE) {
        return false;
    }
    registered_ = window;
    return true;
#else
    Q_UNUSED(window);
    if (connected_) {
        return true;
    }
    connected_ = true;
    bool asked = true;
    // Any sender: a screen locker sends from the name it owns, whichever that is.
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const char* screenSaver :
             {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.xfce.ScreenSaver"}) {
            asked =
                session.connect(QString(), QString(), QLatin1String(screenSaver),
                                QStringLiteral("ActiveChanged"), this, SLOT(activeChanged(bool))) &&
                asked;
        }
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        asked =
            system.connect(QString(), kLogin1Path, QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool))) &&
            asked;
        // Lock comes on the object of each session; this program's is asked
        // for without waiting, and a system without login1 simply never answers.
        QDBusMessage call = QDBusMessage::createMethodCall(
            kLogin1, kLogin1Path, QStringLiteral("org.freedesktop.login1.Manager"),
            QStringLiteral("GetSession"));
        call << QStringLiteral("auto");
        auto* found = new QDBusPendingCallWatcher(system.asyncCall(call), this);
        connect(found, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* reply) {
                    const QDBusPendingReply<QDBusObjectPath> path = *reply;
                    if (path.isValid()) {
                        QDBusConnection::systemBus().connect(
                            QString(), path.value().path(),
                            QStringLiteral("org.freedesktop.login1.Session"),
                            QStringLiteral("Lock"), this, SLOT(sessionLocked()));
                    }
                    reply->deleteLater();
                });
    }
    return asked;
#endif
}

void SystemSessionLock::activeChanged(bool active) {
    if (active) {
        emit lockNow();
    }
}

void SystemSessionLock::prepareForSleep(bool sleeping) {
    if (sleeping) {
        emit lockNow();
    }
}

void SystemSessionLock::sessionLocked() {
    emit lockNow();
}

} // namespace kestrune::platform
