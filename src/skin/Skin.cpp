#include "skin/Skin.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

#include <optional>

namespace kestrune::skin {

QColor colourToQColor(SkinColour colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

SkinColour colourFromQColor(const QColor& colour) {
    return SkinColour(colour.red()) | SkinColour(colour.green()) << 8 |
           SkinColour(colour.blue()) << 16;
}

namespace {

std::optional<SkinColour> parseColour(const QString& text) {
    if (text.size() != 7 || !text.startsWith(QLatin1Char('#'))) {
        return std::nullopt;
    }
    bool ok = false;
    const uint rgb = text.mid(1).toUInt(&ok, 16);
    if (!ok) {
        return std::nullopt;
    }
    return colourFromQColor(QColor::fromRgb(QRgb(rgb)));
}

} // namespace

Skin::Skin(QObject* parent) : QObject(parent) {
    const QPalette palette = QGuiApplication::palette();
    colours_ = {colourFromQColor(palette.color(QPalette::Button)),
                colourFromQColor(palette.color(QPalette::Text)),
                colourFromQColor(palette.color(QPalette::Window)),
                colourFromQColor(palette.color(QPalette::Window))};
}

bool Skin::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return parse(file.readAll());
}

bool Skin::parse(const QByteArray& text) {
    QString name;
    std::array<std::optional<SkinColour>, std::tuple_size_v<decltype(colours_)>> colours;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            return false;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("name")) {
            name = value;
            continue;
        }
        for (int id = kFirstColourId; id <= kLastColourId; ++id) {
            if (key == QStringLiteral("colour%1").arg(id)) {
                colours[std::size_t(id - kFirstColourId)] = parseColour(value);
                if (!colours[std::size_t(id - kFirstColourId)]) {
                    return false;
                }
            }
        }
    }
    for (const auto& colour : colours) {
        if (!colour) {
            return false;
        }
    }
    name_ = name;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        colours_[i] = *colours[i];
    }
    return true;
}

SkinColour Skin::colour(int id) const {
    if (id < kFirstColourId || id > kLastColourId) {
        return 0;
    }
    return colours_[std::size_t(id - kFirstColourId)];
}

void Skin::ApplySkin(QWidget* window) const {
    if (window == nullptr) {
        return;
    }
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colourToQColor(colour(5)));
    window->setPalette(palette);
}

} // namespace kestrune::skin
