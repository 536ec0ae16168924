#pragma once

#include <QtGlobal>

#include <functional>
#include <map>

class QTimer;

namespace kestrune::platform {

// Actions that run once, some time from now, on the user-interface thread
// between events. A test steps a clock of its own instead of waiting.
class Timers {
public:
    using Id = quint64;
    virtual ~Timers() = default;
    // Runs `action` once, `ms` milliseconds from now; the id is never 0.
    virtual Id startOnce(int ms, std::function<void()> action) = 0;
    // Forgets a pending action; an id that has run, or 0, is ignored.
    virtual void cancel(Id id) = 0;
    // A clock in milliseconds that only moves forward, from some start.
    virtual qint64 clockMs() const = 0;
};

class QtTimers final : public Timers {
public:
    Id startOnce(int ms, std::function<void()> action) override;
    void cancel(Id id) override;
    qint64 clockMs() const override;

private:
    std::map<Id, QTimer*> pending_;
    Id nextId_ = 1;
};

} // namespace kestrune::platform
