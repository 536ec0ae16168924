#include "platform/UserSettings.h"

#include <QSettings>

namespace kestrune::platform {

namespace {
QString keyOf(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}
} // namespace

QString QtUserSettings::value(const QString& application, const QString& section,
                              const QString& name, const QString& defaultValue) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application,
                             application);
    return settings.value(keyOf(section, name), defaultValue).toString();
}

void QtUserSettings::setValue(const QString& application, const QString& section,
                              const QString& name, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.setValue(keyOf(section, name), value);
    settings.sync();
}

} // namespace kestrune::platform
