#pragma once

class QWidget;

namespace kestrune::ui {

// Keeps `form` above all other windows (true) or lets it go back among them;
// its position and size do not change.
void SetOnTop(QWidget* form, bool onTop);

} // namespace kestrune::ui
