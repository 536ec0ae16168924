#include "support/FakePlatform.h"

#include <QDir>
#include <QTest>
#include <algorithm>

namespace kestrune::test {

platform::Answer FakeMessageBoxes::show(QWidget* /*owner*/, const QString& text,
                                        const QString& title, platform::Buttons buttons,
                                        platform::Icon icon) {
    shown.push_back({text, title, buttons, icon});
    if (!answers.empty()) {
        const platform::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    switch (buttons) {
    case platform::Buttons::RetryCancel:
        return platform::Answer::Retry;
    case platform::Buttons::YesNo:
        return platform::Answer::Yes;
    default:
        return platform::Answer::Ok;
    }
}

char* toString(const std::vector<ShownMessage>& messages) {
    QStringList boxes;
    for (const ShownMessage& m : messages) {
        boxes.append(QStringLiteral("[\"%1\" titled \"%2\", buttons %3, icon %4]")
                         .arg(m.text, m.title)
                         .arg(int(m.buttons))
                         .arg(int(m.icon)));
    }
    return QTest::toString(QString::number(messages.size()) + QStringLiteral(" boxes ") +
                           boxes.join(QLatin1Char(' ')));
}

QString FakeSettings::value(const QString& application, const QString& section, const QString& name,
                            const QString& defaultValue) const {
    return values.value(application + '/' + section + '/' + name, defaultValue);
}

void FakeSettings::setValue(const QString& application, const QString& section, const QString& name,
                            const QString& value) {
    values.insert(application + '/' + section + '/' + name, value);
}

platform::Timers::Id FakeTimers::startOnce(int ms, std::function<void()> action) {
    const Id id = nextId_++;
    pending.push_back({id, now + ms, std::move(action)});
    return id;
}

void FakeTimers::cancel(Id id) {
    std::erase_if(pending, [id](const Pending& p) { return p.id == id; });
}

void FakeTimers::advance(qint64 ms) {
    const qint64 until = now + ms;
    for (;;) {
        // The earliest action due by then; an action may start or cancel others.
        auto next =
            std::min_element(pending.begin(), pending.end(),
                             [](const Pending& a, const Pending& b) { return a.due < b.due; });
        if (next == pending.end() || next->due > until) {
            break;
        }
        now = next->due;
        const std::function<void()> action = std::move(next->action);
        pending.erase(next);
        action();
    }
    now = until;
}

FakePlatform::FakePlatform(const QString& programFolder) {
    folder.folder = programFolder;
    // The tests' own runtime folder (CTest sets it), never the user's.
#ifdef Q_OS_WIN
    folder.runtime = QDir::tempPath() + QStringLiteral("/kestrune-test-runtime");
#else
    folder.runtime = qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath());
#endif
    QDir().mkpath(folder.runtime);
    platform::install({&messages, &exit, &onTop, &folder, &settings, &clipboard, &opener, &locks,
                       nullptr, &timers, &files, &sessionLock, &watcher});
}

FakePlatform::~FakePlatform() {
    platform::installReal();
}

} // namespace kestrune::test
