#pragma once

class QWidget;

// The skin layer. It runs only when the program is built with the skin
// switched on; as delivered it is off and none of this is called.
namespace kestrune::skin {

// Dresses one window in the skin.
void SkinForm(QWidget* form);

// Skin start-up on the splash window, and shut-down at the end of the program.
void StartSkin(QWidget* splash);
void StopSkin();

} // namespace kestrune::skin
