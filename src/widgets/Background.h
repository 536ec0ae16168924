#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace kestrune::ui {

// Runs slow `work` (making a key takes about half a second) on a thread of
// its own, so that the windows keep painting meanwhile, and then hands its
// result to `done` on the user-interface thread. When `context` is gone by
// then, `done` is not called. `work` must touch nothing that the
// user-interface thread changes meanwhile; the caller disables what must not
// be used until `done` runs.
template <typename Result>
void runInBackground(QObject* context, std::function<Result()> work,
                     std::function<void(Result&&)> done) {
    auto result = std::make_shared<std::optional<Result>>();
    QThread* thread =
        QThread::create([work = std::move(work), result] { result->emplace(work()); });
    QObject::connect(thread, &QThread::finished, context,
                     [result, done = std::move(done)] { done(std::move(**result)); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace kestrune::ui
