#pragma once

#include <QString>

namespace kestrune::platform {

// One argument written for a Windows command line, so that the program
// started with it receives exactly this text as one argument, whatever
// blanks, quotes or backslashes it holds. Windows hands a new process its
// command line as one text, which the program splits by these rules:
//  - blanks and tabs separate arguments, except between double quotes;
//  - 2n backslashes before a double quote stand for n backslashes, and the
//    quote opens or closes a quoted part; 2n+1 backslashes before a double
//    quote stand for n backslashes and a literal double quote;
//  - backslashes anywhere else are taken as they stand.
// A text without blanks, tabs, line breaks, double quotes or commas is written
// unchanged; any other, and the empty text, is put in double quotes. Commas
// are quoted too because the file explorer reads them as separators between
// its own options.
QString quotedWindowsArgument(const QString& argument);

} // namespace kestrune::platform
