#include "skin/modSkin.h"

#include <QWidget>

namespace kestrune::skin {

// The built-in skin and its colouring of controls come with the skin layer
// itself; until then a skinned build looks like an unskinned one.
void SkinForm(QWidget* /*form*/) {}

void StartSkin(QWidget* splash) {
    SkinForm(splash);
}

void StopSkin() {}

} // namespace kestrune::skin
