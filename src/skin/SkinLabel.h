#pragma once

#include <QLabel>

namespace kestrune::skin {

// A windowed label that the dialogs use for their captions, whether or not
// the skin is on. Its text is its default property.
class SkinLabel : public QLabel {
    Q_OBJECT
public:
    explicit SkinLabel(QWidget* parent = nullptr);
};

} // namespace kestrune::skin
