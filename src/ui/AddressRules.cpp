#include "ui/AddressRules.h"

#include <QLatin1StringView>

#include <array>

namespace kestrune::ui {

bool containsWebScheme(const QString& address) {
    return address.contains(QLatin1StringView("https://"), Qt::CaseInsensitive) ||
           address.contains(QLatin1StringView("http://"), Qt::CaseInsensitive);
}

QString withWebScheme(const QString& address) {
    if (containsWebScheme(address)) {
        return address;
    }
    return QStringLiteral("http://") + address;
}

bool looksLikeWebAddress(const QString& location) {
    static constexpr std::array<QLatin1StringView, 6> probes = {
        QLatin1StringView(".edu"), QLatin1StringView("biz"),  QLatin1StringView("org"),
        QLatin1StringView(".net"), QLatin1StringView(".com"), QLatin1StringView("www"),
    };
    for (const QLatin1StringView probe : probes) {
        if (location.contains(probe, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QString GotoTarget(const QString& location) {
    return looksLikeWebAddress(location) ? withWebScheme(location) : location;
}

} // namespace kestrune::ui
