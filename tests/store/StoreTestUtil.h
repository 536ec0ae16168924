#pragma once

#include "store/Entry.h"
#include "support/WriteFailure.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>
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
