#pragma once

#include <QByteArray>

class QTextDocument;

namespace kestrune::ui {

// Reads a rich text (RTF) document into `document`, replacing its content.
// Whatever can be read is kept: malformed input (unbalanced braces, a cut-off
// file, huge numbers, deep nesting) ends the reading cleanly, never with a
// crash or a hang.
void readRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace kestrune::ui
