#include "platform/WindowsCommandLine.h"

namespace kestrune::platform {

namespace {

bool needsQuotes(const QString& argument) {
    if (argument.isEmpty()) {
        return true;
    }
    for (const QChar c : argument) {
        switch (c.unicode()) {
        case u' ':
        case u'\t':
        case u'\n':
        case u'\v':
        case u'"':
        case u',':
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace

QString quotedWindowsArgument(const QString& argument) {
    if (!needsQuotes(argument)) {
        return argument;
    }
    QString quoted;
    quoted.reserve(argument.size() + 2);
    quoted += u'"';
    qsizetype backslashes = 0; // in a row, not written yet
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            // Each backslash before a quote is doubled, and one more makes
            // the quote a literal one.
            quoted += QString(backslashes * 2 + 1, u'\\');
        } else {
            quoted += QString(backslashes, u'\\');
        }
        quoted += c;
        backslashes = 0;
    }
    // Before the closing quote backslashes are doubled, or the quote would
    // become part of the argument.
    quoted += QString(backslashes * 2, u'\\');
    quoted += u'"';
    return quoted;
}

} // namespace kestrune::platform
