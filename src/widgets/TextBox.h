#pragma once

class QLineEdit;
class QWidget;

namespace kestrune::ui {

// A single-line text box of the windows: named, and without a length limit
// (Qt's line edit cuts what is typed or pasted at 32,767 characters unless
// told otherwise, without a word).
QLineEdit* makeTextBox(QWidget* parent, const char* name);

} // namespace kestrune::ui
