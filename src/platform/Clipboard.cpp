#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kestrune::platform {

void QtClipboard::clear() {
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setText(const QString& text, bool secret) {
    auto* data = new QMimeData;
    data->setText(text);
    if (secret) {
        // Read by KDE's and other freedesktop clipboard managers.
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#ifdef Q_OS_WIN
        // Windows' clipboard history and cloud clipboard: leave this one out.
        const QByteArray zero(4, '\0');
        data->setData(
            QStringLiteral(
                "application/"
                "x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\""),
            zero);
        data->setData(
            QStringLiteral("application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\""),
            zero);
        data->setData(
            QStringLiteral("application/x-qt-windows-mime;value=\"CanUploadToCloudClipboard\""),
            zero);
#endif
    }
    QGuiApplication::clipboard()->setMimeData(data); // the clipboard takes ownership
}

QString QtClipboard::text() const {
    return QGuiApplication::clipboard()->text();
}

} // namespace kestrune::platform
