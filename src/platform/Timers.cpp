#include "platform/Timers.h"

#include <QElapsedTimer>
#include <QTimer>

namespace kestrune::platform {

Timers::Id QtTimers::startOnce(int ms, std::function<void()> action) {
    const Id id = nextId_++;
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    pending_[id] = timer;
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, timer, action = std::move(action)] {
        // The timer goes once control is back in the event loop; the action
        // it holds runs now.
        pending_.erase(id);
        timer->deleteLater();
        action();
    });
    timer->start(ms);
    return id;
}

void QtTimers::cancel(Id id) {
    const auto it = pending_.find(id);
    if (it == pending_.end()) {
        return;
    }
    it->second->stop();
    it->second->deleteLater();
    pending_.erase(it);
}

qint64 QtTimers::clockMs() const {
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

} // namespace kestrune::platform
