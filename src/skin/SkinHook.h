#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QEvent;

namespace kestrune::skin {

// The skin hook: once attached to a skin and started, it dresses every
// ordinary window and dialog of the program in that skin as it is shown,
// until it is stopped. Every operation is recorded in history(), in order.
class SkinHook final : public QObject {
    Q_OBJECT
public:
    explicit SkinHook(QObject* parent = nullptr);
    ~SkinHook() override;

    // Takes the skin's hook object (Skin::hookObject()).
    void attach(QObject* skinObject);
    void start();
    void stop();

    QObject* attachedObject() const { return attached_; }
    bool isRunning() const { return running_; }
    // "attach", "start" and "stop", one entry per call.
    const QStringList& history() const { return history_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QObject> attached_;
    bool running_ = false;
    QStringList history_;
};

} // namespace kestrune::skin
