#pragma once

#include <QString>

// How the program decides what kind of place a text names before it hands it
// to the desktop's opener. Plain text rules, no side effects.
namespace kestrune::ui {

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

} // namespace kestrune::ui
