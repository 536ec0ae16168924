#include "store/GeneralDate.h"

namespace kestrune::store {

QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format[i];
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && ch == QLatin1Char('t')) {
            continue; // the time zone
        }
        out.append(ch);
    }
    // A zone written in brackets leaves them empty.
    out.remove(QStringLiteral("()"));
    out.remove(QStringLiteral("[]"));
    return out.simplified();
}

QString GeneralDateText(const QDateTime& when, const QLocale& locale) {
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0)) {
        return date;
    }
    return date + QLatin1Char(' ') +
           locale.toString(when.time(), LongTimeFormatWithoutZone(locale));
}

} // namespace kestrune::store
