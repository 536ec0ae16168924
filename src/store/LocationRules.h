#pragma once

#include <QString>
#include <QStringView>

// What kind of place an entry's location names: whether it is a web address,
// what Go To hands to the desktop's opener, and the host it names. The one
// home of these rules, for the main window's commands and for import and
// export alike. Plain text rules, no side effects.
namespace kestrune::store {

// True when the text contains "http://" or "https://" anywhere, in any letter case.
bool containsWebScheme(const QString& address);

// The text with "http://" put in front, unless it already contains a scheme
// (see containsWebScheme); then it is returned unchanged.
QString withWebScheme(const QString& address);

// True when an entry's location looks like a web address: it contains, anywhere
// and in any letter case, one of ".edu", "biz", "org", ".net", ".com" or "www".
// "biz", "org" and "www" are searched without a dot, so "organ" counts.
bool looksLikeWebAddress(const QString& location);

// What Go To opens for an entry's location: a web-like location without a
// scheme gets "http://" in front; anything else (a folder path, say) is
// passed on unchanged.
QString GotoTarget(const QString& location);

// What Go To does with an entry's location. Locations also come from other
// people's files through Import, and the opener runs a program it is given
// and contacts the host of a network path with the user's credentials: only
// a web address and an existing local folder open at once.
struct GotoDecision {
    QString target;        // GotoTarget of the location
    bool askFirst = false; // the user confirms the exact target before it opens
};

// A target that starts with "http://" or "https://" (in any letter case), or
// an existing folder named by an absolute local path, opens at once. Anything
// else asks first: an existing file, a network path (also one that gets
// "http://" in front) ("\\host\share",
// "//host/share"), another scheme ("file:", "smb:", "javascript:"...), or
// a name that is neither.
GotoDecision decideGoto(const QString& location);

// The host of a web address ("www.example.com" for
// "https://user@www.example.com:8443/login", and for "www.example.com/login"),
// or an empty view when the location is no web address (a folder, a note).
QStringView webHost(QStringView location);

} // namespace kestrune::store
