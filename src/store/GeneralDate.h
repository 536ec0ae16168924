#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kestrune::store {

// A date-time in the general date format: the short date, a blank and the long
// time (without a time zone); only the date when the time is exactly midnight.
QString GeneralDateText(const QDateTime& when, const QLocale& locale);

// The long time format of `locale` with any time-zone field removed.
QString LongTimeFormatWithoutZone(const QLocale& locale);

} // namespace kestrune::store
