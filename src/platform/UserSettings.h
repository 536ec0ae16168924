#pragma once

#include <QString>

namespace kestrune::platform {

// The per-user application settings store, addressed by application name,
// section and value name; values are texts.
class UserSettings {
public:
    virtual ~UserSettings() = default;
    virtual QString value(const QString& application, const QString& section, const QString& name,
                          const QString& defaultValue) const = 0;
    virtual void setValue(const QString& application, const QString& section, const QString& name,
                          const QString& value) = 0;
};

// QSettings in the user scope, with the application name as organisation and
// application (on Linux ~/.config/<name>/<name>.conf, on Windows the registry).
class QtUserSettings final : public UserSettings {
public:
    QString value(const QString& application, const QString& section, const QString& name,
                  const QString& defaultValue) const override;
    void setValue(const QString& application, const QString& section, const QString& name,
                  const QString& value) override;
};

} // namespace kestrune::platform
