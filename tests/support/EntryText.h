#pragma once

#include "store/Entry.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTest>

#include <vector>

// Entries as the tests print them in their failure messages.
namespace kestrune::test {

// A text with every character outside printable ASCII spelled out.
inline QString shown(const QString& text) {
    QString out;
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7F) {
            out.append(ch);
        } else {
            out.append(QStringLiteral("\\u%1").arg(int(ch.unicode()), 4, 16, QLatin1Char('0')));
        }
    }
    return out;
}

inline QString shown(const store::Entry& e) {
    return QStringLiteral("[%1 / %2 / %3]")
        .arg(shown(e.username), shown(e.password), shown(e.location));
}

inline QString shown(const std::vector<store::Entry>& entries) {
    QStringList parts;
    for (const store::Entry& e : entries) {
        parts.append(shown(e));
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace kestrune::test

// QCOMPARE shows entries, and lists of them, that differ.
namespace kestrune::store {

inline char* toString(const Entry& e) {
    return QTest::toString(test::shown(e));
}

inline char* toString(const std::vector<Entry>& entries) {
    const std::vector<Entry> first(entries.begin(),
                                   entries.begin() + qMin<qsizetype>(5, qsizetype(entries.size())));
    return QTest::toString(QString::number(entries.size()) + QStringLiteral(" entries ") +
                           test::shown(first));
}

} // namespace kestrune::store

Q_DECLARE_METATYPE(kestrune::store::Entry)
Q_DECLARE_METATYPE(std::vector<kestrune::store::Entry>)
