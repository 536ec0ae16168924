#include "store/LocationRules.h"

#include <QDir>
#include <QFileInfo>
#include <QLatin1StringView>

#include <array>

namespace kestrune::store {

namespace {

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The host of the authority part of an address with a scheme, "user@host:port".
QStringView hostOfAuthority(QStringView authority) {
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        authority = authority.sliced(at + 1);
    }
    if (authority.startsWith(u'[')) { // an IPv6 address keeps its brackets
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QStringView() : authority.first(close + 1);
    }
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        authority = authority.first(colon);
    }
    return authority;
}

// A location without a scheme is a web address when it starts with a host
// name: labels of letters, digits and hyphens joined by dots, the last one
// holding a letter (or four numbers, an IPv4 address), then an optional port
// and path.
QStringView hostWithoutScheme(QStringView s) {
    const qsizetype n = s.size();
    qsizetype end = 0;
    qsizetype dots = 0;
    qsizetype lastDot = -1;
    bool letterInLabel = false;
    bool onlyDigits = true;
    for (; end < n; ++end) {
        const char16_t c = s[end].unicode();
        if (c == u'/' || c == u'?' || c == u'#' || c == u':') {
            break;
        }
        if (c == u'.') {
            if (end == lastDot + 1) {
                return {}; // an empty label
            }
            lastDot = end;
            ++dots;
            letterInLabel = false;
        } else if (isAsciiLetter(c)) {
            letterInLabel = true;
            onlyDigits = false;
        } else if (c != u'-' && !isAsciiDigit(c)) {
            return {};
        }
    }
    if (dots == 0 || lastDot == end - 1) {
        return {};
    }
    if (!letterInLabel && !(onlyDigits && dots == 3)) {
        return {};
    }
    if (end < n && s[end] == u':') {
        qsizetype p = end + 1;
        while (p < n && isAsciiDigit(s[p].unicode())) {
            ++p;
        }
        if (p == end + 1 || (p < n && s[p] != u'/' && s[p] != u'?' && s[p] != u'#')) {
            return {}; // "a.b:c" is no host and port
        }
    }
    return s.first(end);
}

} // namespace

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

namespace {

bool startsWithWebScheme(const QString& target) {
    return target.startsWith(QLatin1StringView("http://"), Qt::CaseInsensitive) ||
           target.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive);
}

// "\\host\share", "//host/share", and the same with the separators mixed.
// Told apart on every system: the location may come from another one.
bool isNetworkPath(const QString& target) {
    return target.size() >= 2 && (target[0] == u'\\' || target[0] == u'/') &&
           (target[1] == u'\\' || target[1] == u'/');
}

bool isExistingLocalFolder(const QString& target) {
    const QString path = QDir::fromNativeSeparators(target);
    if (path.isEmpty() || isNetworkPath(target) || !QDir::isAbsolutePath(path)) {
        return false;
    }
    return QFileInfo(path).isDir();
}

} // namespace

GotoDecision decideGoto(const QString& location) {
    GotoDecision decision{GotoTarget(location)};
    // A network path in front of which "http://" was put is asked about too.
    decision.askFirst = isNetworkPath(location) || (!startsWithWebScheme(decision.target) &&
                                                    !isExistingLocalFolder(decision.target));
    return decision;
}

QStringView webHost(QStringView location) {
    // A scheme: a letter, then letters, digits, "+", "-" or ".", then "://".
    qsizetype i = 0;
    while (i < location.size() && i < 32) {
        const char16_t c = location[i].unicode();
        if (!isAsciiLetter(c) &&
            !(i > 0 && (isAsciiDigit(c) || c == u'+' || c == u'-' || c == u'.'))) {
            break;
        }
        ++i;
    }
    if (i > 0 && location.sliced(i).startsWith(u"://")) {
        if (location.first(i).compare(u"file", Qt::CaseInsensitive) == 0) {
            return {};
        }
        const QStringView rest = location.sliced(i + 3);
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != u'/' && rest[end] != u'?' && rest[end] != u'#' &&
               rest[end] != u'\\') {
            ++end;
        }
        return hostOfAuthority(rest.first(end));
    }
    return hostWithoutScheme(location);
}

} // namespace kestrune::store
