#pragma once

#include "platform/Platform.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// Test doubles for the platform services. A test creates one FakePlatform,
// which installs itself, and scripts or reads the doubles through it.
namespace kestrune::test {

struct ShownMessage {
    QString text;
    QString title;
    platform::Buttons buttons;
    platform::Icon icon;
    bool operator==(const ShownMessage&) const = default;
};

// Lets QCOMPARE show the message boxes when two lists differ.
char* toString(const std::vector<ShownMessage>& messages);

class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    // Answers given in turn; when none is left a box is answered with its
    // first button (Ok, Retry or Yes).
    std::deque<platform::Answer> answers;
    std::vector<ShownMessage> shown;

    platform::Answer show(QWidget* owner, const QString& text, const QString& title,
                          platform::Buttons buttons, platform::Icon icon) override;
};

class FakeExit final : public platform::ProgramExit {
public:
    int calls = 0;
    void endNow() override { ++calls; }
};

class FakeOnTop final : public platform::WindowOnTop {
public:
    std::vector<std::pair<QWidget*, bool>> calls;
    void setOnTop(QWidget* window, bool onTop) override { calls.emplace_back(window, onTop); }
};

class FakeFolder final : public platform::ProgramFolder {
public:
    QString folder;
    QString runtime; // beside the program folder, never the user's own
    QString path() const override { return folder; }
    QString runtimeFolder() const override { return runtime; }
};

class FakeSettings final : public platform::UserSettings {
public:
    QMap<QString, QString> values; // "application/section/name" -> value
    QString value(const QString& application, const QString& section, const QString& name,
                  const QString& defaultValue) const override;
    void setValue(const QString& application, const QString& section, const QString& name,
                  const QString& value) override;
};

class FakeClipboard final : public platform::Clipboard {
public:
    QString content;
    bool secret = false;
    int clears = 0;
    void clear() override {
        content.clear();
        secret = false;
        ++clears;
    }
    void setText(const QString& text, bool isSecret) override {
        content = text;
        secret = isSecret;
    }
    QString text() const override { return content; }
};

class FakeOpener final : public platform::Opener {
public:
    QStringList opened;   // every text handed over, by either call, in order
    QStringList explored; // the texts handed to explore()
    bool succeeds = true; // what both calls answer
    bool open(const QString& location) override {
        opened.append(location);
        return succeeds;
    }
    bool explore(const QString& location) override {
        explored.append(location);
        return open(location);
    }
};

// Answers every lock with `outcome`; the real status queries of files stay in
// use (a test changes a real file to provoke an outside change).
class FakeLocks final : public platform::FileLocks {
public:
    platform::LockOutcome outcome = platform::LockOutcome::Taken;
    QStringList locked;
    int unlocks = 0;
    platform::LockOutcome lock(const QString& lockPath) override {
        locked.append(lockPath);
        return outcome;
    }
    void unlockAll() override { ++unlocks; }
};

// A clock that moves only when the test says so: actions fall due as it is
// moved on, in the order of their times.
class FakeTimers final : public platform::Timers {
public:
    struct Pending {
        Id id;
        qint64 due;
        std::function<void()> action;
    };
    qint64 now = 0; // ms
    std::vector<Pending> pending;

    Id startOnce(int ms, std::function<void()> action) override;
    void cancel(Id id) override;
    qint64 clockMs() const override { return now; }
    // Moves the clock on by `ms`, running every action that falls due.
    void advance(qint64 ms);

private:
    Id nextId_ = 1;
};

// Answers the file dialogs with the names scripted, in turn (an empty name
// when none is left: the user cancelled), and records what was asked.
class FakeFileDialogs final : public platform::FileDialogs {
public:
    std::deque<QString> answers;
    QStringList asked; // the title, then the folder or suggested name, for each
    QString documents;
    QString openFileName(QWidget*, const QString& title, const QString& folder,
                         const QString&) override {
        return answer(title, folder);
    }
    QString saveFileName(QWidget*, const QString& title, const QString& suggested, const QString&,
                         const QString&) override {
        return answer(title, suggested);
    }
    QString documentsFolder() const override { return documents; }

private:
    QString answer(const QString& title, const QString& start) {
        asked << title << start;
        if (answers.empty()) {
            return {};
        }
        QString name = answers.front();
        answers.pop_front();
        return name;
    }
};

// The session's lock as the test tells it: sessionLocks() is the system's
// word that the desktop session locks.
class FakeSessionLock final : public platform::SessionLock {
public:
    std::vector<quintptr> listened; // the windows listen() was given, in turn
    bool listen(quintptr window) override {
        listened.push_back(window);
        return true;
    }
    void sessionLocks() { emit lockNow(); }
};

// Watches nothing: a test says when the file changed.
class FakeFileWatcher final : public platform::FileWatcher {
public:
    QString watched; // empty while nothing is watched
    void watch(const QString& path) override { watched = path; }
    void stop() override { watched.clear(); }
    void fire() { emit changed(); }
};

// Installs all doubles on construction and the real services on destruction.
class FakePlatform {
public:
    explicit FakePlatform(const QString& programFolder = QString());
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeMessageBoxes messages;
    FakeExit exit;
    FakeOnTop onTop;
    FakeFolder folder;
    FakeSettings settings;
    FakeClipboard clipboard;
    FakeOpener opener;
    FakeLocks locks;
    FakeTimers timers;
    FakeFileDialogs files;
    FakeSessionLock sessionLock;
    FakeFileWatcher watcher;
};

} // namespace kestrune::test
