#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

class QWidget;

namespace kestrune::skin {

// A skin colour: 0x00BBGGRR, red in the low byte, the way the colours of
// controls have always been passed around in this program. colourToQColor
// and colourFromQColor convert.
using SkinColour = std::uint32_t;

QColor colourToQColor(SkinColour colour);
SkinColour colourFromQColor(const QColor& colour);

// A skin: a name and four colours, read from a skin file (the program carries
// one, ":/skin/standard.skin").
//
// A skin file holds "key = value" lines; lines starting with ';' are comments
// and blank lines are ignored. The keys are "name" and "colour2" to "colour5",
// each colour written #RRGGBB; other keys are skipped. The colours:
//   2  face of buttons, background of text boxes and lists
//   3  text in text boxes and lists
//   4  background of picture boxes
//   5  surface of the windows
class Skin final : public QObject {
    Q_OBJECT
public:
    // A skin that looks like no skin: the colours of the application palette.
    explicit Skin(QObject* parent = nullptr);

    // Reads a skin file. When it cannot be read, or any of the four colours is
    // missing or malformed, false is returned and the skin stays as it was.
    bool load(const QString& path);
    bool parse(const QByteArray& text);

    QString name() const { return name_; }

    // Colour 2 to 5 as listed above; 0 (black) for any other id.
    SkinColour colour(int id) const;

    // Dresses a window's frame and surface: its background becomes colour 5.
    void ApplySkin(QWidget* window) const;

    // The object handed on to the skin hook.
    QObject* hookObject() { return this; }

    static constexpr int kFirstColourId = 2;
    static constexpr int kLastColourId = 5;

private:
    QString name_;
    std::array<SkinColour, kLastColourId - kFirstColourId + 1> colours_{};
};

} // namespace kestrune::skin
