#pragma once

#include "support/EntryText.h"
#include "support/WriteFailure.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtGlobal>

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

// A number set in the environment, to run a randomised test with another
// seed or for longer; `fallback` when the variable is unset or not a number.
inline quint32 numberFromEnvironment(const char* name, quint32 fallback) {
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace kestrune::test
