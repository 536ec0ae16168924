#include "ui/dialogs/RtfReader.h"

#include <QTextDocument>

namespace kestrune::ui {

void readRtf(const QByteArray& rtf, QTextDocument& document) {
    document.setPlainText(QString::fromLatin1(rtf));
}

} // namespace kestrune::ui
