#pragma once

#include "store/Entry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Small helpers shared by the store tests.
namespace kestrune::test {

// Windows-1252 bytes with every top bit inverted: what data.enc holds for them.
// Written out here rather than taken from the codec under test.
inline QByteArray flipped(QByteArray bytes) {
    for (char& c : bytes) {
        c = char(static_cast<unsigned char>(c) ^ 0x80U);
    }
    return bytes;
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool putFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Every name in a folder, hidden ones included, so that a stray temporary file
// shows up.
inline QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

#ifdef Q_OS_UNIX
// Caps the size of any file this process writes, root included, until it goes
// out of scope. SIGXFSZ is ignored meanwhile so that a write past the cap fails
// with an error instead of ending the test.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit cap = old_;
        cap.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~FileSizeCap() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;
    bool active() const { return active_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};
#endif

} // namespace kestrune::test

namespace kestrune::store {

// Lets QCOMPARE show the entries when two lists differ.
inline char* toString(const std::vector<Entry>& entries) {
    QStringList lines;
    for (const Entry& e : entries) {
        lines.append(QStringLiteral("[%1|%2|%3]").arg(e.username, e.password, e.location));
    }
    return QTest::toString(QString::number(entries.size()) + QStringLiteral(" entries ") +
                           lines.mid(0, 5).join(QLatin1Char(' ')));
}

} // namespace kestrune::store

Q_DECLARE_METATYPE(std::vector<kestrune::store::Entry>)
