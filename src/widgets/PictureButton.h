#pragma once

#include <QString>

class QToolButton;
class QWidget;

namespace kestrune::ui {

// A picture button: a 32 x 32 picture from the program's resources
// (":/images/<picture>.png") above its caption; it takes the keyboard focus.
QToolButton* makePictureButton(QWidget* parent, const char* name, const QString& caption,
                               const char* picture);

} // namespace kestrune::ui
